// Lumeta's model without a window: numbers, known tables, the view's
// clamping, steps and drag, byte correction and the image file.
#include "FinderFiles.h"
#include "ImageModel.h"
#include "KnownTables.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using finder::ImageModel;

namespace {

// A model with a generated image loaded from a temporary file.
struct LoadedModel {
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/image.bin");
    QByteArray bytes = makeImageFile(path);
    ImageModel model;
    LoadedModel() { EXPECT_EQ(model.load(path), ImageModel::Load::Loaded); }
    int centreAfter(const QString& address) {
        model.showAddress(address);
        model.normalise();
        return model.centre();
    }
};

} // namespace

// ------------------------------------------------------------ numbers

TEST(FinderNumbers, WhatCountsAsANumber) {
    EXPECT_EQ(finder::parseNumber(QStringLiteral("39915")), 39915.0);
    EXPECT_EQ(finder::parseNumber(QStringLiteral("  12 ")), 12.0);
    EXPECT_EQ(finder::parseNumber(QStringLiteral("12,5")), 12.5);
    EXPECT_EQ(finder::parseNumber(QStringLiteral("12.5")), 12.5);
    EXPECT_EQ(finder::parseNumber(QStringLiteral("-3")), -3.0);
    EXPECT_EQ(finder::parseNumber(QStringLiteral("1e3")), 1000.0);
    for (const char* bad : {"", " ", "abc", "12a", "0x10", "inf", "nan", "1,2,3", "1.2,3", "--1"})
        EXPECT_FALSE(finder::parseNumber(QString::fromLatin1(bad))) << bad;
}

// ------------------------------------------------------------ known tables

TEST(KnownTables, RangesAreInclusiveAndTheLastMatchWins) {
    EXPECT_EQ(finder::knownTables().size(), 16u);
    EXPECT_EQ(finder::tableNameAt(39915), QStringLiteral("Нет данных"));
    EXPECT_EQ(finder::tableNameAt(39928), QStringLiteral("Нет данных"));
    EXPECT_EQ(finder::tableNameAt(39929), QStringLiteral("Микас. УОЗ от разряжения и оборотов"));
    EXPECT_EQ(finder::tableNameAt(40184), QStringLiteral("Микас. УОЗ от разряжения и оборотов"));
    EXPECT_EQ(finder::tableNameAt(40185), QStringLiteral("Нет данных"));
    EXPECT_EQ(finder::tableNameAt(40340),
              QStringLiteral("Микас. УОЗ от температуры охлаждающей жидкости"));
    EXPECT_EQ(finder::tableNameAt(26131),
              QStringLiteral("Январь. Состав смеси (Средние нагрузки)"));
    EXPECT_EQ(
        finder::tableNameAt(34792),
        QStringLiteral("Микас. Общий УОЗ от тепературы, от разряжения, от оборотов, от детонации"));
    // Entries 9 and 13 share their range: 13, without "(Хол.Ход)", is shown.
    for (int a : {28644, 28650, 28682})
        EXPECT_EQ(
            finder::tableNameAt(a),
            QStringLiteral("Январь. Положение регулятора дополнительного воздуха  от температуры "
                           "охлаждающей жидкости"));
    // Neighbouring ranges 2 and 3, 4 and 5 meet without a gap.
    EXPECT_TRUE(finder::tableNameAt(29087).startsWith(QStringLiteral("Январь. Дополнительная")));
    EXPECT_TRUE(finder::tableNameAt(29088).startsWith(
        QStringLiteral("Январь. Коррекция топливоподачи в зависимости от оборотов")));
    EXPECT_TRUE(finder::tableNameAt(31366).contains(QStringLiteral("дроссельной")));
    EXPECT_TRUE(finder::tableNameAt(31367).contains(QStringLiteral("числа (1...)")));
}

// ------------------------------------------------------------ the view

TEST(FinderView, AddressesClampToTheImage) {
    LoadedModel m;
    EXPECT_EQ(m.centreAfter(QStringLiteral("39915")), 39915);
    EXPECT_EQ(m.model.base(), 39659);
    EXPECT_EQ(m.centreAfter(QStringLiteral("100")), 256);
    EXPECT_EQ(m.model.start(), 0);
    EXPECT_EQ(m.model.showAddress(QStringLiteral("70000")), ImageModel::Address::Clamped);
    EXPECT_EQ(m.model.normalise(), 65022);
    EXPECT_EQ(m.model.centre(), 65278);
    // 65278 is a proper centre; one more is past the end.
    EXPECT_EQ(m.model.showAddress(QStringLiteral("65278")), ImageModel::Address::Shown);
    EXPECT_EQ(m.model.showAddress(QStringLiteral("65279")), ImageModel::Address::Clamped);
    EXPECT_EQ(m.model.showAddress(QStringLiteral("1e300")), ImageModel::Address::Clamped);
    EXPECT_EQ(m.centreAfter(QStringLiteral("-5")), 256);
    // Not a number: the view stays.
    m.centreAfter(QStringLiteral("30000"));
    EXPECT_EQ(m.model.showAddress(QStringLiteral("адрес")), ImageModel::Address::NotANumber);
    EXPECT_EQ(m.model.normalise(), 30000 - 256);
}

TEST(FinderView, StepsMoveByTheTypedStepAndClamp) {
    LoadedModel m;
    m.centreAfter(QStringLiteral("39929"));
    m.model.step(QStringLiteral("100"), -1);
    EXPECT_EQ(m.model.normalise(), 39929 - 256 - 100);
    m.model.step(QStringLiteral("шаг"), +1); // not a number: no move
    EXPECT_EQ(m.model.normalise(), 39929 - 256 - 100);
    m.model.step(QStringLiteral("1e12"), +1);
    EXPECT_EQ(m.model.normalise(), 65022);
    m.model.step(QStringLiteral("1e12"), -1);
    EXPECT_EQ(m.model.normalise(), 0);
}

TEST(FinderView, DraggingLeftShowsHigherAddresses) {
    LoadedModel m;
    m.centreAfter(QStringLiteral("10256")); // start 10000
    m.model.press(300.4);
    ImageModel::DragMove mv = m.model.move(250, 100, true);
    EXPECT_TRUE(mv.dragPointer);
    EXPECT_TRUE(mv.redraw);
    EXPECT_EQ(m.model.normalise(), 10050);
    mv = m.model.move(350, 100, true); // back past the press point
    EXPECT_EQ(m.model.normalise(), 9950);
    m.model.release();
    EXPECT_EQ(m.model.base(), 9950);
    EXPECT_EQ(m.model.dragOffset(), 0);
    EXPECT_EQ(m.model.normalise(), 9950);

    // Outside 0 < x < 513, 0 < y < 257, or without the button: normal
    // pointer, nothing moves.
    m.model.press(100);
    for (auto [x, y, button] : {std::tuple{0.0, 100.0, true},
                                {513.0, 100.0, true},
                                {50.0, 0.0, true},
                                {50.0, 257.0, true},
                                {50.0, 100.0, false}}) {
        mv = m.model.move(x, y, button);
        EXPECT_FALSE(mv.dragPointer);
        EXPECT_FALSE(mv.redraw);
        EXPECT_EQ(m.model.normalise(), 9950);
    }
    m.model.release();
}

TEST(FinderView, DraggingBelowAddressOneStopsAtTheStart) {
    LoadedModel m;
    m.centreAfter(QStringLiteral("266")); // start 10
    m.model.press(100);
    const ImageModel::DragMove mv = m.model.move(200, 50, true); // 100 lower: below 1
    EXPECT_FALSE(mv.dragPointer);
    EXPECT_FALSE(mv.redraw);
    EXPECT_EQ(m.model.base(), 0);
    m.model.release();
    EXPECT_EQ(m.model.normalise(), 0);
}

// ------------------------------------------------------------ correction

TEST(FinderCorrection, ValuesFromZeroTo255Rounded) {
    LoadedModel m;
    EXPECT_EQ(m.model.correct(1000, QStringLiteral("12.6")), ImageModel::Correction::Corrected);
    EXPECT_EQ(m.model.byteAt(1000), 13);
    EXPECT_EQ(m.model.correct(1000, QStringLiteral("255")), ImageModel::Correction::Corrected);
    EXPECT_EQ(m.model.byteAt(1000), 255);
    EXPECT_EQ(m.model.correct(1000, QStringLiteral("0")), ImageModel::Correction::Corrected);
    EXPECT_EQ(m.model.byteAt(1000), 0);
    EXPECT_EQ(m.model.correct(1000, QString()), ImageModel::Correction::Ignored);
    for (const char* bad : {"256", "255.4", "-1", "-0.2", "abc", " "})
        EXPECT_EQ(m.model.correct(1000, QString::fromLatin1(bad)), ImageModel::Correction::Refused)
            << bad;
    EXPECT_EQ(m.model.byteAt(1000), 0);
    // Only byte 1000 changed.
    QByteArray expected = m.bytes;
    expected[1000] = 0;
    EXPECT_EQ(m.model.image(), expected);
}

// ------------------------------------------------------------ the file

TEST(FinderFile, OnlyImagesOfExactly65536BytesLoad) {
    QTemporaryDir dir;
    ImageModel model;
    const QString good = dir.path() + "/good.bin";
    makeImageFile(good);
    for (int size : {0, 65535, 65537}) {
        const QString path = dir.path() + QStringLiteral("/size%1.bin").arg(size);
        writeFile(path, QByteArray(size, '\x11'));
        ASSERT_EQ(model.load(good), ImageModel::Load::Loaded);
        EXPECT_EQ(model.load(path), ImageModel::Load::WrongLength) << size;
        EXPECT_FALSE(model.isLoaded());
        EXPECT_TRUE(model.fileName().isEmpty());
        EXPECT_EQ(model.correct(300, QStringLiteral("5")), ImageModel::Correction::Ignored);
        EXPECT_FALSE(model.write());
    }
    EXPECT_EQ(model.load(dir.path() + "/missing.bin"), ImageModel::Load::WrongLength);
}

TEST(FinderFile, WritingBackKeepsTheFileAnImage) {
    LoadedModel m;
    EXPECT_FALSE(m.model.differsFromFile());
    m.model.correct(40000, QStringLiteral("99"));
    EXPECT_TRUE(m.model.differsFromFile());
    ASSERT_TRUE(m.model.write());
    const QByteArray written = readFile(m.path);
    EXPECT_EQ(written.size(), 65536);
    EXPECT_EQ(byteOf(written, 40000), 99);
    EXPECT_EQ(written, m.model.image());
    EXPECT_FALSE(m.model.differsFromFile());
    ImageModel again;
    EXPECT_EQ(again.load(m.path), ImageModel::Load::Loaded);
}

TEST(FinderFile, ChangesOnDiskAreDifferences) {
    LoadedModel m;
    QByteArray changed = m.bytes;
    changed[65535] = static_cast<char>(changed[65535] ^ 1);
    writeFile(m.path, changed);
    EXPECT_TRUE(m.model.differsFromFile());
    writeFile(m.path, m.bytes.left(100)); // cut short
    EXPECT_TRUE(m.model.differsFromFile());
    QFile::remove(m.path); // a file that is gone has nothing to compare
    EXPECT_FALSE(m.model.differsFromFile());
}

TEST(FinderFile, AFailedWriteSaysSo) {
    QTemporaryDir dir;
    const QString sub = dir.path() + "/sub";
    QDir().mkpath(sub);
    makeImageFile(sub + "/image.bin");
    ImageModel model;
    ASSERT_EQ(model.load(sub + "/image.bin"), ImageModel::Load::Loaded);
    QDir(sub).removeRecursively();
    EXPECT_FALSE(model.write());
}

// A file with other names keeps them: every name sees the written bytes,
// and the file stays one file.
TEST(FinderFile, WritingBackKeepsEveryNameOfTheFile) {
    for (bool hard : {true, false}) {
        SCOPED_TRACE(hard ? "hard link" : "symbolic link");
        LoadedModel m;
        const QString other = m.dir.path() + QStringLiteral("/other name.bin");
        ASSERT_TRUE(hard ? ::link(QFile::encodeName(m.path), QFile::encodeName(other)) == 0
                         : QFile::link(m.path, other));
        ImageModel model;
        ASSERT_EQ(model.load(other), ImageModel::Load::Loaded);
        model.correct(40000, QStringLiteral("77"));
        ASSERT_TRUE(model.write());
        EXPECT_EQ(readFile(m.path), model.image());
        EXPECT_EQ(readFile(other), model.image());
        EXPECT_EQ(QFileInfo(other).isSymLink(), !hard);
        EXPECT_EQ(QDir(m.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
            << "no copy left behind";
    }
}
