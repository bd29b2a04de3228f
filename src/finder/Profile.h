#pragma once
// The bar profile of 514 image bytes, and the pictures of it saved as
// bitmaps in the user's desktop folder.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace finder {

// Colours of the profile: black bars on white, or white bars on black.
QColor profileBackground(bool inverted);
QColor profileForeground(bool inverted);

// Draws image bytes start … start + 513 as vertical bars, one per column:
// the bar of byte b fills the bottom b rows (a byte 0 leaves its column
// empty, a byte 255 leaves the top row empty). Bytes beyond the image are 0.
QImage renderProfile(const QByteArray& image, int start, bool inverted);

inline constexpr int kMaxPictures = 41;

// The first free name "Рисунок" + n + ".bmp" (n = 1 … 41) in a folder, as a
// full path; empty when all 41 exist.
QString freePictureName(const QString& folder);

enum class PictureSave {
    Saved,
    TooMany,  // all 41 names taken
    NoFolder, // no desktop folder is known
    Failed,   // the folder or the file could not be written; *why tells why
};

// Saves a picture as a bitmap under the first free name in the folder (made
// when missing). The path written (or tried) goes to *path; when the save
// fails, the reason in the user's words to *why.
PictureSave savePicture(const QImage& picture, const QString& folder, QString* path = nullptr,
                        QString* why = nullptr);

} // namespace finder
