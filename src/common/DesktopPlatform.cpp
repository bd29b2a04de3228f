#include "Platform.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cmath>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#ifdef KV_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace common {

#ifdef KV_HAVE_ALSA
namespace {
// ALSA's own complaints (no sound card) are not the user's business: a
// missing output is reported by the result.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void silenceAlsa() {
    static const bool once = [] {
        snd_lib_error_set_handler(quietAlsa);
        return true;
    }();
    (void)once;
}
} // namespace
#endif

bool DesktopPlatform::beep(int frequencyHz, int durationMs) {
#ifdef KV_HAVE_ALSA
    // Non-blocking throughout: a device that is busy or slow must not hold
    // the window (the tone sounds before every warning box) for longer than
    // the tone itself.
    silenceAlsa();
    QElapsedTimer clock;
    clock.start();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
    const unsigned rate = 44100;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, rate, 1,
                           50000) < 0) {
        snd_pcm_close(pcm);
        return false;
    }
    const auto frames = static_cast<size_t>(rate) * static_cast<size_t>(durationMs) / 1000;
    std::vector<short> samples(frames);
    const double step = 2.0 * M_PI * frequencyHz / rate;
    for (size_t i = 0; i < frames; ++i)
        samples[i] = static_cast<short>(std::lround(9000.0 * std::sin(step * static_cast<double>(i))));
    bool ok = true;
    size_t done = 0;
    while (done < frames) {
        const qint64 left = durationMs - clock.elapsed();
        if (left <= 0) break;
        const snd_pcm_sframes_t n =
            snd_pcm_writei(pcm, samples.data() + done, static_cast<snd_pcm_uframes_t>(frames - done));
        if (n == -EAGAIN) {
            snd_pcm_wait(pcm, static_cast<int>(left));
            continue;
        }
        if (n < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) {
                ok = false;
                break;
            }
            continue;
        }
        done += static_cast<size_t>(n);
    }
    // What is still buffered plays out within the tone's own time; closing
    // drops whatever is left after it.
    const qint64 rest = durationMs - clock.elapsed();
    if (ok && rest > 0) QThread::msleep(static_cast<unsigned long>(rest));
    snd_pcm_close(pcm);
    return ok;
#else
    Q_UNUSED(frequencyHz);
    Q_UNUSED(durationMs);
    return false;
#endif
}

bool DesktopPlatform::soundOutputAvailable() {
#ifdef KV_HAVE_ALSA
    silenceAlsa();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
    snd_pcm_close(pcm);
    return true;
#else
    return false;
#endif
}

bool DesktopPlatform::shutdownComputer() {
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("shutdown"), {QStringLiteral("/s"), QStringLiteral("/t"), QStringLiteral("0")});
#else
    return QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
#endif
}

bool DesktopPlatform::setAutostart(const QString& name, const QString& command, bool enabled) {
    // The XDG autostart folder of the user: one .desktop entry per program.
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".desktop");
    if (!enabled) return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(folder)) return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() +
                             "\nExec=" + command.toUtf8() + "\nX-GNOME-Autostart-enabled=true\n";
    return f.write(entry) == entry.size();
}

bool DesktopPlatform::openUrl(const QString& url) { return QDesktopServices::openUrl(QUrl(url)); }

QString DesktopPlatform::desktopFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

// Hiding the desktop and switching the keyboard layout are Windows matters;
// on other systems they do nothing.
#ifdef Q_OS_WIN
void DesktopPlatform::showDesktopWindow(bool visible) {
    // The desktop window of Windows ("Progman", "Program Manager") is hidden
    // and disabled, or shown and enabled again.
    HWND desktop = FindWindowW(L"Progman", L"Program Manager");
    if (!desktop) return;
    ShowWindow(desktop, visible ? SW_SHOW : SW_HIDE);
    EnableWindow(desktop, visible ? TRUE : FALSE);
}
void DesktopPlatform::activateKeyboardLayout(unsigned layout) {
    ActivateKeyboardLayout(reinterpret_cast<HKL>(static_cast<quintptr>(layout)), 0);
}
#else
void DesktopPlatform::showDesktopWindow(bool) {}
void DesktopPlatform::activateKeyboardLayout(unsigned) {}
#endif

int DesktopPlatform::osMajorVersion() { return 10; }

bool DesktopPlatform::startDetached(const QString& program, const QStringList& arguments,
                                    const QString& workingFolder) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingFolder.isEmpty()) process.setWorkingDirectory(workingFolder);
#ifdef Q_OS_WIN
    // A script that cleans up after the program needs no console window.
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* a) {
        a->flags |= CREATE_NO_WINDOW;
    });
#endif
    return process.startDetached();
}

} // namespace common
