#pragma once
// What the engine test windows share: the caption and icon, the plot with
// its scales, the live panel with Timer1, Start and Stop, the busy pointer,
// the stop flag that the test loops poll while they let window events run,
// Esc, and the close rule (a running test keeps its window open).
#include "TestLivePanel.h"
#include "TestPlot.h"
#include "main/VisitFeed.h"

#include <QWidget>
#include <array>

class QPushButton;
class QTimer;

namespace kvintor {

class Program;

// Paces the samples of a plot so that one column is a fixed span of real
// time, whatever the exchange and the drawing take: the pause before a
// sample fills what is left of the span (none when the span is used up).
class SamplePacer {
  public:
    explicit SamplePacer(int columnMs);
    // Waits until one column has passed since the previous sample (or
    // since the pacer was made).
    void waitForNext();

  private:
    int columnMs_;
    long long due_;
};

class EngineTestWindow : public QWidget {
    Q_OBJECT
  public:
    ~EngineTestWindow() override;

    PlotView* Picture1 = nullptr;
    ScaleMarks* Label1 = nullptr; // vertical scale
    ScaleMarks* Label2 = nullptr; // horizontal scale
    TestLivePanel* livePanel = nullptr;
    QTimer* Timer1 = nullptr;
    QPushButton* Command1 = nullptr; // "Старт"
    QPushButton* Command2 = nullptr; // "Стоп"

    // A test loop is on the stack (from Start to its end step).
    bool inRun() const { return runDepth_ > 0; }
    // Another test window of the program runs its test: it has the line.
    bool anotherTestRuns() const;
    bool stopFlag() const { return stop_; }

  signals:
    // A test ran to its end: its figures as shown, the plot as drawn.
    void testFinished(const kvintor::TestResult& result);

  protected:
    // name: the window's name (objectName and settings section); caption:
    // the text shown before the program's title.
    EngineTestWindow(Program& program, const QString& name, const QString& caption,
                     QWidget* parent);

    // The plot at `at` with its scales beside and under it.
    void buildPlot(QPoint at, QSize size, const QStringList& vertical,
                   const QStringList& horizontal, int firstMarkX);
    void buildLivePanel(QPoint at, const std::array<LiveRow, 2>& rows);
    void buildButtons(QPoint at);

    // Lets pending window events run (Stop, a close request, other windows);
    // true when the running test must end: Stop was pressed, the window has
    // closed or the program is ending.
    bool letEventsRun();
    // While a test runs only the test talks to the ECU: the main window's
    // polling, restarted by its activation, is stopped again.
    void keepLineDuringRun();
    bool mustEnd() const;
    // After an exchange: true when it failed or the ECU refused it (the
    // link's message shown), or when the program is ending (quietly).
    bool exchangeFailed(int checkStatus);
    void setBusy(bool busy);
    // Starts the live panel, unless the window has closed meanwhile.
    void startLivePanel();
    // Tells the test's result with the plot (if the window has one).
    void tellResult(const QString& title, std::vector<TestFigure> figures);

    // The close rule: while this answers true the close is refused with
    // hint 4 (and closeRefused() runs); otherwise unloading() runs and the
    // window goes.
    virtual bool testRunning() const;
    virtual void closeRefused() {}
    virtual void unloading() {}
    void closeEvent(QCloseEvent* event) override;

    // Marks a test loop on the stack; a window closed meanwhile is deleted
    // only when the loop has returned.
    class RunScope {
      public:
        explicit RunScope(EngineTestWindow& w);
        ~RunScope();
        RunScope(const RunScope&) = delete;
        RunScope& operator=(const RunScope&) = delete;

      private:
        EngineTestWindow& w_;
    };

    Program& p_;
    bool stop_ = true;
    bool closed_ = false;

  private:
    int runDepth_ = 0;
};

} // namespace kvintor
