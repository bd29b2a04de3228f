#pragma once
// Kvintor's program frame: start-up, the settings it keeps, the warning
// sound, the test hints and the end of the program. One object per run,
// holding the program-wide state and the ECU link; tests build their own.
#include "ReleaseLedger.h"
#include "ReportLog.h"
#include "VisitFeed.h"
#include "common/ProgramState.h"
#include "link/EcuLink.h"
#include "link/ExchangeLog.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace common {
class Dialogs;
class Platform;
class SettingsStore;
} // namespace common

namespace kvintor {

class InitTest;
class fNastr;

class Program {
public:
    static constexpr int kMajorVersion = 4;
    static const QString kApp; // the settings' application name

    Program(common::SettingsStore& settings, common::Dialogs& dialogs, common::Platform& platform,
            kline::PortMap& ports, kline::PortFactory factory, QString appFolder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Splash, settings, port, main window. False when the program ended
    // during start-up (no port); the caller then does not run the event loop.
    bool StartUp();
    void SaveSettingsAndQuit();
    // The end of "Выйти" once the question is answered, and of a signal:
    // the polling stops, the ECU's working variables 9..15 are reset, the
    // settings are stored and the program ends.
    void endWithReset();
    void ResetWindowPositions();
    void ShowTestHint(int code);
    void BeepSignal() { common::BeepSignal(ctx); }

    // Shows the settings window modally (start-up and menu).
    void showSettingsWindow();

    QString GetSetting(const QString& section, const QString& key, const QString& def) const;
    bool SaveSetting(const QString& section, const QString& key, const QString& value);
    // The report log: in the program's folder, or in the user's data folder
    // when the program's folder is not writable or is the system's (an
    // installed program).
    ReportLog report() const;
    // Adds an identification line; a failure is told once per run.
    void writeReport(const QString& line);

    InitTest* mainWindow() const { return main_.get(); }
    QWidget* splash() const { return splash_.get(); }
    void closeSplash();
    bool ended() const { return ended_; }

    common::SettingsStore& settings;
    common::Dialogs& dialogs;
    common::Platform& platform;
    common::ProgramState state;
    common::Context ctx;
    // The latest 20 000 exchanges of the run from its start, whether the
    // link monitor is open or not (it outlives the link that feeds it).
    kline::ExchangeLog exchanges;
    kline::EcuLink ecu;
    // What the ECU is still owed back, whichever window changed it.
    ReleaseLedger ledger;
    // What the windows show of the visit, for whoever keeps it.
    VisitFeed feed;

    // Seams of the run: the real ones by default.
    std::function<void()> endProgram;      // ends the process at once
    std::function<int(QDialog&)> execModal; // runs a modal window
    std::function<QSize()> screenSize;      // in pixels
    // The part of the screen windows may take (without the desktop's
    // panels), in pixels.
    std::function<QRect()> availableArea;
    std::function<void(const QString&)> warn; // a line on the standard error output
    QString dataFolder; // the user's data folder for Kvintor, ending in "/"
    // Engine test runs on the stack: while one runs, the line is the test's
    // and the main window's activation does not start polling.
    int testRuns = 0;
    // The windows of the other folders hook themselves into the main
    // window's menus here; each runs once, right after the main window is
    // built (before it shows).
    std::vector<std::function<void(InitTest&)>> whenMainWindowBuilt;
    // Other folders add their part of the settings window here; each runs
    // whenever the window is built (before it shows).
    std::vector<std::function<void(fNastr&)>> whenSettingsBuilt;
    // A window that holds something the end must give back first (the
    // oscilloscope holds the port) adds a hook for as long as it lives;
    // endWithReset runs the living hooks before its reset.
    void addEndHook(QObject* owner, std::function<void()> hook);
    // The splash shown while the program starts (a plain one by default).
    std::function<std::unique_ptr<QWidget>()> makeSplash;
    // Whether the main window's "Выключить компьютер" is ticked.
    bool shutdownTicked() const;

private:
    std::unique_ptr<QWidget> splash_;
    std::unique_ptr<InitTest> main_;
    bool ended_ = false;
    bool reportFailureTold_ = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> endHooks_;
};

} // namespace kvintor
