// The ECU data windows' texts and arithmetic without widgets: the fault
// catalogue, fault rows and change detection, configuration names, the
// bytes of a passport field, the cells of an adaptation table.
#include "ecudata/AdaptTables.h"
#include "ecudata/FaultText.h"
#include "ecudata/Passport.h"

#include <gtest/gtest.h>

using namespace kvintor::ecudata;

// ============================================================ fault texts

TEST(FaultCatalogue, ExactlyThe156CodesHaveTexts) {
    int count = 0;
    for (int code = 0; code < kFaultCodes; ++code)
        if (!faultText(code).isEmpty()) ++count;
    EXPECT_EQ(count, 156);
    EXPECT_TRUE(faultText(0).isEmpty());
    EXPECT_TRUE(faultText(200).isEmpty());
    EXPECT_TRUE(faultText(-1).isEmpty());
    EXPECT_TRUE(faultText(256).isEmpty());
}

TEST(FaultCatalogue, OneOfEachPrefixAndFamily) {
    EXPECT_EQ(faultText(13), QStringLiteral("Низкий уровень сигнала с датчика расхода воздуха"));
    EXPECT_EQ(faultText(15), QStringLiteral("Низкий уровень сигнала датчика абсолютного давления"));
    EXPECT_EQ(faultText(16),
              QStringLiteral("Высокий уровень сигнала с датчика абсолютного давления"));
    EXPECT_EQ(faultText(32), QStringLiteral("Высокий уровень сигнала с первого корректора CO"));
    EXPECT_EQ(faultText(65),
              QStringLiteral("Неисправность  при записи в энегонезависимую память ЭБУ"));
    EXPECT_EQ(faultText(12), QStringLiteral("Короткое замыкание L-линии на массу"));
    EXPECT_EQ(faultText(251), QStringLiteral("Короткое замыкание нагрузки прожига датчика GB"));
    EXPECT_EQ(faultText(174), QStringLiteral("Короткое замыкание цепи клапана адсорбера"));
    EXPECT_EQ(faultText(199), QStringLiteral("Короткое замыкание на землю цепи клапана ЭПХХ"));
    EXPECT_EQ(faultText(253),
              QStringLiteral("Короткое замыкание на землю цепи прожига датчика GB"));
    // Families: the number follows without a space.
    EXPECT_EQ(faultText(81),
              QStringLiteral("Макс. Смещение УОЗ при регулировании по детонации в цил.1"));
    EXPECT_EQ(faultText(88),
              QStringLiteral("Макс. Смещение УОЗ при регулировании по детонации в цил.8"));
    EXPECT_EQ(faultText(93), QStringLiteral("Короткое замыкание нагрузки в цепи зажигания 3"));
    EXPECT_EQ(faultText(238), QStringLiteral("Обрыв в цепи зажигания 8"));
    EXPECT_EQ(faultText(241), QStringLiteral("Короткое замыкание на землю цепи зажигания 1"));
    EXPECT_EQ(faultText(248), QStringLiteral("Короткое замыкание на землю цепи зажигания 8"));
    for (int code : {80, 89, 90, 100, 230, 239, 240, 249})
        EXPECT_TRUE(faultText(code).isEmpty()) << code;
    // Plain texts.
    EXPECT_EQ(faultText(19), QStringLiteral("Перегрев двигателя температура О.Ж.>105 Градусов С"));
    EXPECT_EQ(faultText(58), QStringLiteral("Обрыв ДПКВ для (АВТРОН)"));
    EXPECT_EQ(faultText(155), QStringLiteral("Обрыв форсунки 8 цил."));
    EXPECT_EQ(faultText(252), QStringLiteral("Обрыв цепи прожига датчика GB"));
}

TEST(FaultCatalogue, Code73BeginsWithALatinC) {
    const QString t = faultText(73);
    EXPECT_EQ(t, QStringLiteral("Cигнал богатой смеси 1 L-зонда при пред. уменьш. топливоподачи"));
    EXPECT_EQ(t.at(0).unicode(), u'C');
    EXPECT_EQ(faultText(75).at(0).unicode(), u'С'); // its neighbours are Cyrillic
}

TEST(FaultCatalogue, ActuatorTriplesAndNoCodeEndingInZero) {
    // 131..199: short circuit, open circuit, short to ground, in that order,
    // for each of the 21 outputs; codes ending in 0 are never assigned.
    int outputs = 0;
    for (int first = 131; first <= 197;) {
        const QString s = faultText(first), open = faultText(first + 1),
                      ground = faultText(first + 2);
        EXPECT_TRUE(s.startsWith(QStringLiteral("Короткое замыкание ")) &&
                    !s.contains(QStringLiteral("на землю")))
            << first;
        EXPECT_TRUE(open.startsWith(QStringLiteral("Обрыв "))) << first + 1;
        EXPECT_TRUE(ground.startsWith(QStringLiteral("Короткое замыкание на землю "))) << first + 2;
        // The three name the same output.
        EXPECT_EQ(s.section(QLatin1Char(' '), -2), ground.section(QLatin1Char(' '), -2)) << first;
        ++outputs;
        first += (first + 3) % 10 == 0 ? 4 : 3;
    }
    EXPECT_EQ(outputs, 21);
    for (int code = 130; code <= 190; code += 10)
        EXPECT_TRUE(faultText(code).isEmpty()) << code;
}

// ============================================================ fault rows

TEST(FaultRows, TheListChangesOnlyWhenTheReplyDoes) {
    FaultReplyTracker t;
    EXPECT_EQ(t.last(), std::vector<int>{0});
    EXPECT_FALSE(t.update({0})) << "no faults after opening is no change";
    EXPECT_TRUE(t.update({1, 13, 0x80}));
    EXPECT_EQ(t.last(), (std::vector<int>{1, 13, 0x80}));
    EXPECT_FALSE(t.update({1, 13, 0x80}));
    EXPECT_TRUE(t.update({1, 13, 0x00})) << "no longer present";
    EXPECT_TRUE(t.update({1, 13, 0x00, 14, 0x80}));
    // A fault that drops off the end while the rest stays the same.
    EXPECT_TRUE(t.update({1, 13, 0x00}));
    EXPECT_EQ(t.last(), (std::vector<int>{1, 13, 0x00}));
    // Grown by bytes that are 0 still counts.
    EXPECT_TRUE(t.update({1, 13, 0x00, 0, 0}));
    EXPECT_TRUE(t.update({0}));
    t.reset();
    EXPECT_EQ(t.last(), std::vector<int>{0});
}

// ============================================================ configuration

TEST(Configuration, NamesOfTheSetBitsInTableOrder) {
    EXPECT_EQ(configurationNames({0x03, 0, 0, 0x04, 0, 0x80}),
              (QStringList{"Постоянное питание блока", "Датчик кислорода", "New-4-3", "New-6-8"}));
    const QStringList all = configurationNames({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_EQ(all.size(), 48);
    EXPECT_EQ(all.at(7), QStringLiteral("Резистор регулировки СО"));
    EXPECT_EQ(all.at(9), QStringLiteral("Датчик положения клапана EGR"));
    EXPECT_EQ(all.at(23), QStringLiteral("Адаптация уставки частоты вращения х.х."));
    EXPECT_EQ(all.mid(26, 4), (QStringList{"New-4-3", "New-4-4", "New-4-5", "New-4-6"}));
    EXPECT_EQ(all.at(31), QStringLiteral("Катушки зажигания"));
    EXPECT_EQ(all.at(40), QStringLiteral("Управление вентилятором"));
    EXPECT_EQ(all.last(), QStringLiteral("New-6-8"));
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), 48);
}

TEST(Configuration, MissingBytesCountAsZero) {
    EXPECT_EQ(configurationNames({0x01, 0x02}),
              (QStringList{"Постоянное питание блока", "Датчик положения клапана EGR"}));
    EXPECT_TRUE(configurationNames({}).isEmpty());
    EXPECT_TRUE(configurationNames({0}).isEmpty());
    // Bytes past the sixth are not configuration.
    EXPECT_TRUE(configurationNames({0, 0, 0, 0, 0, 0, 0xFF}).isEmpty());
}

// ============================================================ passport

TEST(PassportField, SixteenBytesOfCodePage866PaddedWithZeros) {
    EXPECT_EQ(passportBytes(QStringLiteral("AB")), QByteArray("AB") + QByteArray(14, '\0'));
    EXPECT_EQ(passportBytes(QStringLiteral("  AB  ")), QByteArray("AB") + QByteArray(14, '\0'));
    EXPECT_EQ(passportBytes(QString()), QByteArray(16, '\0'));
    EXPECT_EQ(passportBytes(QStringLiteral("   ")), QByteArray(16, '\0'));
    EXPECT_EQ(passportBytes(QStringLiteral("А")), QByteArray("\x80") + QByteArray(15, '\0'));
    EXPECT_EQ(passportBytes(QStringLiteral("Яя 1")),
              QByteArray("\x9F\xEF 1") + QByteArray(12, '\0'));
    // Of a longer text the first 16 characters, after the trim.
    EXPECT_EQ(passportBytes(QStringLiteral("  ABCDEFGHIJKLMNOPQRST")),
              QByteArray("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(passportBytes(QStringLiteral("ABCDEFGHIJKLMNO QRST")),
              QByteArray("ABCDEFGHIJKLMNO "));
}

// ============================================================ tables

TEST(AdaptCells, ThreeDecimalsRoundedHalfUpInTheLocale) {
    EXPECT_EQ(adaptCell(0, QLocale::c()), QStringLiteral("0.500"));
    EXPECT_EQ(adaptCell(128, QLocale::c()), QStringLiteral("1.000"));
    EXPECT_EQ(adaptCell(255, QLocale::c()), QStringLiteral("1.496"));
    EXPECT_EQ(adaptCell(1, QLocale::c()), QStringLiteral("0.504"));  // 0.50390625
    EXPECT_EQ(adaptCell(16, QLocale::c()), QStringLiteral("0.563")); // 0.5625 exactly
    EXPECT_EQ(adaptCell(48, QLocale::c()), QStringLiteral("0.688")); // 0.6875 exactly
    EXPECT_EQ(adaptCell(64, QLocale::c()), QStringLiteral("0.750"));
    EXPECT_EQ(adaptCell(128, QLocale(QLocale::Russian, QLocale::Russia)), QStringLiteral("1,000"));
    // Every byte gives a distinct value between 0.5 and 1.5.
    QSet<QString> seen;
    for (int b = 0; b < 256; ++b)
        seen.insert(adaptCell(b, QLocale::c()));
    EXPECT_EQ(seen.size(), 256);
}
