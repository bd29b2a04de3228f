#include "fOscll.h"

#include "common/Dialogs.h"
#include "link/Commands.h"
#include "main/Program.h"

#include <QLabel>
#include <QTimer>

namespace kvintor {

namespace {

QString indexed(const char* name, int i) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

QLabel* valueLabel(QWidget* parent, int i) {
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setObjectName(indexed("Label1", i));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    l->setAutoFillBackground(true);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSize(11);
    l->setFont(f);
    return l;
}

QLabel* captionLabel(QWidget* parent, int i, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(indexed("Label2", i));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

fOscll::fOscll(Program& program, StreamPortFactory streams, QWidget* parent)
    : QDialog(parent), p_(program), streams_(std::move(streams)), decoder_(kStreamDataBytes) {
    setObjectName(QStringLiteral("fOscll"));
    if (parent) setWindowIcon(parent->windowIcon());
    // A signal ending the program while the stream runs: the link gets its
    // port back first, so that the ECU's working variables can be reset.
    p_.addEndHook(this, [this] { unload(); });
    setWindowTitle(QStringLiteral("Осциллографический тест  ") + p_.state.AppTitle);

    const char* const captions[6] = {"THR", "FREQ", "UOZ", "GBC", "VALF", "INJ"};
    constexpr int kMargin = 16;
    constexpr int kTopRow = 10;
    constexpr int kPicturesTop = 48;
    constexpr int kPictureGap = 14;
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        Label2[k] = captionLabel(this, i, QString::fromLatin1(captions[i]));
        Label2[k]->setGeometry(kMargin + i * 230, kTopRow, 50, 24);
        Label1[k] = valueLabel(this, i);
        Label1[k]->setGeometry(kMargin + i * 230 + 54, kTopRow, 110, 24);
    }
    const QSize pictureSize(kPictureWidth, kPictureHeight);
    Picture1 = new PulseView(QStringLiteral("Picture1"), pictureSize, this);
    Picture2 = new PulseView(QStringLiteral("Picture2"), pictureSize, this);
    Picture3 = new PulseView(QStringLiteral("Picture3"), pictureSize, this);
    const std::array<PulseView*, 3> all = pictures();
    for (int j = 0; j < 3; ++j) {
        const auto k = static_cast<std::size_t>(3 + j);
        const int top = kPicturesTop + j * (kPictureHeight + kPictureGap);
        all[static_cast<std::size_t>(j)]->move(kMargin, top);
        const int left = kMargin + kPictureWidth + 12;
        Label2[k] = captionLabel(this, 3 + j, QString::fromLatin1(captions[3 + j]));
        Label2[k]->setGeometry(left, top + 18, 110, 24);
        Label1[k] = valueLabel(this, 3 + j);
        Label1[k]->setGeometry(left, top + 46, 110, 24);
    }
    setFixedSize(kMargin + kPictureWidth + 12 + 110 + kMargin,
                 kPicturesTop + 3 * (kPictureHeight + kPictureGap) + 2);
    W_ = Picture1->width();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kWatchdogMs);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &fOscll::timer1Tick);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kStartTickMs);
    connect(Timer2, &QTimer::timeout, this, &fOscll::timer2Tick);
    Timer2->start();
}

fOscll::~fOscll() {
    unload();
}

// ------------------------------------------------------------------- start

void fOscll::timer2Tick() {
    if (p_.ecu.EcuExchange(kline::cmd::connect()) == kline::kOk) {
        failures_ = 0;
        p_.ecu.EcuExchange(kline::cmd::startStream(streamVariables()));
        takeOverPort();
    } else if (Timer2->interval() != kFailedStartTickMs) {
        Timer2->setInterval(kFailedStartTickMs);
    }
    ++failures_;
    if (failures_ >= kStartChecks) {
        Timer1->stop();
        Timer2->stop();
        failures_ = 0;
        noAnswer();
    }
}

bool fOscll::takeOverPort() {
    Timer2->stop();
    const QString number = p_.ecu.PortNumber;
    const QString device = p_.ecu.ports().device(number.toInt());
    p_.ecu.ClosePort();
    port_ = streams_ ? streams_(device) : nullptr;
    if (!port_ || !port_->open(device)) {
        // Nothing can read the stream: the link gets its port back at once
        // rather than losing it.
        port_.reset();
        p_.ecu.OpenPort(number);
        noAnswer();
        return false;
    }
    port_->clearInput();
    connect(port_.get(), &StreamPort::received, this, &fOscll::received);
    Timer1->start(kWatchdogMs);
    return true;
}

// ------------------------------------------------------------------ stream

void fOscll::received() {
    if (!port_) return;
    for (const kline::StreamFrame& frame : decoder_.feed(port_->input())) {
        if (!frame.ok) {
            // Dropped. The watchdog runs on; it is not put back, so that a
            // line bringing only bad frames is reported too.
            if (!Timer1->isActive()) Timer1->start(kWatchdogMs);
            continue;
        }
        Timer1->stop();
        showFrame(frame.data);
        Timer1->start(kWatchdogMs);
    }
}

void fOscll::showFrame(const std::vector<int>& bytes) {
    const auto texts = streamTexts(bytes);
    for (std::size_t i = 0; i < texts.size(); ++i)
        Label1[i]->setText(texts[i]);
    const auto channels = pulseChannels(bytes);
    const auto all = pictures();
    for (std::size_t j = 0; j < all.size(); ++j) {
        PulseView* picture = all[j];
        const int x0 = picture->outline.rising.x1();
        picture->place(pulseEnd(W_, channels[j].value, channels[j].scale, x0));
    }
}

void fOscll::timer1Tick() {
    Timer1->stop();
    noAnswer();
}

void fOscll::noAnswer() {
    // A box already open is enough (its own event loop keeps the stream
    // and the watchdog running).
    if (messageOpen_) return;
    messageOpen_ = true;
    p_.BeepSignal();
    p_.dialogs.message(QStringLiteral("ЭБУ  не  отвечает") + QStringLiteral("\r\n") +
                           QStringLiteral("Закройте  это  окно  и  повторите  попытку"),
                       p_.state.AppTitle, common::Icon::Exclamation);
    messageOpen_ = false;
}

// ------------------------------------------------------------------- close

void fOscll::done(int result) {
    unload();
    QDialog::done(result);
}

void fOscll::unload() {
    if (unloaded_) return;
    unloaded_ = true;
    Timer1->stop();
    Timer2->stop();
    if (!port_ || !port_->isOpen()) return; // the link never gave its port away
    // Six zero bytes end the stream; then the link has its port again.
    port_->output(QByteArray(6, '\0'));
    port_->setRtsEnable(true);
    port_->close();
    p_.ecu.OpenPort(p_.ecu.PortNumber);
    p_.ecu.EcuExchange(kline::cmd::connect());
}

} // namespace kvintor
