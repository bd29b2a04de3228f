#include "Profile.h"

#include "ImageModel.h"
#include "common/WriteFailure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>

namespace finder {

QColor profileBackground(bool inverted) {
    return inverted ? Qt::black : Qt::white;
}
QColor profileForeground(bool inverted) {
    return inverted ? Qt::white : Qt::black;
}

QImage renderProfile(const QByteArray& image, int start, bool inverted) {
    QImage picture(kColumns, kRows, QImage::Format_RGB32);
    picture.fill(profileBackground(inverted));
    const QRgb fg = profileForeground(inverted).rgb();
    for (int x = 0; x < kColumns; ++x) {
        const int address = start + x;
        if (address < 0 || address >= image.size()) continue;
        const int b = static_cast<unsigned char>(image[address]);
        for (int y = kRows - b; y < kRows; ++y)
            picture.setPixel(x, y, fg);
    }
    return picture;
}

QString freePictureName(const QString& folder) {
    QString dir = folder;
    if (!dir.endsWith(QLatin1Char('/')) && !dir.endsWith(QLatin1Char('\\')))
        dir += QLatin1Char('/');
    for (int n = 1; n <= kMaxPictures; ++n) {
        const QString path =
            dir + QStringLiteral("Рисунок") + QString::number(n) + QStringLiteral(".bmp");
        if (!QFile::exists(path)) return path;
    }
    return QString();
}

PictureSave savePicture(const QImage& picture, const QString& folder, QString* path, QString* why) {
    if (folder.isEmpty()) return PictureSave::NoFolder;
    const auto fail = [&](const QString& file, const QString& fallback) {
        if (path) *path = file;
        if (why) *why = common::whyNotWritable(file, fallback);
        return PictureSave::Failed;
    };
    if (!QDir().mkpath(folder))
        return fail(QDir(folder).filePath(QStringLiteral("Рисунок1.bmp")), QString());
    const QString name = freePictureName(folder);
    if (name.isEmpty()) return PictureSave::TooMany;
    if (path) *path = name;
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP"))
        return fail(name, QString());
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly)) return fail(name, file.errorString());
    if (file.write(bitmap) == bitmap.size() && file.flush()) {
        file.close();
        if (file.error() == QFileDevice::NoError) return PictureSave::Saved;
    }
    // Why, while the half-written picture still fills the disk; then it
    // goes, so that it does not take the name.
    const PictureSave r = fail(name, file.errorString());
    file.close();
    QFile::remove(name);
    return r;
}

} // namespace finder
