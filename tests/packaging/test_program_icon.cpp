// Each program's icon: drawn from the compiled-in SVG, distinct, and named
// like the desktop entry that shows it.
#include "common/ProgramIcon.h"

#include <QFile>
#include <QImage>
#include <QTextStream>
#include <gtest/gtest.h>

using common::DesktopProgram;

namespace {

const DesktopProgram kWithEntries[] = {DesktopProgram::Kvintor, DesktopProgram::Fermel,
                                       DesktopProgram::Lumeta, DesktopProgram::KlineSim};

QImage drawn(DesktopProgram p, int size) {
    return common::programIcon(p)
        .pixmap(size, size)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

// The share of pixels that are not transparent.
double covered(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) ++n;
    return static_cast<double>(n) / (image.width() * image.height());
}

QString desktopKey(const QString& id, const QString& key) {
    QFile f(QStringLiteral(KV_SOURCE_DIR "/resources/desktop/") + id + QStringLiteral(".desktop"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("(no entry)");
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(key + QLatin1Char('='))) return line.mid(key.size() + 1);
    }
    return QString();
}

} // namespace

TEST(ProgramIcon, EveryProgramHasItsOwnDrawnIcon) {
    std::vector<QImage> images;
    for (DesktopProgram p : kWithEntries) {
        const QIcon icon = common::programIcon(p);
        ASSERT_FALSE(icon.isNull()) << qPrintable(common::desktopEntryId(p));
        for (int size : {16, 48, 256}) {
            const QImage image = drawn(p, size);
            EXPECT_EQ(image.size(), QSize(size, size));
            EXPECT_GT(covered(image), 0.6) << qPrintable(common::desktopEntryId(p)) << " " << size;
        }
        images.push_back(drawn(p, 48));
    }
    for (size_t i = 0; i < images.size(); ++i)
        for (size_t j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j]) << i << " " << j;
    // The uninstaller, part of Kvintor, shows Kvintor's.
    EXPECT_EQ(drawn(DesktopProgram::Uninstall, 48), drawn(DesktopProgram::Kvintor, 48));
}

// The desktop matches a running program to its entry by the entry's name,
// and the entry names the icon it shows in the menu.
TEST(ProgramIcon, NamedLikeTheDesktopEntries) {
    for (DesktopProgram program : kWithEntries) {
        const QString id = common::desktopEntryId(program);
        EXPECT_EQ(desktopKey(id, QStringLiteral("Icon")), id);
        EXPECT_TRUE(QFile::exists(QStringLiteral(KV_SOURCE_DIR "/resources/icons/") + id +
                                  QStringLiteral(".svg")));
    }
}
