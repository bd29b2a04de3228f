// The image and block model: layout, open, save, save into another image,
// undo all, the unsaved-changes check and the change list.
#include "FermelRig.h"
#include "editor/ImageDocument.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace editor;
using common::Answer;
using common::Buttons;
using common::Icon;

namespace {

const QString kNotFound = QStringLiteral(
    "Указанный файл  не  найден.\r\nПроверьте  правильность  пути  и  повторите  попытку.");
const QString kWrongLength =
    QStringLiteral("Этот  файл  не  является  правильным  файлом  прошивки");

struct Model : ::testing::Test {
    FermelRig rig;
    ImageDocument doc{rig.dialogs};
    QByteArray original = sim::Ecu::defaultImage(3);
    QString path = rig.writeFile(QStringLiteral("a.bin"), original);

    void expectMessage(std::size_t i, const QString& text, Icon icon) {
        ASSERT_LT(i, rig.dialogs.messages.size());
        EXPECT_EQ(rig.dialogs.messages[i].text, text);
        EXPECT_EQ(rig.dialogs.messages[i].caption, QStringLiteral("Fermel"));
        EXPECT_EQ(rig.dialogs.messages[i].icon, icon);
    }
    // Every byte outside the block as it was.
    void expectOutsideBlockUnchanged(const QByteArray& now, const QByteArray& before,
                                     EngineType e) {
        ASSERT_EQ(now.size(), before.size());
        const int from = blockOffset(e);
        EXPECT_EQ(now.left(from), before.left(from));
        EXPECT_EQ(now.mid(from + kBlockSize), before.mid(from + kBlockSize));
    }
};

} // namespace

// ================================================================ layout

TEST(Layout, BlockOffsetsCellsAndTheStoredEngineType) {
    EXPECT_EQ(blockOffset(EngineType::Zmz4063), 0x98F9);
    EXPECT_EQ(blockOffset(EngineType::Standard), 0x9D1B);
    EXPECT_EQ(blockOffset(EngineType::Zmz4063) + kBlockSize - 1, 0x9CF9);
    EXPECT_EQ(blockOffset(EngineType::Standard) + kBlockSize - 1, 0xA11B);
    EXPECT_EQ(blockPosition(EngineType::Zmz4063), 39162);
    EXPECT_EQ(blockPosition(EngineType::Standard), 40220);
    EXPECT_EQ(cellOffset(3, 1, 0), 784);
    EXPECT_EQ(engineFromSetting(QStringLiteral("1")), EngineType::Zmz4063);
    EXPECT_EQ(engineFromSetting(QStringLiteral("0")), EngineType::Standard);
    EXPECT_EQ(engineFromSetting(QString()), EngineType::Standard);
    EXPECT_EQ(engineSetting(EngineType::Zmz4063), QStringLiteral("1"));
}

TEST(Layout, DegreesShowTheHalf) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(degreesText(45), QStringLiteral("22,5"));
    EXPECT_EQ(degreesText(44), QStringLiteral("22"));
    EXPECT_EQ(degreesText(0), QStringLiteral("0"));
    EXPECT_EQ(degreesText(255), QStringLiteral("127,5"));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(degreesText(45), QStringLiteral("22.5"));
}

// ================================================================== open

TEST_F(Model, OpenReadsTheBlockOfEachEngineType) {
    for (EngineType e : {EngineType::Zmz4063, EngineType::Standard}) {
        doc.engine = e;
        ASSERT_EQ(doc.openFile(QStringLiteral("  ") + path + QStringLiteral(" ")),
                  ImageDocument::Opened::Yes);
        EXPECT_EQ(doc.working, FermelRig::blockOf(original, e));
        EXPECT_EQ(doc.saved, doc.working);
        EXPECT_EQ(doc.fileName, path) << "spaces trimmed";
    }
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Model, WrongLengthsAndMissingFilesAreRefusedAndChangeNothing) {
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    doc.working[5] ^= 0xFF;
    const Block working = doc.working;
    const QString shortFile = rig.writeFile(QStringLiteral("short.bin"), original.left(65535));
    const QString longFile = rig.writeFile(QStringLiteral("long.bin"), original + QByteArray(1, 0));
    EXPECT_EQ(doc.openFile(shortFile), ImageDocument::Opened::Refused);
    EXPECT_EQ(doc.openFile(longFile), ImageDocument::Opened::Refused);
    EXPECT_EQ(doc.openFile(rig.dir.path() + QStringLiteral("/none.bin")),
              ImageDocument::Opened::Refused);
    expectMessage(0, kWrongLength, Icon::Information);
    expectMessage(1, kWrongLength, Icon::Information);
    expectMessage(2, kNotFound, Icon::Information);
    EXPECT_EQ(doc.working, working);
    EXPECT_EQ(doc.saved, FermelRig::blockOf(original, doc.engine));
    // A refused file never becomes the file that a save writes into.
    EXPECT_EQ(doc.fileName, path);
    EXPECT_TRUE(doc.save());
    EXPECT_EQ(FermelRig::read(shortFile), original.left(65535));
}

TEST_F(Model, CancelledOpenForgetsTheFileButKeepsTheBlocks) {
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    EXPECT_EQ(doc.openFile(QStringLiteral("   ")), ImageDocument::Opened::Cancelled);
    EXPECT_TRUE(doc.fileName.isEmpty());
    EXPECT_EQ(doc.working, FermelRig::blockOf(original, doc.engine));
    rig.dialogs.fileNext(QString());
    EXPECT_EQ(doc.open(), ImageDocument::Opened::Cancelled);
    EXPECT_EQ(rig.dialogs.fileCaptions, QStringList{QStringLiteral("Открыть файл прошивки МИКАС")});
    // No file: a save asks for one; cancelled, nothing is written.
    doc.working[7] ^= 0x0F;
    EXPECT_FALSE(doc.save());
    EXPECT_EQ(rig.dialogs.fileCaptions.last(),
              QStringLiteral("Выбрать файл прошивки МИКАС для изменения"));
    EXPECT_EQ(FermelRig::read(path), original);
    EXPECT_TRUE(doc.changed());
    // Chosen and confirmed: written, and the image is the current file.
    rig.dialogs.fileNext(path);
    rig.dialogs.answerNext(Answer::Yes);
    EXPECT_TRUE(doc.save());
    EXPECT_EQ(doc.fileName, path);
    EXPECT_EQ(FermelRig::blockOf(FermelRig::read(path), doc.engine), doc.working);
    EXPECT_FALSE(doc.changed());
}

// ================================================================== save

TEST_F(Model, SaveWritesOnlyTheBlock) {
    doc.engine = EngineType::Zmz4063;
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    doc.working[784] = 100; // cell (1, 0) of table 3
    doc.working[kTrailingByte] ^= 1;
    ASSERT_TRUE(doc.save());
    const QByteArray now = FermelRig::read(path);
    expectOutsideBlockUnchanged(now, original, EngineType::Zmz4063);
    EXPECT_EQ(static_cast<std::uint8_t>(now[0x98F9 + 784]), 100);
    EXPECT_EQ(FermelRig::blockOf(now, EngineType::Zmz4063), doc.working);
    EXPECT_EQ(doc.saved, doc.working);
    EXPECT_TRUE(doc.changeList().empty());
}

TEST_F(Model, SavingAnUnchangedBlockStillRewritesIt) {
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    // Someone else changes the block in the file meanwhile.
    QByteArray meddled = original;
    for (int i = 0; i < kBlockSize; i += 7)
        meddled[blockOffset(doc.engine) + i] = 'x';
    rig.writeFile(QStringLiteral("a.bin"), meddled);
    ASSERT_FALSE(doc.changed());
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(FermelRig::read(path), original) << "the whole file as it was opened";
}

TEST_F(Model, FailedSaveIsReportedAndLosesNothing) {
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    doc.working[10] ^= 0x55;
    const Block saved = doc.saved;
    const QString failure = QStringLiteral("Не  удалось  записать  файл  прошивки:\r\n") + path +
                            QStringLiteral("\r\nИзменения  в  нем  не  сохранены.");

    // The file gone: nothing is created in its place.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(doc.save());
    expectMessage(0, failure, Icon::Critical);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(doc.saved, saved);
    EXPECT_EQ(doc.changeList().size(), 1u);

    // Something that cannot be written in its place: the check asks again
    // and, the write failing, keeps the edits (cancel).
    ASSERT_TRUE(QDir().mkdir(path));
    rig.dialogs.answerNext(Answer::Yes);
    EXPECT_FALSE(doc.unsavedChangesCheck());
    expectMessage(2, failure, Icon::Critical);
    EXPECT_EQ(doc.saved, saved);
    EXPECT_TRUE(doc.changed());
    ASSERT_TRUE(QDir().rmdir(path));

    // A file cut short meanwhile is no image: it is neither written nor grown.
    rig.writeFile(QStringLiteral("a.bin"), original.left(40000));
    EXPECT_FALSE(doc.save());
    expectMessage(3, failure, Icon::Critical);
    EXPECT_EQ(FermelRig::read(path), original.left(40000));

    // A read-only file (only without superuser rights, which ignore them).
    rig.writeFile(QStringLiteral("a.bin"), original);
    if (geteuid() != 0) {
        QFile::setPermissions(path, QFile::ReadOwner);
        EXPECT_FALSE(doc.save());
        EXPECT_EQ(rig.dialogs.messages.size(), 5u);
        EXPECT_EQ(FermelRig::read(path), original);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
    EXPECT_EQ(doc.saved, saved);
    // Writable again: the save goes through and only then counts as saved.
    EXPECT_TRUE(doc.save());
    EXPECT_EQ(doc.saved, doc.working);
}

TEST_F(Model, SaveIntoAnotherImage) {
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    doc.working[0] = 1;
    doc.working[1024] = 2;
    const QByteArray other = sim::Ecu::defaultImage(9);
    const QString target = rig.writeFile(QStringLiteral("b.bin"), other);
    const QString question =
        QStringLiteral("Сейчас  файл  будет  необратимо  изменен.\r\nИзменить  файл?");

    // No is the default: nothing written.
    rig.dialogs.fileNext(target);
    doc.saveIntoAnother();
    EXPECT_EQ(rig.dialogs.fileCaptions.last(),
              QStringLiteral("Выбрать файл прошивки МИКАС для изменения"));
    EXPECT_EQ(rig.dialogs.overwriteConfirmed, QList<bool>{false}) << "our own question only, not the dialog's too";
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, question, Icon::Question);
    EXPECT_EQ(rig.dialogs.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(rig.dialogs.messages[0].defaultButton, Answer::No);
    EXPECT_EQ(FermelRig::read(target), other);

    rig.dialogs.answerNext(Answer::Yes);
    EXPECT_TRUE(doc.saveInto(target));
    const QByteArray now = FermelRig::read(target);
    expectOutsideBlockUnchanged(now, other, doc.engine);
    EXPECT_EQ(FermelRig::blockOf(now, doc.engine), doc.working);
    EXPECT_EQ(doc.fileName, path);
    EXPECT_EQ(doc.saved, FermelRig::blockOf(original, doc.engine));
    EXPECT_EQ(FermelRig::read(path), original);

    // Missing and wrongly sized targets are refused before any question.
    EXPECT_FALSE(doc.saveInto(rig.dir.path() + QStringLiteral("/none.bin")));
    EXPECT_FALSE(doc.saveInto(rig.writeFile(QStringLiteral("c.bin"), QByteArray(65537, 0))));
    expectMessage(2, kNotFound, Icon::Information);
    expectMessage(3, kWrongLength, Icon::Information);
    EXPECT_EQ(rig.dialogs.messages.size(), 4u);
    EXPECT_EQ(FermelRig::read(rig.dir.path() + QStringLiteral("/c.bin")), QByteArray(65537, 0));
}

// ============================================= the unsaved-changes check

TEST_F(Model, UnsavedChangesCheckAndItsThreeAnswers) {
    // Nothing changed: no question.
    EXPECT_TRUE(doc.unsavedChangesCheck());
    ASSERT_EQ(doc.openFile(path), ImageDocument::Opened::Yes);
    EXPECT_TRUE(doc.unsavedChangesCheck());
    EXPECT_TRUE(rig.dialogs.messages.empty());

    const QString question =
        QStringLiteral("Данные  прошивки  были  изменены.\r\nСохранить  изменения  в  файл:\r\n") +
        path;
    doc.working[3] ^= 0xFF;
    const Block edited = doc.working;
    // Cancel (the default) keeps everything.
    EXPECT_FALSE(doc.unsavedChangesCheck());
    expectMessage(0, question, Icon::Question);
    EXPECT_EQ(rig.dialogs.messages[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(rig.dialogs.messages[0].defaultButton, Answer::Cancel);
    EXPECT_EQ(doc.working, edited);
    EXPECT_EQ(FermelRig::read(path), original);
    // No drops the edits.
    rig.dialogs.answerNext(Answer::No);
    EXPECT_TRUE(doc.unsavedChangesCheck());
    EXPECT_EQ(doc.working, FermelRig::blockOf(original, doc.engine));
    EXPECT_EQ(FermelRig::read(path), original);
    // Yes writes them.
    doc.working = edited;
    rig.dialogs.answerNext(Answer::Yes);
    EXPECT_TRUE(doc.unsavedChangesCheck());
    EXPECT_EQ(doc.saved, edited);
    EXPECT_EQ(FermelRig::blockOf(FermelRig::read(path), doc.engine), edited);
    // The file gone: asked as with no file, "Да" asking for another.
    doc.working[4] ^= 1;
    QFile::remove(path);
    rig.dialogs.answerNext(Answer::Yes);
    EXPECT_FALSE(doc.unsavedChangesCheck()) << "no file chosen";
    ASSERT_EQ(rig.dialogs.messages.size(), 4u);
    EXPECT_EQ(
        rig.dialogs.messages[3].text,
        QStringLiteral("Данные  прошивки  были  изменены.\r\nСохранить  изменения  в  файл?"));
    EXPECT_EQ(rig.dialogs.fileCaptions.last(),
              QStringLiteral("Выбрать файл прошивки МИКАС для изменения"));
    // Before a save no question: the save itself asks for a file.
    EXPECT_TRUE(doc.unsavedChangesCheck(ImageDocument::Next::SaveHere));
    EXPECT_EQ(rig.dialogs.messages.size(), 4u);
}

// ======================================================= the change list

TEST(ChangeList, LinesPositionsAndOrder) {
    Block saved{}, working{};
    working[0] = 20;
    working[1024] = 7;
    saved[300] = 5;
    EXPECT_EQ(changes(saved, working),
              (std::vector<Change>{{0, 0, 20}, {300, 5, 0}, {1024, 0, 7}}));
    EXPECT_EQ(changeLine({0, 16, 20}, EngineType::Zmz4063),
              QStringLiteral("39162           16                       20"));
    EXPECT_EQ(changeLine({0, 16, 20}, EngineType::Standard),
              QStringLiteral("40220           16                       20"));
    EXPECT_EQ(changeLine({1024, 255, 0}, EngineType::Standard),
              QStringLiteral("41244           255                       0"));
}
