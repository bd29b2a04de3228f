#include "AdjustmentWindow.h"

#include "common/Numbers.h"

#include "common/ActivationWatch.h"
#include "common/SettingsStore.h"
#include "common/Time.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace kvintor {

using adjust::Channel;

namespace {

constexpr int kTwipsPerPixel = 15;
// Where no window manager hands a new window the activation, the window
// reads the ECU by itself this long after it first shows.
constexpr int kUnactivatedReadMs = 250;
constexpr int kSliderWidth = 300;
constexpr int kLabelWidth = 70;

QString indexed(const char* name, int i, bool array) {
    return array ? QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i)
                 : QString::fromLatin1(name);
}

bool onSomeScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(rect)) return true;
    return false;
}

} // namespace

// ------------------------------------------------------------------ slider

SetPointSlider::SetPointSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void SetPointSlider::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    QSlider::mouseReleaseEvent(event);
    emit letGo(button);
}

void SetPointSlider::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    // A held key repeats its press; only the last release counts.
    if (!event->isAutoRepeat()) emit keyLetGo(event->key());
}

// ------------------------------------------------------------------ window

QIcon adjustmentIcon() {
    // A slider on a panel: the same picture for all nine windows.
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(QColor(224, 224, 224));
    painter.drawRoundedRect(QRectF(1.5, 5.5, 29, 21), 3, 3);
    painter.setPen(QPen(QColor(96, 96, 96), 2));
    painter.drawLine(QPointF(6, 14), QPointF(26, 14));
    for (int x = 6; x <= 26; x += 5)
        painter.drawLine(QPointF(x, 19), QPointF(x, 22));
    painter.setPen(QPen(QColor(0, 0, 128), 1));
    painter.setBrush(QColor(255, 255, 128));
    painter.drawPolygon(QPolygonF(
        {QPointF(16, 7), QPointF(20, 7), QPointF(20, 16), QPointF(18, 19), QPointF(16, 16)}));
    painter.end();
    return QIcon(picture);
}


AdjustmentWindow::AdjustmentWindow(Program& program, InitTest& main,
                                   const adjust::WindowEntry& entry)
    : QWidget(&main, Qt::Window), p_(program), main_(main), entry_(entry) {
    setObjectName(entry_.name);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(entry_.caption + p_.state.AppTitle);
    setWindowIcon(adjustmentIcon());
    buildControls();
    adjustSize();
    move(startPosition());
}

AdjustmentWindow::~AdjustmentWindow() = default;

void AdjustmentWindow::buildControls() {
    const bool array = channels() > 1;
    auto* rows = new QVBoxLayout(this);
    rows->setSizeConstraint(QLayout::SetFixedSize);
    rows->setContentsMargins(10, 8, 10, 8);
    rows->setSpacing(4);
    for (int i : entry_.order) {
        const Channel& ch = entry_.channels[static_cast<std::size_t>(i)];
        if (!ch.title.isEmpty()) {
            auto* title = new QLabel(ch.title, this);
            title->setObjectName(QString::fromLatin1(i == 0 ? "Label2" : "Label3"));
            (i == 0 ? Label2 : Label3) = title;
            rows->addWidget(title);
        }
        auto* row = new QHBoxLayout;
        auto* slider = new SetPointSlider(this);
        slider->setObjectName(indexed("Slider1", i, array));
        slider->setAccessibleName(slider->objectName());
        slider->setRange(ch.minimum, ch.maximum);
        slider->setSingleStep(1);
        slider->setPageStep(ch.ticks);
        slider->setTickInterval(ch.ticks);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setMinimumWidth(kSliderWidth);
        slider->setValue(adjust::sliderPosition(ch, 0));
        if (!ch.sliderHint.isEmpty()) slider->setToolTip(ch.sliderHint);

        auto* value = new QLabel(this);
        value->setObjectName(indexed("Label1", i, array));
        value->setFixedWidth(kLabelWidth);
        value->setAlignment(Qt::AlignCenter);
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setAutoFillBackground(true);
        QPalette pal = value->palette();
        pal.setColor(QPalette::Window, Qt::white);
        value->setPalette(pal);
        if (!ch.labelHint.isEmpty()) value->setToolTip(ch.labelHint);

        Slider1[static_cast<std::size_t>(i)] = slider;
        Label1[static_cast<std::size_t>(i)] = value;
        row->addWidget(slider, 1);
        row->addWidget(value, 0, Qt::AlignVCenter);
        rows->addLayout(row);

        connect(slider, &QSlider::valueChanged, this, [this, i] { ShowSliderValue(i); });
        connect(slider, &SetPointSlider::letGo, this, [this, i](Qt::MouseButton button) {
            if (button == Qt::LeftButton)
                ApplySliderValue(i);
            else if (button == Qt::RightButton)
                ReleaseOverride(i);
        });
        connect(slider, &SetPointSlider::keyLetGo, this, [this, i](int key) { keyLetGo(i, key); });
    }
    Slider1[static_cast<std::size_t>(entry_.order.front())]->setFocus();
}

void AdjustmentWindow::setSliderQuietly(int i, int value) {
    QSlider* slider = Slider1[static_cast<std::size_t>(i)];
    const QSignalBlocker quiet(slider);
    slider->setValue(value); // kept within the slider's range
}

QPoint AdjustmentWindow::startPosition() const {
    const QString left = p_.GetSetting(entry_.name, QStringLiteral("Left"), QString());
    const QString top = p_.GetSetting(entry_.name, QStringLiteral("Top"), QString());
    if (!left.isEmpty() && !top.isEmpty()) {
        const QPoint stored(static_cast<int>(std::lround(common::leadingNumber(left) / kTwipsPerPixel)),
                            static_cast<int>(std::lround(common::leadingNumber(top) / kTwipsPerPixel)));
        // A place on a screen that is no longer there would hide the window.
        if (onSomeScreen(QRect(stored, frameGeometry().size()))) return stored;
    }
    const QRect m = main_.frameGeometry();
    return QPoint(static_cast<int>(std::lround(m.x() + m.width() / 2.0)),
                  static_cast<int>(std::lround(m.y() + m.height() / entry_.divisor)));
}

void AdjustmentWindow::storePosition() {
    p_.settings.SaveSettings(Program::kApp, entry_.name,
                             {{QStringLiteral("Left"), QString::number(x() * kTwipsPerPixel)},
                              {QStringLiteral("Top"), QString::number(y() * kTwipsPerPixel)}});
}

// -------------------------------------------------------------- operations

void AdjustmentWindow::ReadCurrentValue() {
    if (reading_ || closing_) return;
    reading_ = true;
    readSinceShown_ = true;
    // The window paints before it waits on the line.
    const QPointer<AdjustmentWindow> self(this);
    common::DoEvents();
    if (!self) return;
    reading_ = false;
    if (closing_) return;
    const kline::Request request = adjust::readRequest(entry_);
    if (request.empty() || p_.ecu.EcuExchange(request) != kline::kOk) return; // silent
    const std::vector<int> read = adjust::readChannels(entry_);
    const std::vector<int>& reply = p_.ecu.EcuReply();
    // A reply without a byte for every variable asked is no reading.
    if (reply.size() < read.size()) return;
    for (std::size_t k = 0; k < read.size(); ++k) {
        const int i = read[k];
        const Channel& ch = entry_.channels[static_cast<std::size_t>(i)];
        const int v = adjust::decode(ch, reply[k]);
        setSliderQuietly(i, adjust::sliderPosition(ch, v));
        // The label tells what the ECU holds, also beyond the slider's range.
        Label1[static_cast<std::size_t>(i)]->setText(adjust::labelText(ch, v));
    }
}

void AdjustmentWindow::ShowSliderValue(int i) {
    if (i < 0 || i >= channels()) return;
    const Channel& ch = entry_.channels[static_cast<std::size_t>(i)];
    Label1[static_cast<std::size_t>(i)]->setText(
        adjust::labelText(ch, Slider1[static_cast<std::size_t>(i)]->value()));
}

void AdjustmentWindow::ApplySliderValue(int i) {
    if (i < 0 || i >= channels()) return;
    const Channel& ch = entry_.channels[static_cast<std::size_t>(i)];
    std::uint8_t& mask = adjust::maskOf(p_.state, ch);
    mask = static_cast<std::uint8_t>(mask | ch.bit);
    p_.ecu.EcuExchange(
        adjust::applyRequest(ch, mask, Slider1[static_cast<std::size_t>(i)]->value()));
    const QPointer<AdjustmentWindow> self(this);
    const bool failed = p_.ecu.ShowExchangeError(1);
    if (self && !failed) {
        QString what = entry_.caption.trimmed();
        if (channels() > 1)
            what += QStringLiteral(": ") + (ch.title.isEmpty() ? ch.sliderHint.simplified() : ch.title);
        emit applied(what, ch.write, Label1[static_cast<std::size_t>(i)]->text());
    }
    if (!self || !failed || entry_.keepsSliderOnApplyError) return;
    // The bit stays set in the program's copy; the window shows no value.
    Label1[static_cast<std::size_t>(i)]->clear();
    setSliderQuietly(i, adjust::sliderPosition(ch, 0));
}

void AdjustmentWindow::ReleaseOverride(int i) {
    if (i < 0 || i >= channels()) return;
    const Channel& ch = entry_.channels[static_cast<std::size_t>(i)];
    if (ch.afterRelease == adjust::AfterRelease::EmptyLabel)
        Label1[static_cast<std::size_t>(i)]->clear();
    std::uint8_t& mask = adjust::maskOf(p_.state, ch);
    mask = static_cast<std::uint8_t>(mask & ~ch.bit);
    const int result = p_.ecu.EcuExchange(adjust::releaseRequest(ch, mask));
    bool tell = false;
    switch (entry_.releaseCheck) {
    case adjust::ReleaseCheck::Refusals:
        tell = result == kline::kOk;
        break;
    case adjust::ReleaseCheck::Everything:
        tell = true;
        break;
    case adjust::ReleaseCheck::EverythingButOnClose:
        tell = !closing_;
        break;
    }
    const QPointer<AdjustmentWindow> self(this);
    if (tell) p_.ecu.ShowExchangeError(1);
    if (self && ch.afterRelease == adjust::AfterRelease::ReadAgain) ReadCurrentValue();
}

void AdjustmentWindow::keyLetGo(int i, int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        ApplySliderValue(i);
        break;
    case Qt::Key_Backspace:
        ReleaseOverride(i);
        break;
    default:
        break; // Page Up/Down, Home and End only move the slider
    }
}

// ------------------------------------------------------------------ events

void AdjustmentWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || closing_) return;
    // A message box of ours closing hands the activation back: that is no
    // return to the window, and the slider keeps what the box was about.
    if (common::ActivationWatch::instance().takeReturnFromMessageBox()) return;
    QTimer::singleShot(0, this, [this] {
        if (isActiveWindow()) ReadCurrentValue();
    });
}

void AdjustmentWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    QTimer::singleShot(kUnactivatedReadMs, this, [this] {
        if (!readSinceShown_) ReadCurrentValue();
    });
}

void AdjustmentWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        for (int i = 0; i < channels(); ++i)
            if (entry_.channels[static_cast<std::size_t>(i)].releasedOnClose) ReleaseOverride(i);
        if (QAction* item = main_.Reg[static_cast<std::size_t>(entry_.menuIndex)])
            item->setChecked(false);
        storePosition();
    }
    event->accept();
}

void AdjustmentWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Delete:
        main_.activateWindow();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace kvintor
