#pragma once
// Firmware image files for Lumeta's tests: our own generated images, written
// into a test's temporary folder.
#include "sim/Ecu.h"

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A generated 64 KB image saved as path; the bytes are returned.
inline QByteArray makeImageFile(const QString& path, std::uint32_t seed = 7) {
    const QByteArray image = sim::Ecu::defaultImage(seed);
    writeFile(path, image);
    return image;
}

inline int byteOf(const QByteArray& image, int address) {
    return static_cast<unsigned char>(image[address]);
}
