// The nine reference windows opened from the menus: captions, headings and
// instruction texts character for character, the pictures, the typical
// values grid cell for cell with its glossary, Esc and release.
#include "KvintorRig.h"
#include "reference/Picture.h"
#include "reference/ReferenceMenus.h"
#include "reference/ReferenceWindow.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using kvintor::ReferenceWindow;

namespace {

const QString kTitle = QStringLiteral("Kvintor  (версия 2.4)");

struct Expected {
    int item; // of "Проверка"
    const char* name;
    const char* heading;
    std::vector<const char*> texts;
};

// What the mechanic reads, item by item of the "Проверка" menu.
const std::vector<Expected>& expectedSheets() {
    static const std::vector<Expected> sheets = {
        {0,
         "fSinxro",
         "ДАТЧИК СИНХРОНИЗАЦИИ",
         {"Подсоединив к выводам катушки датчика вольтметр, проносим жало отвертки вблизи его "
          "сердечника. "
          "Скачок напряжения на приборе подтвердит исправность датчика"}},
        {1,
         "fDprv",
         "ДАТЧИК ПОЛОЖЕНИЯ  РАСПРЕДЕЛИТЕЛЬНОГО ВАЛА",
         {"Исправный датчик должен реагировать на отвертку, поднесенную к его торцу, коротким "
          "включением "
          "светодиода"}},
        {2,
         "fDmrv",
         "ДАТЧИК МАССОВОГО  РАСХОДА ВОЗДУХА",
         {"Подсоединяя провода к датчику, ориентируемся по выступам на колодке разъема. Напряжение "
          "подаем от "
          "аккумуляторной батареи после того, как убедимся в правильности собранной схемы. "
          "Напряжение на "
          "выводах \"2\" и \"З\" у исправного датчика при разомкнутых контактах выключателя должно "
          "составлять 1,3-1,4 В",
          "На короткое время замыкаем контакты. Если напряжение подскочило (максимум - до 8 В), а "
          "платиновая "
          "нить разогрелась докрасна - датчик исправен"}},
        {3,
         "fDet",
         "ДАТЧИК ДЕТОНАЦИИ",
         {"Подсоединяем к выводам датчика вольтметр. Неисправный датчик не откликается на "
          "постукивания "
          "скачками напряжения"}},
        {4,
         "fDross",
         "ДАТЧИК ПОЛОЖЕНИЯ ДРОССЕЛЬНОЙ ЗАСЛОНКИ",
         {"Измеряем сопротивление между выводами \"1\" и \"2\" , которое у исправного датчика "
          "составляет "
          "2 кОм. Замеряем сопротивление на выводах \"2\" и \"З\". В закрытом положении "
          "дроссельной заслонки "
          "оно должно быть в пределах 0,7-1.38 кОм, а в открытом - 2.6 кОм."}},
        {5,
         "fKatushka",
         "КАТУШКИ ЗАЖИГАНИЯ, ПРОВОДА ВЫСОКОГО НАПРЯЖЕНИЯ И НАКОНЕЧНИКИ СВЕЧЕЙ",
         {"Измеряем сопротивление низковольтной обмотки катушки зажигания, которое должно быть "
          "0,4-0.5. "
          "Определяя столь малые величины, необходимо учитывать внутреннее сопротивление омметра "
          "(обычно "
          "0,3-0,4 Ом. В этом легко убедиться, замкнув щупы прибора). Сопротивление вторичной "
          "обмотки "
          "большое 5-7 кОм.\nИсправные высоковольтные провода первого и второго цилиндров покажут "
          "на приборе "
          "не более 1000 Ом, а третьего и четвертого - не более 900 Ом. Сопротивление наконечников "
          "не должно "
          "превосходить 5,6 кОм."}},
        {6,
         "fRdv",
         "РЕГУЛЯТОР ДОБАВОЧНОГО ВОЗДУХА",
         {"Его еще называют регулятором холостого хода. Подсоединяем к среднему и одному из "
          "крайних выводов "
          "его разъема напряжение 12 В. Поворотная заслонка регулятора должна либо закрыться, либо "
          "полностью "
          "открыться, в зависимости от того, к какому из крайних выводов подано напряжение. "
          "Проверяем работу "
          "регулятора, перекинув напряжение на другой вывод"}},
        {7,
         "fFors",
         "ФОРСУНКИ",
         {"Подводим напряжение от аккумуляторной батареи к выводам форсунки. Услышали отчетливый "
          "щелчок - "
          "форсунка открылась, нет - меняем полярность. Если опять не сработала - неисправна, "
          "придется ее "
          "заменить"}},
    };
    return sheets;
}

struct ReferenceWindows : ::testing::Test {
    KvintorRig rig;
    void SetUp() override {
        kvintor::installReferenceWindows(rig.program);
        ASSERT_TRUE(rig.startOnCom1());
        rig.main().activated();
        rig.main().stopTimers(); // nothing polls: what is sent, the windows sent
        rig.requests();
    }
    ReferenceWindow* open(int item) {
        rig.main().Dat[static_cast<std::size_t>(item)]->trigger();
        ReferenceWindow* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<ReferenceWindow*>(w);
                r && r->isVisible() &&
                r->objectName() ==
                    QLatin1String(expectedSheets()[static_cast<std::size_t>(item)].name))
                found = r;
        return found;
    }
};

// Something is drawn: dark and coloured pixels on the white ground.
int drawnPixels(QWidget* w) {
    const QImage image = w->grab().toImage();
    int drawn = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) < 200) ++drawn;
    return drawn;
}

} // namespace

// ============================================================ the eight checks

TEST_F(ReferenceWindows, HeadingsAndTextsExactly) {
    for (const Expected& e : expectedSheets()) {
        SCOPED_TRACE(e.name);
        ReferenceWindow* w = open(e.item);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), kTitle);
        EXPECT_EQ(w->Label1->text(), QString::fromUtf8(e.heading));
        EXPECT_EQ(w->Label1->parentWidget(), w->Frame1) << "the heading is framed";
        ASSERT_EQ(w->texts.size(), e.texts.size());
        for (std::size_t i = 0; i < e.texts.size(); ++i) {
            EXPECT_EQ(w->texts[i]->text(), QString::fromUtf8(e.texts[i]));
            EXPECT_EQ(w->texts[i]->objectName(), QStringLiteral("Label%1").arg(i + 2));
            EXPECT_TRUE(w->texts[i]->isVisible());
        }
        EXPECT_FALSE(w->isModal());
        EXPECT_EQ(w->parentWidget(), &rig.main());
        w->close();
    }
    EXPECT_TRUE(rig.requests().empty()) << "the reference windows never talk to the ECU";
}

TEST_F(ReferenceWindows, TerminalNamesAndSpacingCharacters) {
    // The third terminal is the Cyrillic letter Ze, in quotation marks.
    for (int item : {2, 4}) {
        ReferenceWindow* w = open(item);
        ASSERT_NE(w, nullptr);
        const QString text = w->texts[0]->text();
        const qsizetype at = text.indexOf(QStringLiteral("\"2\" и \""));
        ASSERT_GE(at, 0);
        EXPECT_EQ(text.at(at + 7).unicode(), 0x0417);
        EXPECT_EQ(text.at(at + 8), QLatin1Char('"'));
        EXPECT_FALSE(text.contains(QLatin1String("\"3\"")));
        w->close();
    }
    // Two spaces inside two headings, and the coil text's two paragraphs.
    EXPECT_TRUE(open(1)->Label1->text().contains(QStringLiteral("ПОЛОЖЕНИЯ  РАСПРЕДЕЛИТЕЛЬНОГО")));
    EXPECT_TRUE(open(2)->Label1->text().contains(QStringLiteral("МАССОВОГО  РАСХОДА")));
    const QStringList paragraphs = open(5)->texts[0]->text().split(QLatin1Char('\n'));
    ASSERT_EQ(paragraphs.size(), 2);
    EXPECT_TRUE(paragraphs[0].endsWith(QStringLiteral("5-7 кОм.")));
    EXPECT_TRUE(paragraphs[1].startsWith(QStringLiteral("Исправные высоковольтные")));
}

TEST_F(ReferenceWindows, EachHasItsOwnDrawing) {
    QStringList pictures;
    for (const Expected& e : expectedSheets()) {
        SCOPED_TRACE(e.name);
        ReferenceWindow* w = open(e.item);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->Image1->isValid()) << "the drawing is in the program";
        EXPECT_EQ(w->Image1->accessibleName(), QStringLiteral("Image1"));
        EXPECT_GT(drawnPixels(w->Image1), 500);
        pictures << w->Image1->resource();
        w->close();
    }
    pictures.removeDuplicates();
    EXPECT_EQ(pictures.size(), 8);
}

TEST_F(ReferenceWindows, EscReleasesAndTheNextOpeningBuildsAfresh) {
    ReferenceWindow* first = open(3);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(open(3), first) << "one window per item at a time";
    QPointer<ReferenceWindow> watch(first);
    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_FALSE(first->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    ReferenceWindow* again = open(3);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Label1->text(), QStringLiteral("ДАТЧИК ДЕТОНАЦИИ"));
}

TEST_F(ReferenceWindows, FoundThroughAccessibility) {
    ReferenceWindow* w = open(0);
    ASSERT_NE(w, nullptr);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Name), kTitle);
    QStringList names;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* a) {
        for (int i = 0; i < a->childCount(); ++i) {
            names << a->child(i)->text(QAccessible::Name);
            walk(a->child(i));
        }
    };
    walk(window);
    EXPECT_TRUE(names.contains(QStringLiteral("ДАТЧИК СИНХРОНИЗАЦИИ")));
    EXPECT_TRUE(names.contains(QStringLiteral("Image1")));
}

// ============================================================ typical values

TEST_F(ReferenceWindows, TypicalValuesGridCellForCell) {
    bool shown = false;
    rig.modal.push_back([&](QDialog& d) {
        shown = true;
        auto& w = dynamic_cast<kvintor::fZnach&>(d);
        EXPECT_EQ(w.windowTitle(), kTitle);
        EXPECT_EQ(w.Label1->text(), QStringLiteral("Тип двигателя и типовые значения параметров"));
        ASSERT_EQ(w.texts.size(), 1u);
        EXPECT_EQ(w.texts[0]->text(),
                  QStringLiteral("Типовые значения основных параметров для автомобилей ГАЗ и "
                                 "УАЗ с контроллерами МИКАС–5.4 и МИКАС–7.х."));
        const QStringList rows[] = {
            {"Параметр", "Ед. измерения", "Тип двигателя и типовые значения параметров", "", "", "",
             ""},
            {"", "", "ЗМЗ-4062", "ЗМЗ-4063", "ЗМЗ-409", "УМЗ-4213", "УМЗ-4216"},
            {"UACC", "В", "13-14,6", "13-14,6", "13-14,6", "13-14,6", "13-14,6"},
            {"TWAT", "°C", "80-95", "80-95", "80-95", "75-95", "75-95"},
            {"THR", "%", "0-1", "", "0-1", "0-1", "0-1"},
            {"FREQ", "обор/мин", "750—850", "750—850", "750—850", "700—750", "700—750"},
            {"INJ", "мсек", "3,7-4,4", "", "4,4-5,2", "4,6-5,4", "4,6-5,4"},
            {"RCOD", "", "±0,05", "", "±0,05", "±0,05", "±0,05"},
            {"AIR", "кг/час", "13-15", "", "14-18", "13-17,5", "13-17,5"},
            {"UOZ", "°п.к.в.", "11-17", "13-16", "8-12", "12-16", "12-16"},
            {"UOZOC", "°п.к.в.", "±5", "±5", "±5", "±5", "±5"},
            {"FSM", "%", "23-36", "", "22-34", "28-36", "28-36"},
            {"PABS", "мбар", "", "300-340", "", "", ""},
        };
        ASSERT_EQ(w.Grid1->rowCount(), 13);
        ASSERT_EQ(w.Grid1->columnCount(), 7);
        for (int r = 0; r < 13; ++r)
            for (int c = 0; c < 7; ++c)
                EXPECT_EQ(w.cell(r, c), rows[r][c]) << "row " << r << " column " << c;
        // The header: the two leading titles over both header rows, the
        // engines' title over the five engine columns.
        EXPECT_EQ(w.Grid1->rowSpan(0, 0), 2);
        EXPECT_EQ(w.Grid1->rowSpan(0, 1), 2);
        EXPECT_EQ(w.Grid1->columnSpan(0, 2), 5);
        EXPECT_EQ(w.Grid1->accessibleName(), QStringLiteral("Grid1"));
        EXPECT_EQ(
            w.Label3->text().split(QLatin1Char('\n')),
            QStringList(
                {"UACC—напряжение бортовой сети", "TWAT—температура охлаждающей жидкости",
                 "THR—степень открытия дроссельной заслонки",
                 "FREQ—частота вращения коленчатого вала", "INJ—длительность импульса впрыска",
                 "RCOD—коэффициент коррекции топливоподачи на холостом ходу",
                 "AIR—массовый расход воздуха", "PABS-абсолютное давление воздуха на впуске",
                 "UOZ-угол опережения зажигания", "UOZOC-октан-корректор угла опережения зажигания",
                 "FSM-степень открытия регулятора холостого хода"}));
        // The whole grid is on view, without scrolling.
        w.show();
        int width = 0;
        for (int c = 0; c < 7; ++c)
            width += w.Grid1->columnWidth(c);
        EXPECT_LE(width, w.Grid1->viewport()->width());
        int height = 0;
        for (int r = 0; r < 13; ++r)
            height += w.Grid1->rowHeight(r);
        EXPECT_LE(height, w.Grid1->viewport()->height());
        EXPECT_TRUE(w.Image1->isValid());
        // Esc closes it.
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    });
    rig.main().mEbu.at(5)->trigger();
    EXPECT_TRUE(shown) << "opened modally";
    EXPECT_EQ(rig.modalsShown, QStringList{"fZnach"});
    EXPECT_TRUE(rig.requests().empty());
}
