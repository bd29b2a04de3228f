#include "RunningLock.h"

#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace common {

namespace {
std::unique_ptr<QLockFile> lockFile(const QString& path) {
    auto file = std::make_unique<QLockFile>(path);
    // Only a holder that is gone loses the lock, never one that runs long.
    file->setStaleLockTime(0);
    return file;
}
} // namespace

QString RunningLock::pathFor(const SettingsStore& settings, const QString& app) {
    return settings.folder() + QLatin1Char('/') + app + QStringLiteral(".lock");
}

bool RunningLock::heldElsewhere(const QString& path) {
    if (!QFileInfo::exists(path)) return false;
    const auto probe = lockFile(path);
    if (probe->tryLock(0)) {
        probe->unlock();
        return false;
    }
    return probe->error() == QLockFile::LockFailedError;
}

RunningLock::RunningLock(QString path) : path_(std::move(path)) {}

RunningLock::~RunningLock() = default;

bool RunningLock::lock() {
    if (file_ && file_->isLocked()) return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    file_ = lockFile(path_);
    return file_->tryLock(0);
}

void RunningLock::unlock() {
    if (file_) file_->unlock();
}

} // namespace common
