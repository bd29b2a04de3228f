#include "tfRegCrb.h"

#include "EngineTestWindow.h"
#include "TestLivePanel.h"
#include "TestPlot.h"
#include "common/Dialogs.h"
#include "link/Commands.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace kvintor {

namespace {

constexpr std::uint8_t kVarStatus = 0x06;    // bit 2 set: injection engine
constexpr std::uint8_t kVarSpeedCode = 0x29; // engine speed / 40 rpm
constexpr std::uint8_t kVarVacuum = 0x23;    // intake vacuum, mbar (two bytes)
// Where a failed read parks the lines (then hidden).
constexpr int kParkedX = 8;
constexpr int kParkedY = 324;

QLabel* valueIn(QGroupBox* frame, const QString& name, const QString& tip) {
    auto* label = new QLabel(frame);
    label->setObjectName(name);
    label->setAccessibleDescription(name);
    label->setToolTip(tip);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setGeometry(12, 24, 106, 26);
    return label;
}

QLabel* text(const QString& content, const QString& name, QWidget* parent) {
    auto* label = new QLabel(content, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

ChartLine::ChartLine(Direction direction, const QString& name, QWidget* chart)
    : QWidget(chart), direction_(direction) {
    setObjectName(name);
    setAccessibleName(name);
    setAutoFillBackground(true);
    moveTo(0);
}

void ChartLine::moveTo(int position) {
    position_ = position;
    const QWidget* chart = parentWidget();
    // Two pixels thick, so that the lines stand out on the grid.
    if (direction_ == Direction::Vertical)
        setGeometry(position, 0, kThickness, chart->height());
    else
        setGeometry(0, position, chart->width(), kThickness);
}

void ChartLine::setColour(const QColor& colour) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
}

QColor ChartLine::colour() const {
    return palette().color(QPalette::Window);
}

int speedLineY(int speedCode, int h) {
    const double y = std::floor(h - static_cast<double>(h) * speedCode / kFullScaleCode);
    return static_cast<int>(std::clamp(y, 3.0, 335.0));
}

int vacuumLineX(int vacuumMbar, int w) {
    const double x = std::floor(vacuumMbar / 201.0 * w - w);
    return static_cast<int>(std::clamp(x, 2.0, 530.0));
}

bool vacuumInBand(int x) {
    return x >= 258 && x <= 264;
}

QColor vacuumColour(int x) {
    return vacuumInBand(x) ? QColor(255, 255, 192) : QColor(0, 255, 0);
}

tfRegCrb::tfRegCrb(Program& program, QWidget* parent) : QWidget(parent, Qt::Window), p_(program) {
    setObjectName(QStringLiteral("tfRegCrb"));
    setWindowTitle(QStringLiteral("Регулировка карбюратора  (Двигатель 406 - 4063)  ") +
                   p_.state.AppTitle);
    if (p_.mainWindow()) setWindowIcon(p_.mainWindow()->windowIcon());

    Label5 = text(QStringLiteral("ВНИМАНИЕ!  Убедитесь, что все дополнительные потребители "
                                 "электрознергии автомобиля, ОТКЛЮЧЕНЫ."),
                  QStringLiteral("Label5"), this);
    Label5->setWordWrap(true);
    Label5->setGeometry(16, 6, 720, 34);
    QPalette warning = Label5->palette();
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label5->setPalette(warning);

    // The chart: a grid of 29-pixel columns and 26-pixel rows, the scales
    // around it, the two lines on it.
    const QPoint chartAt(76, 48);
    Picture1 = new PlotView(QSize(kChartWidth, kChartHeight), this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QStringLiteral("Picture1"));
    Picture1->move(chartAt);
    Picture1->canvas().drawGrid();
    Line2 = new ChartLine(ChartLine::Direction::Horizontal, QStringLiteral("Line2"), Picture1);
    Line2->setColour(QColor(255, 64, 64));
    Line1 = new ChartLine(ChartLine::Direction::Vertical, QStringLiteral("Line1"), Picture1);
    Line1->setColour(vacuumColour(0));
    Line1->hide();
    Line2->hide();

    Label1 =
        new ScaleMarks(ScaleMarks::Axis::Vertical, accelerationSpeedMarks(), kChartHeight, 0, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(QStringLiteral("Label1"));
    Label1->placeBy(Picture1);
    Label2 =
        text(QStringLiteral("О Б О Р О Т Ы   В   М И Н У Т У"), QStringLiteral("Label2"), this);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(4, chartAt.y() + 40, 14, kChartHeight - 80);

    const int under = chartAt.y() + kChartHeight + 4;
    Label9 = text(QStringLiteral("  БОГАТАЯ    60   50"), QStringLiteral("Label9"), this);
    Label9->setGeometry(chartAt.x(), under, 140, 18);
    Label11 = text(QStringLiteral("  40    30   20   10"), QStringLiteral("Label11"), this);
    Label11->setGeometry(chartAt.x() + 140, under, 124, 18);
    Label3 = text(QStringLiteral("10    20    30   40    50    60    БЕДНАЯ"),
                  QStringLiteral("Label3"), this);
    Label3->setGeometry(chartAt.x() + kChartWidth / 2 + 4, under, kChartWidth / 2, 18);

    // The readings and the ignition hold, right of the chart.
    const int right = chartAt.x() + kChartWidth + 16;
    Frame1 = new QGroupBox(QStringLiteral("Темпер. о.ж."), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(right, chartAt.y(), 130, 62);
    Label6 = valueIn(Frame1, QStringLiteral("Label6"), QStringLiteral("  Норма 75-95 град.  "));
    Frame2 = new QGroupBox(QStringLiteral("Обороты"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(right, chartAt.y() + 76, 130, 62);
    Label7 = valueIn(Frame2, QStringLiteral("Label7"),
                     QStringLiteral("  Холостой ход норма 800-900 обор/мин.  "));
    Frame3 = new QGroupBox(QStringLiteral("Разряжение"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(right, chartAt.y() + 152, 130, 62);
    Label8 = valueIn(Frame3, QStringLiteral("Label8"), QStringLiteral("  Норма 300 мБар.  "));
    Check1 = new QCheckBox(QStringLiteral("Регул УОЗ"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(true);
    Check1->setGeometry(right + 8, chartAt.y() + 236, 122, 24);
    connect(Check1, &QCheckBox::clicked, this, &tfRegCrb::check1Clicked);
    setFixedSize(right + 146, under + 28);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &tfRegCrb::tick);
    Timer1->start();

    // The program's end lets the ignition go before it resets the ECU.
    p_.addEndHook(this, [this] {
        if (closed_) return;
        Timer1->stop();
        releaseIgnition();
    });
}

bool tfRegCrb::testRunsElsewhere() const {
    if (!parentWidget()) return false;
    const auto windows =
        parentWidget()->findChildren<EngineTestWindow*>(Qt::FindDirectChildrenOnly);
    return std::any_of(windows.begin(), windows.end(),
                       [](const EngineTestWindow* w) { return w->inRun(); });
}

void tfRegCrb::tick() {
    if (closed_ || p_.ended()) return;
    // A test window's run has the line; its polls let this timer tick in
    // between them.
    if (testRunsElsewhere()) {
        Timer1->setInterval(kFailedPollIntervalMs);
        return;
    }
    if (p_.ecu.EcuExchange(kline::cmd::readVariables(
            {kVarCoolant, kVarSpeedCode, kVarVacuum, kVarStatus})) != kline::kOk) {
        showFailure();
        // A read that fails at once must not make the timer spin.
        Timer1->setInterval(kFailedPollIntervalMs);
        return;
    }
    Timer1->setInterval(kPollIntervalMs);
    const std::vector<int> reply = p_.ecu.EcuReply();
    const auto byte = [&reply](std::size_t i) { return i < reply.size() ? reply[i] : 0; };
    if (byte(4) & 0x04) {
        // No more ticks behind the message box.
        Timer1->stop();
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Этот  двигатель  не  оснащен  карбюратором!") +
                               QStringLiteral("\r\n") +
                               QStringLiteral("Дальнейшее  продолжение  теста  не  целесообразно."),
                           p_.state.AppTitle, common::Icon::Information);
        close();
        return;
    }
    Label6->setText(QString::number(byte(0) - 40));
    const int code = byte(1);
    Label7->setText(QString::number(code * 40));
    const int vacuum = byte(2) + 256 * byte(3);
    Label8->setText(QString::number(vacuum));
    const int y = speedLineY(code, Picture1->canvas().height());
    const int v = vacuumLineX(vacuum, Picture1->canvas().width());
    Line1->setColour(vacuumColour(v));
    Line2->moveTo(y);
    Line1->moveTo(v);
    Line1->show();
    Line2->show();
}

void tfRegCrb::showFailure() {
    Line1->moveTo(kParkedX);
    Line2->moveTo(kParkedY);
    Line1->hide();
    Line2->hide();
    Label6->clear();
    Label7->clear();
    Label8->clear();
}

void tfRegCrb::check1Clicked(bool checked) {
    if (!checked) {
        p_.state.OverrideMaskA |= kIgnitionBit;
        p_.ecu.EcuExchange(
            kline::cmd::writeVariables({{kline::cmd::kVarMaskA, p_.state.OverrideMaskA}}));
        p_.ecu.ShowExchangeError(1);
    } else {
        releaseIgnition();
    }
}

void tfRegCrb::releaseIgnition() {
    p_.state.OverrideMaskA &= static_cast<std::uint8_t>(~kIgnitionBit);
    p_.ecu.EcuExchange(
        kline::cmd::writeVariables({{kline::cmd::kVarMaskA, p_.state.OverrideMaskA}}));
}

void tfRegCrb::closeEvent(QCloseEvent* event) {
    if (closed_ || p_.ended()) {
        event->accept();
        return;
    }
    Timer1->stop();
    releaseIgnition();
    closed_ = true;
    event->accept();
    // The next opening starts afresh.
    deleteLater();
}

} // namespace kvintor
