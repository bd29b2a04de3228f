#include "EngineTestWindow.h"

#include "common/Time.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>

namespace kvintor {

SamplePacer::SamplePacer(int columnMs) : columnMs_(columnMs), due_(common::MonotonicMs()) {}

void SamplePacer::waitForNext() {
    due_ += columnMs_;
    const long long left = due_ - common::MonotonicMs();
    if (left > 0) {
        // The window answers the mechanic while it waits.
        common::PauseWithEvents(static_cast<int>(left));
    } else {
        // Late (a slow exchange, a message box): the next column counts
        // from now rather than catching up with samples in a burst.
        due_ = common::MonotonicMs();
    }
}

EngineTestWindow::EngineTestWindow(Program& program, const QString& name, const QString& caption,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), p_(program) {
    setObjectName(name);
    setWindowTitle(caption + p_.state.AppTitle);
    if (p_.mainWindow()) setWindowIcon(p_.mainWindow()->windowIcon());
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

EngineTestWindow::~EngineTestWindow() = default;

void EngineTestWindow::buildPlot(QPoint at, QSize size, const QStringList& vertical,
                                 const QStringList& horizontal, int firstMarkX) {
    Picture1 = new PlotView(size, this);
    Picture1->move(at);
    Label1 = new ScaleMarks(ScaleMarks::Axis::Vertical, vertical, size.height(), 0, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(QStringLiteral("Label1"));
    Label1->placeBy(Picture1);
    Label2 =
        new ScaleMarks(ScaleMarks::Axis::Horizontal, horizontal, size.width(), firstMarkX, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAccessibleName(QStringLiteral("Label2"));
    Label2->placeBy(Picture1);
}

void EngineTestWindow::buildLivePanel(QPoint at, const std::array<LiveRow, 2>& rows) {
    livePanel = new TestLivePanel(p_, rows, this);
    livePanel->move(at);
    Timer1 = livePanel->timer();
    // A running test elsewhere lets window events run between its samples;
    // this panel's reads would come between them.
    livePanel->mayTick = [this] { return !anotherTestRuns(); };
}

bool EngineTestWindow::anotherTestRuns() const {
    if (!parentWidget()) return false;
    const auto windows =
        parentWidget()->findChildren<EngineTestWindow*>(Qt::FindDirectChildrenOnly);
    return std::any_of(windows.begin(), windows.end(),
                       [this](const EngineTestWindow* w) { return w != this && w->inRun(); });
}

void EngineTestWindow::buildButtons(QPoint at) {
    Command1 = new QPushButton(QStringLiteral("Старт"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(at.x(), at.y(), 96, 30);
    Command2 = new QPushButton(QStringLiteral("Стоп"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(at.x() + 104, at.y(), 96, 30);
}

bool EngineTestWindow::mustEnd() const {
    return stop_ || closed_ || p_.ended();
}

bool EngineTestWindow::letEventsRun() {
    common::DoEvents();
    keepLineDuringRun();
    return mustEnd();
}

void EngineTestWindow::keepLineDuringRun() {
    // The main window starts polling again when it is activated, which the
    // events just run may have done; the samples of a running test would
    // then wait behind its requests.
    if (p_.mainWindow() && !p_.ended()) p_.mainWindow()->stopTimers();
}

bool EngineTestWindow::exchangeFailed(int checkStatus) {
    return p_.ended() || p_.ecu.ShowExchangeError(checkStatus);
}

void EngineTestWindow::setBusy(bool busy) {
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void EngineTestWindow::tellResult(const QString& title, std::vector<TestFigure> figures) {
    emit testFinished({objectName(), title, std::move(figures),
                       Picture1 ? Picture1->canvas().image() : QImage()});
}

void EngineTestWindow::startLivePanel() {
    if (!closed_ && !p_.ended()) Timer1->start();
}

bool EngineTestWindow::testRunning() const {
    return !Command1->isEnabled();
}

void EngineTestWindow::closeEvent(QCloseEvent* event) {
    if (closed_ || p_.ended()) {
        event->accept();
        return;
    }
    if (testRunning()) {
        // What the run holds goes back before the hint waits for the
        // mechanic.
        closeRefused();
        p_.ShowTestHint(4);
        event->ignore();
        return;
    }
    stop_ = true;
    Timer1->stop();
    unloading();
    closed_ = true;
    event->accept();
    // The next opening starts afresh.
    if (!inRun()) deleteLater();
}

EngineTestWindow::RunScope::RunScope(EngineTestWindow& w) : w_(w) {
    if (w_.runDepth_++ != 0) return;
    ++w_.p_.testRuns;
    w_.keepLineDuringRun();
}

EngineTestWindow::RunScope::~RunScope() {
    if (--w_.runDepth_ != 0) return;
    --w_.p_.testRuns;
    if (w_.closed_) {
        w_.deleteLater();
        return;
    }
    // The mechanic may have gone to the main window while the test ran;
    // its activation then found the line taken. It polls again now.
    InitTest* main = w_.p_.mainWindow();
    if (main && !w_.p_.ended() && main->isActiveWindow()) main->activated();
}

} // namespace kvintor
