#pragma once
// The main window "Параметры ЭБУ и двигателя": connection and
// identification (Timer1), the four live pages (Timer2), the menus that open
// every other window, the ECU restart (Timer3), the regulator switches and
// the exit dialogue.
#include "LivePanel.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QStatusBar;
class QShortcut;
class QTimer;

namespace kvintor {

class Program;

// The polling timers tick at the system timer rate (1 ms) while the ECU
// answers; after an exchange that failed at once, no faster than 15 ms.
constexpr int kPollIntervalMs = 1;
constexpr int kFailedPollIntervalMs = 15;
// A port that keeps failing is tried again at most this often.
constexpr int kReopenEveryMs = 1000;

// A label's background colour (lamps, bars, status lines).
void paint(QLabel* label, const QColor& colour);

class InitTest : public QMainWindow {
    Q_OBJECT
  public:
    explicit InitTest(Program& program);
    ~InitTest() override;

    // ---- controls, under their names ----
    QLabel* Label1;  // status line
    QLabel* Label10; // engine line
    QStatusBar* StatusBar1;
    std::array<QLabel*, 4> statusPanels{}; // panels 1..4 of StatusBar1
    std::array<QLabel*, kLamps> Label3{};
    std::array<QLabel*, 2> Label4{};
    QLabel* Label7; // "Check Engine"
    std::array<QGroupBox*, kPages> Frame9{};
    std::array<std::array<QGroupBox*, kValuesPerPage>, kPages> valueFrames{};
    // Value labels Label2, Label6, Label5, Label9 and bars Label11..Label14
    // of pages 1..4.
    std::array<std::array<QLabel*, kValuesPerPage>, kPages> values{};
    std::array<std::array<QLabel*, kValuesPerPage>, kPages> bars{};
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;
    QShortcut* exitShortcut; // Alt+F4, which the exit item's caption names
    QGroupBox* Frame4;
    QFrame* Line1;
    QLabel* Label8;

    // ---- menus (index as in the menu tables; index 2 of "ЭБУ" is a line) ----
    std::map<int, QAction*> mEbu;
    std::array<QAction*, 4> nb{};
    std::array<QAction*, 2> Dnn{};
    std::array<QAction*, 5> tst{};
    std::array<QAction*, 9> Reg{};
    std::array<QAction*, 2> vReg{};
    std::array<QAction*, 8> Dat{};
    std::array<QAction*, 4> DopInd{};
    QMenu* DopIndMenu{}; // "Дополнительно", for the items other folders add after these
    std::array<QAction*, 2> Zav{};
    QMenu* RegMenu;

    // ---- handlers ----
    void activated();           // the window became active
    void selectPage(int index); // "Набор" menu
    void clearPanel();
    void timer1Tick();           // connection and identification
    void timer2Tick();           // one live page
    void timer3Tick();           // end of the restart wait
    void restartEcu();           // "Перезагрузить"
    void toggleRegulator(int i); // "Вкл / Откл" item i, or a click on Label4(i)
    void openSettings();         // "Настройка программы"
    void closeAdjustmentWindows();
    void stopTimers();
    // Starts identification (Timer1) or polling (Timer2); the other one
    // stops, so that two polling timers never run at once.
    void startIdentification();
    void startPolling();
    bool shutdownTicked() const;
    int visiblePage() const { return page_; }
    bool fullRange() const { return fullRange_; }

    // An opener per "Регулировки" item, for the adjustment windows.
    std::array<std::function<void(bool open)>, 9> adjustmentWindows;

  signals:
    // ---- the live panel's polls, for a recorder ----
    // A page reply right after the panel showed it: its page (0..3), the
    // reply's elements and the values as the labels show them.
    void pageShown(int page, const std::vector<int>& reply, const kvintor::PageValues& shown);
    // A page poll that failed on the link (the panel is cleared).
    void pollFailed(int result);

  public:
  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildPanel();
    void buildMenus();
    void showReply(const std::vector<int>& reply);
    void setLabel1(const QString& text);
    void setBusyPointer(bool busy);
    void layoutPanel();
    bool identified() const;
    // After an exchange that failed at once (a port that has gone) the
    // timers tick no faster than this, so that a dead line does not spin.
    void paceAfter(QTimer* timer, bool failed);
    // While the port keeps failing, it is opened again now and then, so a
    // re-plugged adapter is found without a trip to the settings window.
    void reopenVanishedPort();

    Program& p_;
    int page_ = 0;
    bool fullRange_ = false;
    bool shownOnce_ = false;
    qint64 lastReopenMs_ = -1;
    bool closing_ = false;   // the exit question is open
    bool panelDirty_ = true; // something is shown that a panel clear removes
};

} // namespace kvintor
