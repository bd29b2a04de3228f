#include "Profile.h"

#include "ImageModel.h"

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

PictureSave savePicture(const QImage& picture, const QString& folder, QString* path) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return PictureSave::Failed;
    const QString name = freePictureName(folder);
    if (name.isEmpty()) return PictureSave::TooMany;
    if (path) *path = name;
    if (picture.save(name, "BMP")) return PictureSave::Saved;
    QFile::remove(name); // a half-written picture would take the name
    return PictureSave::Failed;
}

} // namespace finder
