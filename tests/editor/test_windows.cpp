// The main window's menus and file actions, the ECU window against the
// simulated ECU, the change list window, closing, and the command line.
#include "FermelRig.h"
#include "editor/CommandLine.h"
#include "editor/RibbonView.h"
#include "editor/RowEditor.h"
#include "editor/fRazn.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>

using namespace editor;
using common::Answer;
using common::Buttons;
using common::Icon;
using kline::Request;

namespace {

const QString kGiveUp = QStringLiteral("Данный  тип  ЭБУ  режим  чтения  таблиц  не  поддерживает");
const QString kNoChanges = QStringLiteral("Изменения  в  файле  прошивки  не  обнаружены.");

struct Window : ::testing::Test {
    FermelRig rig;
    QByteArray file = sim::Ecu::defaultImage(2);
    QByteArray ecuImage = sim::Ecu::defaultImage(6);
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        // The ECU's tables differ from the file's in every fifth byte.
        for (EngineType e : {EngineType::Zmz4063, EngineType::Standard})
            for (int i = 0; i < kBlockSize; i += 5)
                ecuImage[blockOffset(e) + i] =
                    static_cast<char>(ecuImage[blockOffset(e) + i] ^ 0x11);
        ASSERT_TRUE(rig.sim->ecu.setImage(ecuImage));
    }
    fRedact& w() { return rig.w(); }
    QString path() { return rig.writeFile(QStringLiteral("a.bin"), file); }
    std::vector<bool> fileMenuEnabled() {
        std::vector<bool> out;
        for (QAction* a : w().Mnu)
            out.push_back(a->isEnabled());
        return out;
    }
    // The table bytes of an image at the engine type's block, trailing byte
    // excluded.
    static QByteArray tablesOf(const QByteArray& image, EngineType e) {
        return image.mid(blockOffset(e), kBlockSize - 1);
    }
    QByteArray workingTables() {
        return QByteArray(reinterpret_cast<const char*>(w().document.working.data()),
                          kBlockSize - 1);
    }
    void loadFromEcu(int ticks = 50, std::function<void(fHten&)> after = {}) {
        rig.modal.push_back(FermelRig::runLoader(ticks, std::move(after)));
        w().menuFromEcu();
    }
    // A fresh window and dialogs, for one case of a table.
    void restart() {
        rig.window.reset();
        rig.dialogs = common::RecordingDialogs();
        rig.modal.clear();
        rig.modalsShown.clear();
    }
    // Drags marker k of the row editor by ten half degrees with the mouse,
    // down when the value is high; the new value.
    int drag(int k) {
        RowEditor& e = *w().Picture1;
        const int top = e.markerTopOf(k);
        const QPoint at(markerLeft(k) + 2, top + 2);
        e.pressAt(at);
        e.dragTo(at + QPoint(0, top < 63 ? 10 : -10));
        e.releaseAt(Qt::LeftButton);
        return 123 - e.markerTopOf(k);
    }
    // Both views drawn from the working block as it is now.
    ::testing::AssertionResult viewsShowTheWorkingBlock() {
        const Block& b = w().document.working;
        for (int k = 0; k < kColumns; ++k) {
            const int v =
                b[static_cast<std::size_t>(cellOffset(w().currentTable(), k, w().selectedRow()))];
            if (w().Picture1->markerTopOf(k) != 123 - v)
                return ::testing::AssertionFailure()
                       << "marker " << k << " at " << w().Picture1->markerTopOf(k) << ", value "
                       << v;
        }
        if (w().Picture3->ribbons().polygons !=
            makeRibbons(b, w().currentTable(), w().shape(), RibbonView::kHeight).polygons)
            return ::testing::AssertionFailure() << "the ribbons show other values";
        return ::testing::AssertionSuccess();
    }
};

const QString kNoFileQuestion =
    QStringLiteral("Данные  прошивки  были  изменены.\r\nСохранить  изменения  в  файл?");

} // namespace

// ============================================================ the window

TEST_F(Window, MenusControlsAndTheirStartingState) {
    EXPECT_EQ(w().windowTitle(), QStringLiteral("Fermel"));
    EXPECT_EQ(w().mnuFile->title(), QStringLiteral("Файл"));
    const QStringList captions{
        QStringLiteral("Открыть"),           QStringLiteral("Из ЭБУ"),
        QStringLiteral("Сохранить"),         QStringLiteral("Сохранить в файл..."),
        QStringLiteral("Сохранить в ЭБУ"),   QStringLiteral("Отменить все"),
        QStringLiteral("Показать изменения")};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(w().Mnu[static_cast<std::size_t>(i)]->text(), captions[i]);
        EXPECT_EQ(w().findChild<QAction*>(QStringLiteral("Mnu(%1)").arg(i)),
                  w().Mnu[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, false, false, false, false, true}));
    EXPECT_EQ(w().mnuParam->title(), QStringLiteral("Параметры"));
    EXPECT_EQ(w().mUoz[0]->text(), QStringLiteral("УОЗ от температуры ОЖ"));
    EXPECT_FALSE(w().mUoz[0]->isEnabled());
    EXPECT_EQ(w().mUoz[1]->text(), QStringLiteral("УОЗ от оборотов и разряжения"));
    EXPECT_TRUE(w().mUoz[1]->isChecked());
    w().mUoz[1]->trigger();
    EXPECT_TRUE(w().mUoz[1]->isChecked()) << "no action: stays ticked";

    EXPECT_TRUE(w().Option1[3]->isChecked());
    EXPECT_EQ(w().currentTable(), 3);
    const QStringList tables{QStringLiteral("Таблица 2"), QStringLiteral("Экономичный режим"),
                             QStringLiteral("Таблица 1"), QStringLiteral("Мощностной режим")};
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(w().Option1[static_cast<std::size_t>(t)]->text(), tables[t]);
    EXPECT_EQ(w().Frame1->title(), QStringLiteral("Выбор таблицы зависимости"));
    EXPECT_EQ(w().Frame2->title(), QStringLiteral("Настройка графика"));
    EXPECT_EQ(w().Check1->text(), QStringLiteral("Рамка"));
    EXPECT_EQ(w().Check3->text(), QStringLiteral("Совместить таблицы"));
    EXPECT_EQ(w().Check2->text(), QStringLiteral("ЗМЗ 4063"));
    EXPECT_FALSE(w().Check2->isChecked());
    EXPECT_TRUE(w().Check2->isEnabled());
    const int ranges[4][3] = {{5, 30, 16}, {-20, 20, 5}, {2, 20, 20}, {-45, 45, -8}};
    for (int i = 0; i < 4; ++i) {
        const QSlider* s = w().Slider1[static_cast<std::size_t>(i)];
        EXPECT_EQ(s->minimum(), ranges[i][0]);
        EXPECT_EQ(s->maximum(), ranges[i][1]);
        EXPECT_EQ(s->value(), ranges[i][2]);
        EXPECT_EQ(s->accessibleName(), QStringLiteral("Slider1(%1)").arg(i));
    }
    EXPECT_EQ(w().Slider1[0]->orientation(), Qt::Vertical);
    EXPECT_EQ(w().Picture3->accessibleName(), QStringLiteral("Picture3"));
    EXPECT_EQ(w().Picture1->accessibleName(), QStringLiteral("Picture1"));
    EXPECT_EQ(w().Label1->text(), QStringLiteral("Обороты"));
    EXPECT_EQ(w().Label6->text(), QStringLiteral("Расход воздуха мг/такт"));
    // The legend: row 15 on top.
    EXPECT_EQ(w().Label2[0]->text(), QStringLiteral("6400"));
    EXPECT_EQ(w().Label2[15]->text(), QStringLiteral("480"));
    EXPECT_EQ(w().Shape2[0]->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(w().Shape2[15]->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(w().Shape2[4]->accessibleName(), QStringLiteral("Shape2(4)"));
    EXPECT_EQ(w().Label4[0]->text(), QStringLiteral("60 144 228 312 396 480 564 648"));
    EXPECT_EQ(w().Label4[1]->text(), QStringLiteral("102 186 270 354 438 522 606 690"));
    // The row editor shows only its background.
    for (int k = 0; k < 16; ++k) {
        EXPECT_TRUE(w().Picture1->Shape1[static_cast<std::size_t>(k)]->isHidden());
        EXPECT_TRUE(w().Picture1->Label3[static_cast<std::size_t>(k)]->isHidden());
        EXPECT_FALSE(w().Picture1->Line1[static_cast<std::size_t>(k + 1)].visible);
    }
}

TEST_F(Window, EngineTypeComesFromTheSettingAndIsStoredAtClose) {
    rig.settings.SaveSetting(QStringLiteral("Fermel"), QStringLiteral("Redact"),
                             QStringLiteral("Dvigatel"), QStringLiteral("1"));
    EXPECT_TRUE(w().Check2->isChecked());
    EXPECT_EQ(w().document.engine, EngineType::Zmz4063);
    rig.open(path());
    EXPECT_EQ(workingTables(), tablesOf(file, EngineType::Zmz4063));
    EXPECT_FALSE(w().Check2->isEnabled());
    EXPECT_TRUE(w().close());
    EXPECT_EQ(rig.setting(QStringLiteral("Redact"), QStringLiteral("Dvigatel")),
              QStringLiteral("1"));
}

// ============================================================ file menu

TEST_F(Window, OpenEnablesTheSaveItemsAndLocksTheEngineType) {
    rig.open(path());
    EXPECT_EQ(rig.dialogs.fileCaptions, QStringList{QStringLiteral("Открыть файл прошивки МИКАС")});
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, true, true, false, true, true}));
    EXPECT_FALSE(w().Check2->isEnabled());
    EXPECT_EQ(workingTables(), tablesOf(file, EngineType::Standard));
    EXPECT_FALSE(w().Picture1->Shape1[0]->isHidden()) << "the table is shown";
    EXPECT_EQ(w().Picture3->ribbons().polygons[0],
              ribbonPolygon(w().document.working, 3, 0, RibbonShape{}, RibbonView::kHeight));

    // A refused file changes neither blocks nor menus.
    const Block before = w().document.working;
    rig.open(rig.writeFile(QStringLiteral("odd.bin"), QByteArray(65535, 1)));
    EXPECT_EQ(rig.dialogs.messages.back().text,
              QStringLiteral("Этот  файл  не  является  правильным  файлом  прошивки"));
    EXPECT_EQ(w().document.working, before);
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, true, true, false, true, true}));
    // A cancelled open frees the engine type again.
    rig.open(QString());
    EXPECT_TRUE(w().Check2->isEnabled());
    w().Check2->setChecked(true);
    rig.open(path());
    EXPECT_EQ(workingTables(), tablesOf(file, EngineType::Zmz4063));
}

TEST_F(Window, SaveAsksFirstAboutEditsThenWrites) {
    const QString p = path();
    rig.open(p);
    w().document.working[784] = 77;
    rig.dialogs.answerNext(Answer::Yes);
    w().menuSave();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].buttons, Buttons::YesNoCancel);
    QByteArray expected = file;
    expected[blockOffset(EngineType::Standard) + 784] = 77;
    EXPECT_EQ(FermelRig::read(p), expected);
    // Cancel at the question: nothing written.
    w().document.working[785] = 78;
    w().menuSave();
    EXPECT_EQ(FermelRig::read(p), expected);
    EXPECT_EQ(w().document.working[785], 78);
}

// "Нет" at the question before a menu action keeps the edits out of the
// current file: the views then show the working block as it is, and an image
// chosen with "Сохранить в файл..." gets the edits that were on screen.
TEST_F(Window, AnswerNoLeavesTheViewsTrueAndTheOtherImageGetsTheEdits) {
    const QByteArray other = sim::Ecu::defaultImage(9);
    const int cell = cellOffset(3, 1, 0);
    for (int action : {2, 3, 1}) { // "Сохранить", "Сохранить в файл...", "Из ЭБУ"
        SCOPED_TRACE(w().Mnu[static_cast<std::size_t>(action)]->text().toStdString());
        restart();
        const QString a = path();
        const QString b = rig.writeFile(QStringLiteral("b.bin"), other);
        rig.open(a);
        const int before = w().document.working[cell];
        const int dragged = drag(1);
        ASSERT_EQ(w().document.working[cell], dragged);
        ASSERT_NE(dragged, before);
        rig.dialogs.answerNext(Answer::No);
        if (action == 3) {
            rig.dialogs.fileNext(b);
            rig.dialogs.answerNext(Answer::Yes); // "Изменить  файл?"
        }
        if (action == 1) rig.modal.push_back(FermelRig::runLoader(0)); // closed at once
        w().Mnu[static_cast<std::size_t>(action)]->trigger();

        EXPECT_EQ(rig.dialogs.messages.front().text.left(33),
                  QStringLiteral("Данные  прошивки  были  изменены."));
        EXPECT_EQ(FermelRig::read(a), file);
        EXPECT_EQ(w().document.working[cell], action == 3 ? dragged : before);
        EXPECT_TRUE(viewsShowTheWorkingBlock());
        if (action == 3) {
            QByteArray expected = other;
            expected.replace(
                blockOffset(EngineType::Standard), kBlockSize,
                QByteArray(reinterpret_cast<const char*>(w().document.working.data()), kBlockSize));
            EXPECT_EQ(FermelRig::read(b), expected);
        }
    }
}

// Data that no file holds (edits after a cancelled Open, tables read from the
// ECU with no file open) is never dropped without a question: closing,
// "Открыть" and "Из ЭБУ" ask, and "Отмена" keeps the data and stops there.
TEST_F(Window, DataNoFileHoldsIsNeverDroppedWithoutAQuestion) {
    for (bool fromEcu : {false, true}) {
        for (int exit : {-1, 0, 1}) { // closing, "Открыть", "Из ЭБУ"
            SCOPED_TRACE(testing::Message() << "from the ECU " << fromEcu << ", exit " << exit);
            restart();
            if (fromEcu) {
                loadFromEcu();
            } else {
                rig.open(path());
                rig.open(QString());
                drag(4);
            }
            ASSERT_TRUE(w().document.fileName.isEmpty());
            const Block data = w().document.working;
            rig.dialogs.messages.clear();
            rig.dialogs.fileCaptions.clear();
            rig.modalsShown.clear();
            rig.dialogs.answerNext(Answer::Cancel);
            w().show();
            bool stayed = false;
            if (exit == -1) {
                stayed = !w().close();
            } else {
                w().Mnu[static_cast<std::size_t>(exit)]->trigger();
                stayed = rig.dialogs.fileCaptions.isEmpty() && rig.modalsShown.isEmpty();
            }
            ASSERT_EQ(rig.dialogs.messages.size(), 1u);
            const common::MessageCall& m = rig.dialogs.messages[0];
            EXPECT_EQ(m.text, kNoFileQuestion);
            EXPECT_EQ(m.caption, QStringLiteral("Fermel"));
            EXPECT_EQ(m.icon, Icon::Question);
            EXPECT_EQ(m.buttons, Buttons::YesNoCancel);
            EXPECT_EQ(m.defaultButton, Answer::Cancel);
            EXPECT_TRUE(stayed);
            EXPECT_EQ(w().document.working, data);
        }
    }
}

// With no file open only the bytes that were read or edited are written: the
// block's trailing byte is never read from the ECU, so an image written after
// "Из ЭБУ" keeps its own. The image chosen for "Сохранить" or for "Да" at the
// question becomes the current file; data written once is not asked about again.
TEST_F(Window, WithNoFileOnlyBytesReadOrEditedAreWritten) {
    QByteArray other = sim::Ecu::defaultImage(9);
    const int trailing = blockOffset(EngineType::Standard) + kTrailingByte; // 0xA11B
    other[trailing] = static_cast<char>(0xA5);
    enum How { SaveInto, CloseYes, Save };
    for (How how : {SaveInto, CloseYes, Save}) {
        SCOPED_TRACE(how);
        restart();
        const QString target = rig.writeFile(QStringLiteral("b.bin"), other);
        if (how == Save) {
            rig.open(path());
            rig.open(QString());
            drag(2);
        } else {
            loadFromEcu();
        }
        const Block data = w().document.working;
        rig.dialogs.messages.clear();
        rig.dialogs.fileNext(target);
        if (how == CloseYes) rig.dialogs.answerNext(Answer::Yes); // the question
        rig.dialogs.answerNext(Answer::Yes);                      // "Изменить  файл?"
        w().show();
        if (how == SaveInto) w().Mnu[3]->trigger();
        if (how == Save) w().Mnu[2]->trigger();
        if (how == CloseYes) {
            EXPECT_TRUE(w().close());
        }

        ASSERT_FALSE(rig.dialogs.fileCaptions.isEmpty());
        EXPECT_EQ(rig.dialogs.fileCaptions.last(),
                  QStringLiteral("Выбрать файл прошивки МИКАС для изменения"));
        ASSERT_FALSE(rig.dialogs.messages.empty());
        EXPECT_EQ(rig.dialogs.messages.back().text,
                  QStringLiteral("Сейчас  файл  будет  необратимо  изменен.\r\nИзменить  файл?"));
        QByteArray expected = other;
        expected.replace(blockOffset(EngineType::Standard), kBlockSize - 1, workingTables());
        if (how == Save) expected[trailing] = static_cast<char>(data[kTrailingByte]);
        EXPECT_EQ(FermelRig::read(target), expected);
        if (how == Save) {
            EXPECT_EQ(rig.dialogs.messages.size(), 1u) << "no question before the dialog";
            EXPECT_EQ(w().document.fileName, target);
            EXPECT_TRUE(w().Mnu[2]->isEnabled());
            EXPECT_FALSE(w().Check2->isEnabled());
            EXPECT_TRUE(w().document.changeList().empty());
        }
        if (how != CloseYes) {
            const std::size_t asked = rig.dialogs.messages.size();
            EXPECT_TRUE(w().close());
            EXPECT_EQ(rig.dialogs.messages.size(), asked);
        }
    }
}

// Every image is listed: the patterns match names whatever their case, and
// "Все файлы" lists a dump without an extension.
TEST_F(Window, FileDialogsListEveryImage) {
    const QString folder = rig.dir.path() + QStringLiteral("/images");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList names{QStringLiteral("Mixed.Bin"), QStringLiteral("UPPER.BIN"),
                            QStringLiteral("dump"), QStringLiteral("lower.bin"),
                            QStringLiteral("notes.txt")};
    for (const QString& n : names)
        rig.writeFile(QStringLiteral("images/") + n, file);
    rig.open(path());
    for (int item : {3, 0}) { // "Сохранить в файл...", "Открыть"
        w().Mnu[static_cast<std::size_t>(item)]->trigger();
        EXPECT_EQ(rig.dialogs.listed(folder, 0), (QStringList{names[0], names[1], names[3]}))
            << item;
        EXPECT_EQ(rig.dialogs.listed(folder, 3), names) << item;
    }
    EXPECT_EQ(rig.dialogs.fileFilters.size(), 3);
}

TEST_F(Window, UndoAllRestoresTheFileTables) {
    rig.open(path());
    w().document.working[0] = 1;
    w().document.working[1000] = 2;
    w().Mnu[5]->trigger();
    EXPECT_EQ(workingTables(), tablesOf(file, EngineType::Standard));
    EXPECT_EQ(w().Picture1->markerTopOf(0), 123 - w().document.working[768]);
}

// ============================================================ change list

TEST_F(Window, ChangeListWindowAndItsAbsence) {
    rig.open(path());
    w().Mnu[6]->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kNoChanges);
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Fermel"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, Icon::Information);
    EXPECT_TRUE(rig.modalsShown.isEmpty());

    w().document.working[0] = static_cast<std::uint8_t>(w().document.working[0] + 3);
    w().document.working[700] = 9;
    QStringList lines;
    QString caption, heading;
    rig.modal.push_back([&](QDialog& d) {
        auto& r = static_cast<fRazn&>(d);
        caption = r.windowTitle();
        heading = r.Label1->text();
        for (int i = 0; i < r.List1->count(); ++i)
            lines << r.List1->item(i)->text();
    });
    w().Mnu[6]->trigger();
    EXPECT_EQ(rig.modalsShown, QStringList{QStringLiteral("fRazn")});
    EXPECT_EQ(caption, QStringLiteral("Изменеия в файле прошивки"));
    EXPECT_EQ(heading, QStringLiteral("Адрес       Данное         Заменено на"));
    const int v0 = static_cast<std::uint8_t>(file[blockOffset(EngineType::Standard)]);
    const int v700 = static_cast<std::uint8_t>(file[blockOffset(EngineType::Standard) + 700]);
    EXPECT_EQ(lines,
              (QStringList{
                  QStringLiteral("40220           %1                       %2").arg(v0).arg(v0 + 3),
                  QStringLiteral("40920           %1                       9").arg(v700)}));
    // After a save the list is empty again.
    rig.dialogs.answerNext(Answer::Yes);
    w().menuSave();
    w().Mnu[6]->trigger();
    EXPECT_EQ(rig.dialogs.messages.back().text, kNoChanges);
}

// ================================================================ closing

TEST_F(Window, ClosingChecksForUnsavedEdits) {
    // Nothing loaded: the window closes without a question.
    EXPECT_TRUE(w().close());
    EXPECT_TRUE(rig.dialogs.messages.empty());

    rig.window.reset();
    rig.open(path());
    w().show();
    w().document.working[9] ^= 0xFF;
    const Block edited = w().document.working;
    rig.dialogs.answerNext(Answer::Cancel);
    EXPECT_FALSE(w().close());
    EXPECT_TRUE(w().isVisible());
    EXPECT_EQ(w().document.working, edited) << "the edits are intact";
    EXPECT_EQ(rig.dialogs.messages.back().text.left(33),
              QStringLiteral("Данные  прошивки  были  изменены."));
    rig.dialogs.answerNext(Answer::No);
    EXPECT_TRUE(w().close());
    EXPECT_EQ(FermelRig::read(rig.dir.path() + QStringLiteral("/a.bin")), file);
}

// ================================================== loading from the ECU

TEST_F(Window, TablesFromTheEcu) {
    w().Check2->setChecked(true);
    loadFromEcu();
    EXPECT_EQ(rig.modalsShown, QStringList{QStringLiteral("fHten")});
    const std::vector<Request> seen = rig.requests();
    EXPECT_EQ(seen, (std::vector<Request>{{1},
                                          {81},
                                          {37, 249, 152, 0},
                                          {37, 249, 153, 0},
                                          {37, 249, 154, 0},
                                          {37, 249, 155, 0}}));
    EXPECT_EQ(workingTables(), tablesOf(ecuImage, EngineType::Zmz4063));
    EXPECT_EQ(w().document.working[kTrailingByte], 0) << "the trailing byte is not read";
    EXPECT_EQ(w().document.saved, Block{});
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, false, true, false, false, true}));
    EXPECT_FALSE(w().Picture1->Shape1[0]->isHidden());
    EXPECT_EQ(rig.setting(QStringLiteral("Chten"), QStringLiteral("Com")), QStringLiteral("1"));
    EXPECT_TRUE(rig.dialogs.messages.empty());

    // No file was opened: every non-zero byte is a change against 0.
    const std::vector<Change> list = w().document.changeList();
    int nonZero = 0;
    for (int i = 0; i < kBlockSize - 1; ++i)
        nonZero += w().document.working[static_cast<std::size_t>(i)] != 0;
    ASSERT_EQ(static_cast<int>(list.size()), nonZero);
    for (const Change& c : list)
        EXPECT_EQ(c.saved, 0);
    EXPECT_EQ(changeLine(list.front(), EngineType::Zmz4063).left(5),
              QString::number(39162 + list.front().offset));
    // Undo all: back to zeros.
    w().menuUndoAll();
    EXPECT_EQ(w().document.working, Block{});
}

TEST_F(Window, EcuTablesAgainstTheLastOpenedFile) {
    const QString p = path();
    rig.open(p);
    w().document.working[3] ^= 1;
    rig.dialogs.answerNext(Answer::No); // drop the edit first
    loadFromEcu();
    EXPECT_EQ(workingTables(), tablesOf(ecuImage, EngineType::Standard));
    EXPECT_EQ(w().document.working[kTrailingByte],
              static_cast<std::uint8_t>(file[blockOffset(EngineType::Standard) + 1024]));
    EXPECT_EQ(w().document.fileName, p);
    // The changes are the differences between the ECU's tables and the file.
    EXPECT_EQ(w().document.changeList(),
              changes(FermelRig::blockOf(file, EngineType::Standard), w().document.working));
    EXPECT_FALSE(w().document.changeList().empty());
    // Undo all restores the file's tables.
    w().menuUndoAll();
    EXPECT_EQ(workingTables(), tablesOf(file, EngineType::Standard));
    EXPECT_EQ(FermelRig::read(p), file);
}

TEST_F(Window, NoEchoIsShownAndRetried) {
    rig.sim->adapter.setFault(sim::LineFault::NoEcho);
    bool running = false;
    QString status;
    loadFromEcu(3, [&](fHten& h) {
        running = h.Timer1->isActive();
        status = h.Label1->text();
    });
    EXPECT_TRUE(running);
    EXPECT_EQ(status, QStringLiteral("Адаптер не включен"));
    EXPECT_TRUE(rig.requests().empty());
    EXPECT_EQ(w().document.working, Block{});
    // Closed by hand: the save items stay disabled.
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, false, false, false, false, true}));
}

TEST_F(Window, GivingUpAfterFourFailedDownloads) {
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (!r.empty() && r[0] == 37) reply.reset();
    };
    QString lastStatus;
    int attemptsLeft = -1;
    bool finished = false;
    loadFromEcu(50, [&](fHten& h) {
        lastStatus = h.Label1->text();
        attemptsLeft = h.attempts();
        finished = h.finished();
    });
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kGiveUp);
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Fermel"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, Icon::Exclamation);
    EXPECT_EQ(attemptsLeft, 0);
    EXPECT_TRUE(finished);
    const std::vector<Request> probe{{1}, {81}, {37, 27, 157, 0}};
    std::vector<Request> expected;
    for (int i = 0; i < 4; ++i)
        expected.insert(expected.end(), probe.begin(), probe.end());
    expected.push_back({1});
    expected.push_back({81});
    EXPECT_EQ(rig.requests(), expected);
    EXPECT_EQ(w().document.working, Block{});
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, false, false, false, false, true}));
}

TEST_F(Window, AShortTableReplyIsAFailedRead) {
    int reads = 0;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>& reply) {
        if (!r.empty() && r[0] == 37 && r[2] == 159 && reply) {
            ++reads;
            if (reads == 1) reply->resize(258); // one table byte short, once
        }
    };
    loadFromEcu();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(workingTables(), tablesOf(ecuImage, EngineType::Standard));
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Window, BusyPortAndTheOtherPort) {
    rig.script->busy.insert(QStringLiteral("script"));
    rig.settings.SaveSetting(QStringLiteral("Fermel"), QStringLiteral("Chten"),
                             QStringLiteral("Com"), QStringLiteral("2"));
    bool runningAfterFailure = true;
    QString status = QStringLiteral("?");
    loadFromEcu(50, [&](fHten& h) {
        EXPECT_TRUE(h.Option1[2]->isChecked());
        EXPECT_EQ(h.windowTitle(), QStringLiteral("Загрузка таблиц из ЭБУ   Микас 7.ХХ"));
        EXPECT_EQ(h.Option1[1]->text(), QStringLiteral("COM1"));
        EXPECT_EQ(h.cursor().shape(), Qt::BusyCursor);
        runningAfterFailure = h.Timer1->isActive();
        status = h.Label1->text();
        // The user picks COM1: the probe starts and the tables come.
        h.Option1[1]->click();
        EXPECT_TRUE(h.Timer1->isActive());
        while (h.Timer1->isActive())
            h.timer1Tick();
    });
    ASSERT_GE(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(
        rig.dialogs.messages[0].text,
        QStringLiteral(
            "Порт  коммуникации 2, занят  или  не  существует.\r\nПопробуйте  выбрать  другой."));
    EXPECT_EQ(rig.dialogs.messages[0].caption, QStringLiteral("Fermel"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, Icon::Critical);
    EXPECT_FALSE(runningAfterFailure);
    EXPECT_TRUE(status.isEmpty());
    EXPECT_EQ(workingTables(), tablesOf(ecuImage, EngineType::Standard));
    EXPECT_EQ(rig.setting(QStringLiteral("Chten"), QStringLiteral("Com")), QStringLiteral("1"));
}

TEST_F(Window, TheStatusBlinksWhileProbingOnly) {
    // Without an echo each probe toggles the colour once (its first echo read).
    rig.sim->adapter.setFault(sim::LineFault::NoEcho);
    const QColor grey(224, 224, 224), red(224, 31, 31);
    std::vector<QColor> colours;
    loadFromEcu(1, [&](fHten& h) {
        auto colour = [&] { return h.Label1->palette().color(QPalette::Window); };
        colours.push_back(colour());
        h.timer1Tick();
        colours.push_back(colour());
        h.timer1Tick();
        colours.push_back(colour());
        // The line comes back: the download starts on light grey and no
        // longer blinks.
        rig.sim->adapter.setFault(sim::LineFault::None);
        h.timer1Tick();
        colours.push_back(colour());
        EXPECT_FALSE(h.isVisible());
    });
    EXPECT_EQ(colours, (std::vector<QColor>{red, grey, red, grey}));
    EXPECT_EQ(workingTables(), tablesOf(ecuImage, EngineType::Standard));
}

TEST_F(Window, AFailingPortNeverSpins) {
    // A port that opens but whose every write fails at once.
    struct DeadPort : kline::SerialPort {
        int* writes;
        explicit DeadPort(int* w) : writes(w) {}
        bool open(const QString&) override { return true; }
        void close() override {}
        bool isOpen() const override { return true; }
        qint64 write(const QByteArray&) override {
            ++*writes;
            return -1;
        }
        QByteArray read(int, int) override { return {}; }
        void purgeInput() override {}
        bool setDtr(bool) override { return true; }
        bool setRts(bool) override { return true; }
    };
    int writes = 0;
    rig.ports.setDevice(1, QStringLiteral("dead"));
    rig.extraFactory = [&](const QString&) { return std::make_unique<DeadPort>(&writes); };
    double cpuMs = 0;
    rig.modal.push_back([&](QDialog& d) {
        auto& h = static_cast<fHten&>(d);
        h.show();
        const std::clock_t cpu = std::clock();
        QElapsedTimer wall;
        wall.start();
        while (wall.elapsed() < 300)
            QTest::qWait(20);
        cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        EXPECT_EQ(h.Label1->text(), QStringLiteral("Ошибка адаптера"));
        EXPECT_GE(h.Timer1->interval(), 10);
        h.close();
    });
    w().menuFromEcu();
    EXPECT_GT(writes, 3);
    EXPECT_LE(writes, 300 / fHten::kMinTickMs + 3);
    EXPECT_LT(cpuMs, 150.0);
}

// =========================================================== command line

TEST(CommandLineTest, PortsFileHelpAndVersion) {
    kline::PortMap ports;
    CommandLine c = parseCommandLine(
        {QStringLiteral("--port"), QStringLiteral("2=/dev/pts/7"), QStringLiteral("image.bin")},
        ports);
    EXPECT_TRUE(c.error.isEmpty());
    EXPECT_EQ(c.file, QStringLiteral("image.bin"));
    EXPECT_EQ(ports.device(2), QStringLiteral("/dev/pts/7"));
    EXPECT_TRUE(parseCommandLine({QStringLiteral("--help")}, ports).help);
    EXPECT_TRUE(parseCommandLine({QStringLiteral("--version")}, ports).version);
    EXPECT_FALSE(parseCommandLine({QStringLiteral("--bogus")}, ports).error.isEmpty());
    EXPECT_FALSE(
        parseCommandLine({QStringLiteral("a"), QStringLiteral("b")}, ports).error.isEmpty());
    EXPECT_FALSE(
        parseCommandLine({QStringLiteral("--port"), QStringLiteral("9=x")}, ports).error.isEmpty());
    EXPECT_EQ(parseCommandLine({QStringLiteral("--"), QStringLiteral("-odd.bin")}, ports).file,
              QStringLiteral("-odd.bin"));
    EXPECT_EQ(versionText(), QStringLiteral("fermel 2.4"));
    const QString usage = usageText(QStringLiteral("/home/u/.config/kvintor-workshop/Fermel.ini"));
    EXPECT_TRUE(usage.startsWith(QStringLiteral("usage: fermel [--port N=DEVICE ...] [FILE]")));
    for (const char* part : {"Options:", "Files:", "Exit status:", "Fermel.ini", "64"})
        EXPECT_TRUE(usage.contains(QLatin1String(part))) << part;
}

TEST_F(Window, FileOnTheCommandLineOpensAsIfChosen) {
    kline::PortMap ports;
    const CommandLine c = parseCommandLine({path()}, ports);
    w().openAtStart(c.file);
    EXPECT_EQ(w().document.fileName, c.file);
    EXPECT_EQ(workingTables(), tablesOf(file, EngineType::Standard));
    EXPECT_EQ(fileMenuEnabled(), (std::vector<bool>{true, true, true, true, false, true, true}));
    EXPECT_FALSE(w().Check2->isEnabled());
    EXPECT_TRUE(rig.dialogs.fileCaptions.isEmpty()) << "no dialog";
    // The same checks and messages as the dialogue's.
    FermelRig other;
    other.w().openAtStart(other.dir.path() + QStringLiteral("/missing.bin"));
    ASSERT_EQ(other.dialogs.messages.size(), 1u);
    EXPECT_EQ(other.dialogs.messages[0].text,
              QStringLiteral("Указанный файл  не  найден.\r\nПроверьте  правильность  пути  и  "
                             "повторите  попытку."));
    EXPECT_EQ(other.dialogs.messages[0].caption, QStringLiteral("Fermel"));
    EXPECT_FALSE(other.w().Mnu[2]->isEnabled());
}
