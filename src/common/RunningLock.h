#pragma once
// A lock that a program holds in its settings folder while it runs, so that
// another program (the uninstaller) can tell that it runs. It is a QLockFile:
// the system lets it go when its holder ends, however it ends, and a lock
// file left by a holder that is gone is taken over.
#include <QString>
#include <memory>

class QLockFile;

namespace common {

class SettingsStore;

class RunningLock {
  public:
    // The lock of application app beside its settings: "<folder>/<app>.lock".
    static QString pathFor(const SettingsStore& settings, const QString& app);
    // Whether a living program holds the lock at path.
    static bool heldElsewhere(const QString& path);

    explicit RunningLock(QString path);
    ~RunningLock();
    RunningLock(const RunningLock&) = delete;
    RunningLock& operator=(const RunningLock&) = delete;

    // False when another program holds it or the folder cannot be written.
    bool lock();
    void unlock();

  private:
    QString path_;
    std::unique_ptr<QLockFile> file_;
};

} // namespace common
