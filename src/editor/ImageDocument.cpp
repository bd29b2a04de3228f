#include "ImageDocument.h"

#include "common/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace editor {

const QString kTitle = QStringLiteral("Fermel");
// The four filters, each a description and its pattern, in the form of the
// file dialogs.
const QString kImageFilter =
    QStringLiteral("Бинарные файлы  .bin (*.bin);;Шеснадцатеричные файлы  .hex (*.hex);;"
                   "Файлы  .abs (*.abs);;Все файлы (*.*)");

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString notFoundText() {
    return QStringLiteral("Указанный файл  не  найден.") + kCrLf +
           QStringLiteral("Проверьте  правильность  пути  и  повторите  попытку.");
}

QString wrongLengthText() {
    return QStringLiteral("Этот  файл  не  является  правильным  файлом  прошивки");
}

QString chooseTargetCaption() {
    return QStringLiteral("Выбрать файл прошивки МИКАС для изменения");
}

} // namespace

bool writeBlock(const QString& path, EngineType engine, const Block& block, const KnownBytes& known,
                Block* written) {
    QFile f(path);
    // Never create a file: a block alone at its offset is no image.
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return false;
    if (f.size() != kImageSize || !f.seek(blockOffset(engine))) return false;
    Block out = block;
    if (!known.all()) {
        Block own{};
        if (f.read(reinterpret_cast<char*>(own.data()), kBlockSize) != kBlockSize ||
            !f.seek(blockOffset(engine)))
            return false;
        for (std::size_t i = 0; i < own.size(); ++i)
            if (!known.test(i)) out[i] = own[i];
    }
    const auto* data = reinterpret_cast<const char*>(out.data());
    if (f.write(data, kBlockSize) != kBlockSize || !f.flush()) return false;
    f.close();
    if (f.error() != QFileDevice::NoError) return false;
    if (written) *written = out;
    return true;
}

void ImageDocument::information(const QString& text) {
    dialogs_.message(text, kTitle, common::Icon::Information);
}

void ImageDocument::writeFailed(const QString& path) {
    dialogs_.message(QStringLiteral("Не  удалось  записать  файл  прошивки:") + kCrLf + path +
                         kCrLf + QStringLiteral("Изменения  в  нем  не  сохранены."),
                     kTitle, common::Icon::Critical);
}

ImageDocument::Opened ImageDocument::open() {
    return openFile(
        dialogs_.openFile(QStringLiteral("Открыть файл прошивки МИКАС"), QString(), kImageFilter));
}

ImageDocument::Opened ImageDocument::openFile(const QString& chosen) {
    const QString name = chosen.trimmed();
    if (name.isEmpty()) {
        fileName.clear();
        return Opened::Cancelled;
    }
    // The name becomes the current file only once the file is accepted, so
    // that a later save never goes into a refused file.
    if (!QFileInfo::exists(name)) {
        information(notFoundText());
        return Opened::Refused;
    }
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) {
        dialogs_.message(QStringLiteral("Не  удалось  прочитать  файл  прошивки:") + kCrLf + name,
                         kTitle, common::Icon::Critical);
        return Opened::Refused;
    }
    if (f.size() != kImageSize) {
        information(wrongLengthText());
        return Opened::Refused;
    }
    Block block{};
    if (!f.seek(blockOffset(engine)) ||
        f.read(reinterpret_cast<char*>(block.data()), kBlockSize) != kBlockSize) {
        dialogs_.message(QStringLiteral("Не  удалось  прочитать  файл  прошивки:") + kCrLf + name,
                         kTitle, common::Icon::Critical);
        return Opened::Refused;
    }
    working = block;
    saved = block;
    known_.set();
    savedKnown_.set();
    fileName = name;
    writtenElsewhere_.reset();
    return Opened::Yes;
}

bool ImageDocument::save() {
    if (fileName.isEmpty()) return saveAs();
    if (!writeBlock(fileName, engine, working, known_)) {
        writeFailed(fileName);
        return false;
    }
    saved = working;
    savedKnown_ = known_;
    return true;
}

bool ImageDocument::saveAs() {
    const QString target = dialogs_.saveFile(chooseTargetCaption(), QString(), kImageFilter, false);
    Block written{};
    if (!saveInto(target, &written)) return false;
    // The file as it now is: the bytes never read are its own.
    fileName = target;
    working = written;
    saved = written;
    known_.set();
    savedKnown_.set();
    writtenElsewhere_.reset();
    return true;
}

void ImageDocument::saveIntoAnother() {
    // An existing image is chosen on purpose; the program asks its own question.
    saveInto(dialogs_.saveFile(chooseTargetCaption(), QString(), kImageFilter, false));
}

bool ImageDocument::saveInto(const QString& target) {
    return saveInto(target, nullptr);
}

bool ImageDocument::saveInto(const QString& target, Block* written) {
    if (target.isEmpty()) return false;
    if (!QFileInfo::exists(target)) {
        information(notFoundText());
        return false;
    }
    if (QFileInfo(target).size() != kImageSize) {
        information(wrongLengthText());
        return false;
    }
    const common::Answer a = dialogs_.message(
        QStringLiteral("Сейчас  файл  будет  необратимо  изменен.") + kCrLf +
            QStringLiteral("Изменить  файл?"),
        kTitle, common::Icon::Question, common::Buttons::YesNo, common::Answer::No);
    if (a != common::Answer::Yes) return false;
    Block out{};
    if (!writeBlock(target, engine, working, known_, &out)) {
        writeFailed(target);
        return false;
    }
    if (written) *written = out;
    writtenElsewhere_ = working;
    return true;
}

void ImageDocument::undoAll() {
    working = saved;
    known_ = savedKnown_;
}

bool ImageDocument::unsavedChangesCheck(Next next) {
    if (!changed()) return true;
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) {
        // No file to ask about: a save chooses one anyway, and data already
        // written into another image is safe.
        if (next != Next::Replace || writtenElsewhere_ == working) return true;
        const common::Answer a = dialogs_.message(
            QStringLiteral("Данные  прошивки  были  изменены.") + kCrLf +
                QStringLiteral("Сохранить  изменения  в  файл?"),
            kTitle, common::Icon::Question, common::Buttons::YesNoCancel, common::Answer::Cancel);
        switch (a) {
        case common::Answer::Yes:
            return saveAs();
        case common::Answer::No:
            undoAll();
            return true;
        default:
            return false;
        }
    }
    const common::Answer a = dialogs_.message(
        QStringLiteral("Данные  прошивки  были  изменены.") + kCrLf +
            QStringLiteral("Сохранить  изменения  в  файл:") + kCrLf + fileName,
        kTitle, common::Icon::Question, common::Buttons::YesNoCancel, common::Answer::Cancel);
    switch (a) {
    case common::Answer::Yes:
        // Edits that could not be written are kept: whatever was to follow
        // (another file, the ECU's tables, the end of the program) waits.
        return save();
    case common::Answer::No:
        // Not into this file; another image still gets them.
        if (next != Next::SaveElsewhere) undoAll();
        return true;
    default:
        return false;
    }
}

void ImageDocument::edit(int offset, std::uint8_t value) {
    if (offset < 0 || offset >= kBlockSize) return;
    working[static_cast<std::size_t>(offset)] = value;
    known_.set(static_cast<std::size_t>(offset));
}

void ImageDocument::setTable(int table, const std::uint8_t* bytes) {
    if (table < 0 || table >= kTables) return;
    std::memcpy(working.data() + kTableSize * table, bytes, kTableSize);
    for (int i = 0; i < kTableSize; ++i)
        known_.set(static_cast<std::size_t>(kTableSize * table + i));
}

} // namespace editor
