// The bar profile, the bitmap pictures of it, and Lumeta's command line.
#include "CommandLine.h"
#include "FinderFiles.h"
#include "ImageModel.h"
#include "Profile.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Rows filled in the foreground colour in one column, counted from the bottom;
// -1 when the filled rows do not form one bar standing on the bottom row.
int barHeight(const QImage& picture, int x, QRgb fg) {
    int h = 0;
    while (h < picture.height() && picture.pixel(x, picture.height() - 1 - h) == fg)
        ++h;
    for (int y = 0; y < picture.height() - h; ++y)
        if (picture.pixel(x, y) == fg) return -1;
    return h;
}

} // namespace

TEST(FinderProfile, EachByteIsABarOfItsHeight) {
    QByteArray image(65536, 0);
    for (int i = 0; i < 514; ++i)
        image[1000 + i] = static_cast<char>(i % 256);
    const QImage picture = finder::renderProfile(image, 1000, false);
    ASSERT_EQ(picture.size(), QSize(514, 256));
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    for (int x = 0; x < 514; ++x)
        EXPECT_EQ(barHeight(picture, x, black), x % 256) << x;
    EXPECT_EQ(picture.pixel(0, 255), white); // byte 0: an empty column
    EXPECT_EQ(picture.pixel(255, 0), white); // byte 255: the top row stays free
    EXPECT_EQ(picture.pixel(255, 1), black);

    const QImage inverted = finder::renderProfile(image, 1000, true);
    EXPECT_EQ(inverted.pixel(0, 0), black);
    for (int x : {0, 1, 255, 300})
        EXPECT_EQ(barHeight(inverted, x, white), x % 256);
}

TEST(FinderProfile, TheLastStartShowsTheLastByte) {
    const QByteArray image = sim::Ecu::defaultImage(3);
    const QImage picture = finder::renderProfile(image, finder::kLastStart, false);
    EXPECT_EQ(barHeight(picture, 513, qRgb(0, 0, 0)), byteOf(image, 65535));
    EXPECT_EQ(barHeight(picture, 0, qRgb(0, 0, 0)), byteOf(image, 65022));
}

TEST(FinderPictures, SavedAsBitmapsUnderTheFirstFreeName) {
    QTemporaryDir dir;
    const QString desktop = dir.path() + QStringLiteral("/Рабочий стол"); // made when missing
    const QImage picture = finder::renderProfile(sim::Ecu::defaultImage(5), 30000, false);
    QString path;
    ASSERT_EQ(finder::savePicture(picture, desktop, &path), finder::PictureSave::Saved);
    EXPECT_EQ(path, desktop + QStringLiteral("/Рисунок1.bmp"));

    // A real bitmap: "BM", its own length, 514 × 256, the same pixels.
    const QByteArray bytes = readFile(path);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    const auto le32 = [&](int at) {
        return qint64(static_cast<unsigned char>(bytes[at])) |
               qint64(static_cast<unsigned char>(bytes[at + 1])) << 8 |
               qint64(static_cast<unsigned char>(bytes[at + 2])) << 16 |
               qint64(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(le32(2), bytes.size());
    EXPECT_EQ(le32(18), 514);
    EXPECT_EQ(le32(22), 256);
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("bmp"));
    const QImage back = reader.read();
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);

    // Numbers taken are skipped; a gap is filled first.
    writeFile(desktop + QStringLiteral("/Рисунок2.bmp"), "x");
    writeFile(desktop + QStringLiteral("/Рисунок4.bmp"), "x");
    ASSERT_EQ(finder::savePicture(picture, desktop, &path), finder::PictureSave::Saved);
    EXPECT_EQ(path, desktop + QStringLiteral("/Рисунок3.bmp"));
    ASSERT_EQ(finder::savePicture(picture, desktop, &path), finder::PictureSave::Saved);
    EXPECT_EQ(path, desktop + QStringLiteral("/Рисунок5.bmp"));
}

TEST(FinderPictures, The42ndIsRefused) {
    QTemporaryDir dir;
    const QImage picture = finder::renderProfile(QByteArray(65536, 1), 0, false);
    for (int n = 1; n <= 41; ++n)
        ASSERT_EQ(finder::savePicture(picture, dir.path()), finder::PictureSave::Saved) << n;
    EXPECT_TRUE(finder::freePictureName(dir.path()).isEmpty());
    EXPECT_EQ(finder::savePicture(picture, dir.path()), finder::PictureSave::TooMany);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 41);
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/Рисунок42.bmp")));
    EXPECT_EQ(finder::savePicture(picture, QString()), finder::PictureSave::NoFolder);
}

TEST(FinderCommandLine, FileHelpVersionAndMistakes) {
    using A = finder::CommandLine::Action;
    EXPECT_EQ(finder::parseCommandLine({}).action, A::Run);
    EXPECT_TRUE(finder::parseCommandLine({}).file.isEmpty());
    const finder::CommandLine withFile = finder::parseCommandLine({QStringLiteral("/tmp/ecu.bin")});
    EXPECT_EQ(withFile.action, A::Run);
    EXPECT_EQ(withFile.file, QStringLiteral("/tmp/ecu.bin"));
    EXPECT_EQ(finder::parseCommandLine({QStringLiteral("--"), QStringLiteral("-odd.bin")}).file,
              QStringLiteral("-odd.bin"));
    EXPECT_EQ(finder::parseCommandLine({QStringLiteral("x.bin"), QStringLiteral("--help")}).action,
              A::Help);
    EXPECT_EQ(finder::parseCommandLine({QStringLiteral("--version")}).action, A::Version);
    EXPECT_EQ(finder::parseCommandLine({QStringLiteral("--colour")}).action, A::Error);
    EXPECT_EQ(finder::parseCommandLine({QStringLiteral("a.bin"), QStringLiteral("b.bin")}).action,
              A::Error);
    EXPECT_EQ(finder::versionText(QStringLiteral("2.4")), QStringLiteral("lumeta 2.4"));
    EXPECT_TRUE(finder::usage().contains(QStringLiteral("Exit status:")));
}
