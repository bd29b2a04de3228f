// Lumeta's window driven through its controls, with the dialogs and platform
// doubles: the texts, the messages, the file, the pictures and the desktop.
#include "FinderFiles.h"
#include "Profile.h"
#include "ProfileView.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "fTabl.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

using common::Answer;
using common::Buttons;
using common::Icon;

namespace {

const QString kWriteQuestion =
    QStringLiteral("Если вы сохраните изменения в файл, то отменить их будет не возможно\r\n"
                   "                     ВЫ ЖЕЛАЕТЕ СОХРАНИТЬ ИЗМЕНЕНИЯ?");
const QString kChangedQuestion =
    QStringLiteral("В процессе работы Файл был изменён\r\n     Сохранить изменения в файле?");

struct LumetaRig {
    QTemporaryDir dir;
    common::SettingsStore settings{dir.path() + QStringLiteral("/settings")};
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    QString image = dir.path() + QStringLiteral("/ecu.bin");
    QByteArray bytes = makeImageFile(image);
    std::unique_ptr<finder::fTabl> w;

    LumetaRig() {
        platform.desktop = dir.path() + QStringLiteral("/desktop");
        create();
    }
    void create() {
        w = std::make_unique<finder::fTabl>(settings, dialogs, platform, QStringLiteral("lumeta"));
        w->setAttribute(Qt::WA_QuitOnClose, false);
    }
    void open(const QString& path) {
        dialogs.fileNext(path);
        w->Command4->click();
    }
    void showAt(const QString& address) {
        w->Text1->setText(address);
        w->Command1->click();
    }
    void correct(const QString& value) {
        QTest::mouseClick(w->Text4, Qt::LeftButton);
        w->Text4->setText(value);
        w->Command5->click();
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, w->Picture1->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(w->Picture1, &e);
    }
    const common::MessageCall& lastMessage() const { return dialogs.messages.back(); }
};

void expectMessage(const common::MessageCall& m, const QString& text, const QString& caption,
                   Icon icon, Buttons buttons = Buttons::Ok, Answer def = Answer::Ok) {
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.caption, caption);
    EXPECT_EQ(m.icon, icon);
    EXPECT_EQ(m.buttons, buttons);
    EXPECT_EQ(m.defaultButton, def);
}

} // namespace

// ------------------------------------------------------------ the window

TEST(fTabl, ControlsCaptionsAndStart) {
    LumetaRig rig;
    finder::fTabl& w = *rig.w;
    EXPECT_EQ(w.objectName(), QStringLiteral("fTabl"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Редактор таблиц файлов прошивок ЭБУ"));
    const std::pair<const char*, QString> texts[] = {{"Command1", "График"},
                                                     {"Command2", "<"},
                                                     {"Command3", ">"},
                                                     {"Command4", "Файл"},
                                                     {"Command5", "Исправить"},
                                                     {"Command6", "Сохранить в файл"},
                                                     {"Command7", "Сохранить рисунок"},
                                                     {"Command8", "Таблицы"},
                                                     {"Check1", "Инв."},
                                                     {"Check2", "Раб.Стол"}};
    for (const auto& [name, text] : texts) {
        auto* b = w.findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), text) << name;
    }
    for (const auto& [name, text] : {std::pair{"Label1", "Адрес:"},
                                     {"Label3", "Шаг:"},
                                     {"Label7", "Адрес:"},
                                     {"Label6", "Данное:"}})
        EXPECT_EQ(w.findChild<QLabel*>(QString::fromLatin1(name))->text(), QString::fromUtf8(text));
    // Controls without a text of their own are found by their name.
    for (const char* name : {"Picture1", "Line1", "Text1", "Text3", "Text4"}) {
        QWidget* c = w.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(c, nullptr) << name;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(name));
    }
    EXPECT_EQ(w.Picture1->size(), QSize(514, 256));
    EXPECT_EQ(w.Line1->parentWidget(), w.Picture1);
    EXPECT_EQ(w.Line1->geometry(), QRect(256, 0, 1, 256));

    EXPECT_EQ(w.Text1->text(), QStringLiteral("0")); // no stored address yet
    EXPECT_EQ(w.Text3->text(), QStringLiteral("1"));
    EXPECT_FALSE(w.Command1->isEnabled());
    EXPECT_FALSE(w.Command5->isEnabled());
    EXPECT_FALSE(w.Command6->isEnabled());
    EXPECT_TRUE(w.Check2->isChecked());
    // Nothing is drawn before a file is loaded.
    w.Command2->click();
    EXPECT_TRUE(w.Label4->text().isEmpty());
    EXPECT_TRUE(rig.platform.calls.isEmpty());
}

TEST(fTabl, OpeningAFileShowsTheStoredAddress) {
    LumetaRig rig;
    rig.settings.SaveSetting(QStringLiteral("lumeta"), QStringLiteral("adr"), QStringLiteral("A"),
                             QStringLiteral("39915"));
    rig.create();
    EXPECT_EQ(rig.w->Text1->text(), QStringLiteral("39915"));
    rig.open(rig.image);
    EXPECT_EQ(rig.dialogs.fileCaptions, QStringList{QStringLiteral("Файлы прошивок ЭБУ")});
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_TRUE(rig.w->Command1->isEnabled());
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("39915"));
    EXPECT_EQ(rig.w->Label5->text(), QString::number(byteOf(rig.bytes, 39915)));
    EXPECT_EQ(rig.w->Picture1->picture(), finder::renderProfile(rig.bytes, 39659, false));

    // The dialogue cancelled: no file, "График" disabled.
    rig.open(QString());
    EXPECT_FALSE(rig.w->Command1->isEnabled());
    EXPECT_TRUE(rig.w->model().fileName().isEmpty());

    // The dialogue lists every image: ".Bin" whatever the case of the name,
    // and under "Все файлы" a dump without an extension too.
    const QString folder = rig.dir.path() + QStringLiteral("/images");
    QDir().mkpath(folder);
    const QStringList names{QStringLiteral("Mixed.Bin"), QStringLiteral("UPPER.BIN"),
                            QStringLiteral("dump"), QStringLiteral("lower.bin")};
    for (const QString& n : names)
        writeFile(folder + QLatin1Char('/') + n, rig.bytes);
    EXPECT_EQ(rig.dialogs.listed(folder, 0), (QStringList{names[0], names[1], names[3]}));
    EXPECT_EQ(rig.dialogs.listed(folder, 3), names);
}

TEST(fTabl, TablesAndStepsReachTheIgnitionTable) {
    LumetaRig rig;
    rig.open(rig.image);
    for (int way = 0; way < 2; ++way) {
        if (way == 0)
            rig.showAt(QStringLiteral("39915"));
        else
            rig.w->Command8->click();
        EXPECT_EQ(rig.w->Text1->text(), QStringLiteral("39915"));
        EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("39915"));
        EXPECT_EQ(rig.w->Label2->text(), QStringLiteral("Нет данных"));
        for (int i = 0; i < 14; ++i)
            rig.w->Command2->click();
        EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("39929"));
        EXPECT_EQ(rig.w->Label5->text(), QString::number(byteOf(rig.bytes, 39929)));
        EXPECT_EQ(rig.w->Label2->text(), QStringLiteral("Микас. УОЗ от разряжения и оборотов"));
    }
    rig.w->Text3->setText(QStringLiteral("10"));
    rig.w->Command3->click();
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("39919"));
}

TEST(fTabl, AddressesAtBothEnds) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("100"));
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("256"));
    EXPECT_EQ(rig.w->Text1->text(), QStringLiteral("100"));
    EXPECT_EQ(rig.w->Picture1->picture(), finder::renderProfile(rig.bytes, 0, false));

    rig.showAt(QStringLiteral("70000"));
    EXPECT_EQ(rig.w->Text1->text(), QStringLiteral("65022"));
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("65278"));
    const QImage p = rig.w->Picture1->picture();
    int h = 0; // the last bar is byte 65535
    while (h < 256 && p.pixel(513, 255 - h) == qRgb(0, 0, 0))
        ++h;
    EXPECT_EQ(h, byteOf(rig.bytes, 65535));

    rig.showAt(QStringLiteral("28650"));
    EXPECT_EQ(rig.w->Label2->text(),
              QStringLiteral("Январь. Положение регулятора дополнительного воздуха  от температуры "
                             "охлаждающей жидкости"));
}

TEST(fTabl, ANonNumericAddressIsRefused) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("30000"));
    rig.showAt(QStringLiteral("3O000"));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(rig.lastMessage(), QStringLiteral("Необходимо ввести адрес (0-65022)"),
                  QStringLiteral("Просмотр файлов прошивок ЭБУ"), Icon::Exclamation);
    EXPECT_TRUE(rig.w->Text1->text().isEmpty());
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("30000")); // the view stays
}

TEST(fTabl, AFileOfAnotherLengthIsRefused) {
    LumetaRig rig;
    const QString small = rig.dir.path() + QStringLiteral("/small.bin");
    writeFile(small, QByteArray(1000, '\x20'));
    rig.open(small);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(rig.lastMessage(),
                  QStringLiteral("Данный файл не является программным файлом ЭБУ"),
                  QStringLiteral("Открытие файла прошивки"), Icon::Critical);
    EXPECT_FALSE(rig.w->model().isLoaded());
    EXPECT_TRUE(rig.w->model().fileName().isEmpty());
    EXPECT_TRUE(rig.w->Command1->isEnabled());
    rig.w->Command1->click();
    rig.w->Command8->click();
    EXPECT_TRUE(rig.w->Label4->text().isEmpty()); // nothing is drawn
}

TEST(fTabl, TheCommandLineFileOpensLikeTheDialogue) {
    LumetaRig rig;
    rig.w->Text1->setText(QStringLiteral("40000"));
    rig.w->openPath(rig.image);
    EXPECT_TRUE(rig.dialogs.fileCaptions.isEmpty());
    EXPECT_TRUE(rig.w->Command1->isEnabled());
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("40000"));
    EXPECT_EQ(rig.w->model().fileName(), rig.image);

    rig.w->openPath(rig.dir.path() + QStringLiteral("/nothing.bin"));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.lastMessage().text,
              QStringLiteral("Данный файл не является программным файлом ЭБУ"));
}

// ------------------------------------------------------------ correcting and writing back

TEST(fTabl, ABadByteValueIsRefused) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("30000"));
    EXPECT_FALSE(rig.w->Command5->isEnabled());
    rig.correct(QStringLiteral("256"));
    EXPECT_TRUE(rig.w->Command5->isEnabled()); // clicking the box armed it
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(rig.lastMessage(), QStringLiteral("Вводимые  данные  длжны  быть (0 - 255)"),
                  QStringLiteral("Lumeta"), Icon::Information);
    EXPECT_TRUE(rig.w->Text4->text().isEmpty());
    EXPECT_EQ(rig.w->model().image(), rig.bytes);
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("30000"));
    EXPECT_FALSE(rig.w->Command6->isEnabled());
    rig.correct(QString()); // nothing typed: nothing happens
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("30000"));
}

TEST(fTabl, CorrectedByteWrittenBack) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("30000"));
    rig.correct(QStringLiteral("200,4"));
    EXPECT_EQ(rig.w->model().byteAt(30000), 200);
    EXPECT_TRUE(rig.w->Command6->isEnabled());
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("30001")); // advanced by one step

    rig.w->Command6->click(); // No, the default
    expectMessage(rig.lastMessage(), kWriteQuestion, QStringLiteral("Сохранение в файл"),
                  Icon::Exclamation, Buttons::YesNo, Answer::No);
    EXPECT_EQ(readFile(rig.image), rig.bytes);
    EXPECT_TRUE(rig.w->Command6->isEnabled());

    rig.dialogs.answerNext(Answer::Yes);
    rig.w->Command6->click();
    const QByteArray written = readFile(rig.image);
    EXPECT_EQ(written.size(), 65536);
    EXPECT_EQ(byteOf(written, 30000), 200);
    EXPECT_EQ(written, rig.w->model().image());
    EXPECT_FALSE(rig.w->Command6->isEnabled());
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);
}

// A write that fails says so, and "Сохранить в файл" stays enabled.
TEST(fTabl, AFailedWriteBackIsReported) {
    LumetaRig rig;
    const QString sub = rig.dir.path() + QStringLiteral("/sub");
    QDir().mkpath(sub);
    const QString path = sub + QStringLiteral("/ecu.bin");
    makeImageFile(path);
    rig.open(path);
    rig.showAt(QStringLiteral("30000"));
    rig.correct(QStringLiteral("1"));
    QDir(sub).removeRecursively();
    rig.dialogs.answerNext(Answer::Yes);
    rig.w->Command6->click();
    expectMessage(rig.lastMessage(),
                  QStringLiteral("Не  удалось  сохранить  изменения  в  файл\r\n") + path,
                  QStringLiteral("Сохранение в файл"), Icon::Critical);
    EXPECT_TRUE(rig.w->Command6->isEnabled());
}

TEST(fTabl, ClosingAsksAboutChangesAndStoresTheAddress) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("30000"));
    rig.correct(QStringLiteral("3"));
    rig.w->Text1->setText(QStringLiteral("12345"));

    rig.dialogs.answerNext(Answer::Cancel);
    EXPECT_FALSE(rig.w->close());
    expectMessage(rig.lastMessage(), kChangedQuestion, QStringLiteral("Сохранение файла"),
                  Icon::Exclamation, Buttons::YesNoCancel, Answer::No);
    EXPECT_TRUE(rig.platform.calls.isEmpty());
    EXPECT_EQ(rig.settings.GetSetting(QStringLiteral("lumeta"), QStringLiteral("Adr"),
                                      QStringLiteral("a")),
              QString());

    rig.dialogs.answerNext(Answer::Yes);
    EXPECT_TRUE(rig.w->close());
    EXPECT_EQ(byteOf(readFile(rig.image), 30000), 3);
    EXPECT_EQ(rig.settings.GetSetting(QStringLiteral("lumeta"), QStringLiteral("Adr"),
                                      QStringLiteral("a")),
              QStringLiteral("12345"));
    EXPECT_EQ(rig.platform.calls, QStringList{QStringLiteral("desktop 1")});
}

TEST(fTabl, OpeningAnotherFileAsksFirst) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("30000"));
    rig.correct(QStringLiteral("3"));
    rig.dialogs.answerNext(Answer::Cancel); // stays with this image, no dialogue
    rig.w->Command4->click();
    EXPECT_EQ(rig.dialogs.fileCaptions.size(), 1);
    EXPECT_EQ(rig.w->model().byteAt(30000), 3);

    const QString other = rig.dir.path() + QStringLiteral("/other.bin");
    const QByteArray otherBytes = makeImageFile(other, 99);
    rig.dialogs.answerNext(Answer::No); // changes dropped
    rig.open(other);
    EXPECT_EQ(readFile(rig.image), rig.bytes);
    EXPECT_EQ(rig.w->model().image(), otherBytes);
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);

    // Unchanged, and changed outside by someone else.
    rig.dialogs.fileNext(rig.image);
    rig.w->Command4->click();
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);
    writeFile(rig.image, otherBytes);
    rig.dialogs.fileNext(other);
    rig.w->Command4->click();
    EXPECT_EQ(rig.lastMessage().text, kChangedQuestion);
}

// With no file named (the open dialogue cancelled) a correction is neither
// lost nor reported as a failed write: "Сохранить в файл" asks where to save
// it, and closing asks first.
TEST(fTabl, WithNoFileNamedTheUserNamesOne) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("30000"));
    rig.open(QString()); // "График" is off now, the view stays
    rig.correct(QStringLiteral("5"));
    ASSERT_TRUE(rig.w->model().fileName().isEmpty());

    // The save dialogue cancelled: nothing written, nothing said.
    rig.dialogs.answerNext(Answer::Yes);
    rig.w->Command6->click();
    ASSERT_EQ(rig.dialogs.fileCaptions.size(), 3);
    EXPECT_EQ(rig.dialogs.fileCaptions.last(), QStringLiteral("Сохранить файл прошивки ЭБУ"));
    EXPECT_EQ(rig.dialogs.overwriteConfirmed, QList<bool>{true});
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.lastMessage().text, kWriteQuestion);
    EXPECT_TRUE(rig.w->Command6->isEnabled());
    EXPECT_EQ(readFile(rig.image), rig.bytes);

    // Closing asks; "Отмена" keeps the window and the correction.
    rig.dialogs.answerNext(Answer::Cancel);
    EXPECT_FALSE(rig.w->close());
    expectMessage(rig.lastMessage(), kChangedQuestion, QStringLiteral("Сохранение файла"),
                  Icon::Exclamation, Buttons::YesNoCancel, Answer::No);
    EXPECT_EQ(rig.w->model().byteAt(30000), 5);

    // Named: the whole image goes there, and the file is named from now on.
    const QString named = rig.dir.path() + QStringLiteral("/named.bin");
    rig.dialogs.answerNext(Answer::Yes);
    rig.dialogs.fileNext(named);
    rig.w->Command6->click();
    EXPECT_EQ(readFile(named), rig.w->model().image());
    EXPECT_EQ(byteOf(readFile(named), 30000), 5);
    EXPECT_EQ(rig.w->model().fileName(), named);
    EXPECT_FALSE(rig.w->Command6->isEnabled());
    const std::size_t asked = rig.dialogs.messages.size();
    EXPECT_TRUE(rig.w->close());
    EXPECT_EQ(rig.dialogs.messages.size(), asked);
}

namespace {

// A folder on a small disk of its own (a tmpfs, which needs the right to
// mount), full or read-only; mounted() tells whether it could be made.
struct SmallDisk {
    QTemporaryDir dir;
    bool mounted_ = false;
    explicit SmallDisk(bool readOnly) {
#ifdef Q_OS_LINUX
        const unsigned long flags = readOnly ? static_cast<unsigned long>(MS_RDONLY) : 0UL;
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", flags,
                           "size=16k") == 0;
#else
        Q_UNUSED(readOnly);
#endif
    }
    ~SmallDisk() {
#ifdef Q_OS_LINUX
        if (mounted_) ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
#endif
    }
    bool mounted() const {
        return mounted_;
    }
    QString path() const {
        return dir.path();
    }
};

} // namespace

// A picture that cannot be saved is reported with its real cause; the
// message about WScript.exe is kept for a desktop folder that is not known.
TEST(fTabl, PictureSaveFailuresNameTheirCause) {
    const QString wscript =
        QStringLiteral("Не  возможно  сохранить  рисунок,  Файл  WScript.exe  не  найден");
    enum Where { Unknown, FileInTheWay, ReadOnly, Full };
    for (Where where : {Unknown, FileInTheWay, ReadOnly, Full}) {
        SCOPED_TRACE(where);
        LumetaRig rig;
        rig.open(rig.image);
        std::unique_ptr<SmallDisk> disk;
        QString reason;
        switch (where) {
        case Unknown:
            rig.platform.desktop.clear();
            break;
        case FileInTheWay:
            writeFile(rig.platform.desktop, "x");
            reason = QStringLiteral("на месте папки ") +
                     QDir::toNativeSeparators(rig.platform.desktop) +
                     QStringLiteral(" находится файл");
            break;
        case ReadOnly:
        case Full:
            if (where == ReadOnly && geteuid() != 0) {
                QDir().mkpath(rig.platform.desktop);
                QFile::setPermissions(rig.platform.desktop, QFile::ReadOwner | QFile::ExeOwner);
            } else {
                disk = std::make_unique<SmallDisk>(where == ReadOnly);
                if (!disk->mounted()) {
                    std::cout << "[ SKIPPED  ] no small disk can be mounted here\n";
                    continue;
                }
                rig.platform.desktop = disk->path();
            }
            reason = where == ReadOnly ? QStringLiteral("нет права записи в папку")
                                       : QStringLiteral("на диске нет места");
            break;
        }
        rig.w->Command7->click();
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        if (where == Unknown) {
            expectMessage(rig.lastMessage(), wscript, QStringLiteral("Таблицы"), Icon::Critical);
        } else {
            const QString picture = QDir::toNativeSeparators(
                QDir(rig.platform.desktop).filePath(QStringLiteral("Рисунок1.bmp")));
            expectMessage(rig.lastMessage(),
                          QStringLiteral("Не  возможно  сохранить  рисунок\r\n") + picture +
                              QStringLiteral("\r\nПричина: ") + reason,
                          QStringLiteral("Сохранение графиков"), Icon::Critical);
            EXPECT_FALSE(QFile::exists(QDir(rig.platform.desktop).filePath("Рисунок1.bmp")))
                << "no half-written picture takes the name";
        }
        QFile::setPermissions(rig.platform.desktop,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

// ------------------------------------------------------------ picture, colours, desktop, drag

TEST(fTabl, SavePictureToTheDesktop) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("39915"));
    rig.w->Command7->click();
    const QString first = rig.platform.desktop + QStringLiteral("/Рисунок1.bmp");
    ASSERT_TRUE(QFile::exists(first));
    EXPECT_EQ(QImage(first).convertToFormat(QImage::Format_RGB32), rig.w->Picture1->picture());
    EXPECT_TRUE(rig.dialogs.messages.empty());

    for (int n = 2; n <= 41; ++n)
        rig.w->Command7->click();
    EXPECT_TRUE(QFile::exists(rig.platform.desktop + QStringLiteral("/Рисунок41.bmp")));
    rig.w->Command7->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(rig.lastMessage(),
                  QStringLiteral("Слишком много рисунков переименуйте или удалите их"),
                  QStringLiteral("Сохранение графиков"), Icon::Exclamation);
    EXPECT_EQ(QDir(rig.platform.desktop).entryList(QDir::Files).size(), 41);

    rig.platform.desktop.clear(); // no desktop folder known
    rig.w->Command7->click();
    expectMessage(
        rig.lastMessage(),
        QStringLiteral("Не  возможно  сохранить  рисунок,  Файл  WScript.exe  не  найден"),
        QStringLiteral("Таблицы"), Icon::Critical);
}

TEST(fTabl, InvertedColours) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("20000"));
    rig.w->Check1->setChecked(true);
    EXPECT_TRUE(rig.w->inverted());
    EXPECT_EQ(rig.w->Picture1->picture(), finder::renderProfile(rig.bytes, 20000 - 256, true));
    rig.w->Check1->setChecked(false);
    EXPECT_EQ(rig.w->Picture1->picture(), finder::renderProfile(rig.bytes, 20000 - 256, false));
}

TEST(fTabl, DesktopHiddenAndShownAgain) {
    LumetaRig rig;
    rig.w->Check2->setChecked(false);
    rig.w->Check2->setChecked(true);
    rig.w->Check2->setChecked(false);
    EXPECT_TRUE(rig.w->close()); // closing shows it again
    EXPECT_EQ(rig.platform.calls,
              (QStringList{QStringLiteral("desktop 0"), QStringLiteral("desktop 1"),
                           QStringLiteral("desktop 0"), QStringLiteral("desktop 1")}));
}

TEST(fTabl, DraggingTheProfile) {
    LumetaRig rig;
    rig.open(rig.image);
    rig.showAt(QStringLiteral("10256")); // start 10000
    rig.mouse(QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
    EXPECT_EQ(rig.w->Picture1->cursor().shape(), Qt::BitmapCursor);
    rig.mouse(QEvent::MouseMove, QPointF(200, 120), Qt::LeftButton); // left: higher addresses
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("10356"));
    EXPECT_EQ(rig.w->Picture1->cursor().shape(), Qt::BitmapCursor);
    rig.mouse(QEvent::MouseMove, QPointF(600, 120), Qt::LeftButton); // outside: nothing moves
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("10356"));
    EXPECT_FALSE(rig.w->Picture1->testAttribute(Qt::WA_SetCursor));
    rig.mouse(QEvent::MouseButtonRelease, QPointF(600, 120), Qt::NoButton);
    EXPECT_FALSE(rig.w->Picture1->testAttribute(Qt::WA_SetCursor));
    rig.w->Command2->click(); // the drag is part of the base now
    EXPECT_EQ(rig.w->Label4->text(), QStringLiteral("10357"));
}
