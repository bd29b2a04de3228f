#include "ImageModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace finder {

std::optional<double> parseNumber(const QString& text) {
    QString t = text.trimmed();
    // A Russian keyboard gives a decimal comma.
    if (!t.contains(QLatin1Char('.')) && t.count(QLatin1Char(',')) == 1)
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

ImageModel::Load ImageModel::load(const QString& path) {
    fileName_.clear();
    loaded_ = false;
    QFile file(path);
    if (file.size() != kImageSize) return Load::WrongLength;
    if (!file.open(QIODevice::ReadOnly)) return Load::Unreadable;
    QByteArray bytes = file.readAll();
    if (bytes.size() != kImageSize) return Load::Unreadable;
    image_ = std::move(bytes);
    fileName_ = path;
    loaded_ = true;
    corrected_ = false;
    return Load::Loaded;
}

namespace {

// How many names the file has (hard links); 0 when it cannot be told.
int linkCount(const QString& path) {
#if defined(Q_OS_UNIX)
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return static_cast<int>(st.st_nlink);
#elif defined(Q_OS_WIN)
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok ? static_cast<int>(info.nNumberOfLinks) : 0;
#else
    return 1;
#endif
}

// Writes the bytes over the file where it is. The old bytes are copied
// first, beside the file or else in the temporary folder, and put back if
// the write fails part way; the copy stays on disk if even that fails.
bool writeOver(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return false;
    const QByteArray old = file.readAll();
    QTemporaryFile copy(path + QStringLiteral(".XXXXXX"));
    if (!copy.open()) {
        copy.setFileTemplate(
            QDir::temp().filePath(QFileInfo(path).fileName() + QStringLiteral(".XXXXXX")));
        if (!copy.open()) return false;
    }
    if (copy.write(old) != old.size() || !copy.flush()) return false;
    const auto put = [&file](const QByteArray& b) {
        return file.seek(0) && file.write(b) == b.size() && file.resize(b.size()) && file.flush();
    };
    if (put(bytes)) return true;
    if (!put(old)) copy.setAutoRemove(false);
    return false;
}

} // namespace

bool ImageModel::write() {
    if (!loaded_ || fileName_.isEmpty()) return false;
    return writeTo(fileName_);
}

bool ImageModel::writeTo(const QString& path) {
    if (!loaded_ || path.isEmpty()) return false;
    bool written = false;
    if (linkCount(path) > 1) {
        written = writeOver(path, image_);
    } else {
        // Written beside the file and put in its place, so that a failed
        // write leaves the file as it was; straight into the file where the
        // folder allows no new files.
        QSaveFile file(path);
        file.setDirectWriteFallback(true);
        if (!file.open(QIODevice::WriteOnly)) return false;
        if (file.write(image_) != image_.size()) {
            file.cancelWriting();
            return false;
        }
        written = file.commit();
    }
    if (!written) return false;
    fileName_ = path;
    corrected_ = false;
    return true;
}

bool ImageModel::differsFromFile() const {
    if (fileName_.isEmpty() || !QFile::exists(fileName_)) return loaded_ && corrected_;
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) return true;
    return file.readAll() != image_;
}

int ImageModel::byteAt(int address) const {
    if (address < 0 || address >= image_.size()) return 0;
    return static_cast<unsigned char>(image_[address]);
}

int ImageModel::normalise() {
    const qint64 s = base_ + drag_;
    if (s > kLastStart) {
        base_ = kLastStart;
        drag_ = 0;
    } else if (s < 0) {
        base_ = 0;
        drag_ = 0;
    }
    return start();
}

ImageModel::Address ImageModel::showAddress(const QString& text) {
    const std::optional<double> n = parseNumber(text);
    if (!n) return Address::NotANumber;
    drag_ = 0;
    const double b = std::round(*n) - kCentreColumn;
    if (b > kLastStart) {
        base_ = kLastStart;
        return Address::Clamped;
    }
    base_ = b < 0 ? 0 : static_cast<qint64>(b);
    return Address::Shown;
}

void ImageModel::step(const QString& stepText, int direction) {
    drag_ = 0;
    const std::optional<double> n = parseNumber(stepText);
    if (!n) return;
    // A step longer than the image goes to its end like any step that
    // passes it (the redraw clamps), so it is bounded here.
    const double s = std::clamp(std::round(*n), -double(kImageSize), double(kImageSize));
    base_ += static_cast<qint64>(s) * (direction < 0 ? -1 : 1);
    base_ = std::clamp<qint64>(base_, -kImageSize, 2 * kImageSize);
}

void ImageModel::jumpToTables() {
    base_ = kTablesBase;
    drag_ = 0;
}

void ImageModel::press(double x) {
    pressX_ = x;
}

ImageModel::DragMove ImageModel::move(double x, double y, bool leftButton) {
    if (!leftButton || !(x > 0 && x < kColumns - 1 && y > 0 && y < kRows + 1))
        return {false, false};
    drag_ = static_cast<int>(std::lround(pressX_ - x));
    if (base_ + drag_ < 1) {
        base_ = 0;
        return {false, false};
    }
    return {true, true};
}

void ImageModel::release() {
    // The view stays where the drag left it: the offset becomes part of the base.
    base_ += drag_;
    drag_ = 0;
}

ImageModel::Correction ImageModel::correct(int address, const QString& text) {
    if (text.isEmpty() || !loaded_) return Correction::Ignored;
    const std::optional<double> v = parseNumber(text);
    if (!v || *v < 0 || *v > 255) return Correction::Refused;
    if (address < 0 || address >= kImageSize) return Correction::Ignored;
    image_[address] = static_cast<char>(std::lround(*v));
    corrected_ = true;
    return Correction::Corrected;
}

} // namespace finder
