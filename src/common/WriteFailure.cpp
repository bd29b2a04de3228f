#include "WriteFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace common {

QString whyNotWritable(const QString& file, const QString& fallback) {
    const QFileInfo info(file);
    // The nearest part of the path that exists tells what stands in the way.
    QFileInfo folder(info.absolutePath());
    while (!folder.exists() && folder.absoluteFilePath() != folder.absolutePath())
        folder = QFileInfo(folder.absolutePath());
    if (!QFileInfo(info.absolutePath()).exists()) {
        if (folder.exists() && !folder.isDir())
            return QStringLiteral("на месте папки %1 находится файл").arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
        return QStringLiteral("папку %1 нельзя создать").arg(QDir::toNativeSeparators(info.absolutePath()));
    }
    if (!QFileInfo(info.absolutePath()).isDir())
        return QStringLiteral("на месте папки %1 находится файл").arg(QDir::toNativeSeparators(info.absolutePath()));
    if (info.exists() && info.isDir()) return QStringLiteral("на месте файла находится папка");
    if (info.exists() && !info.isWritable()) return QStringLiteral("файл только для чтения");
    if (!QFileInfo(info.absolutePath()).isWritable()) return QStringLiteral("нет права записи в папку");
    const QStorageInfo volume(info.absolutePath());
    if (volume.isValid() && volume.isReadOnly()) return QStringLiteral("диск только для чтения");
    if (volume.isValid() && volume.bytesAvailable() == 0) return QStringLiteral("на диске нет места");
    return fallback.isEmpty() ? QStringLiteral("ошибка записи") : fallback;
}

} // namespace common
