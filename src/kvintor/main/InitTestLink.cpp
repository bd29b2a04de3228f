// The main window's work with the ECU: identification, the live pages, the
// restart and the regulator switches.
#include "InitTest.h"
#include "Program.h"
#include "link/Commands.h"

#include <QAction>
#include <algorithm>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

namespace kvintor {

namespace cmd = kline::cmd;

namespace {
const QColor kLightGrey(224, 224, 224);
const QColor kSilver(192, 192, 192);
} // namespace

bool InitTest::identified() const {
    return Label1->text().contains(QLatin1Char('R')) || Label1->text().contains(QStringLiteral("Мик"));
}

void InitTest::setLabel1(const QString& text) { Label1->setText(text); }

void InitTest::setBusyPointer(bool busy) {
    if (busy) setCursor(Qt::BusyCursor);
    else unsetCursor();
}

void InitTest::stopTimers() {
    Timer1->stop();
    Timer2->stop();
}

void InitTest::startIdentification() {
    Timer2->stop();
    Timer1->start();
}

void InitTest::startPolling() {
    Timer1->stop();
    // The ECU has just answered: the panel runs at the full rate.
    paceAfter(Timer2, false);
    Timer2->start();
}

void InitTest::paceAfter(QTimer* timer, bool failed) {
    // A disturbed line settles while the timer waits, not in the exchange.
    const int interval = failed ? std::max(kFailedPollIntervalMs, p_.ecu.settleLeftMs()) : kPollIntervalMs;
    if (timer->interval() != interval) timer->setInterval(interval);
}

void InitTest::reopenVanishedPort() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    const qint64 now = clock.elapsed();
    if (lastReopenMs_ >= 0 && now - lastReopenMs_ < kReopenEveryMs) return;
    lastReopenMs_ = now;
    // A port that could not be opened at all (the adapter pulled while
    // another window had the port) is opened afresh as well.
    if (p_.ecu.PortHandle() > 0)
        p_.ecu.ReopenPort();
    else
        p_.ecu.OpenPort(p_.ecu.PortNumber);
}

void InitTest::activated() {
    p_.closeSplash();
    setWindowTitle(p_.state.AppTitle);
    // The restart wait ends by itself; under the exit question nothing polls,
    // nor while an engine test runs (it polls again when the run ends).
    if (Timer3->isActive() || p_.ended() || closing_ || p_.testRuns > 0) return;
    if (p_.ecu.PortHandle() <= 0) {
        // No port (another window could not give it back): nothing on the
        // panel is live any more, and identification goes on trying to
        // open it again.
        if (p_.ecu.PortNumber.toInt() < 1 || p_.ecu.PortNumber.toInt() > 4) return;
        clearPanel();
        setLabel1(kline::EcuLink::ExchangeErrorText(kline::kPortError));
        paceAfter(Timer1, true);
        startIdentification();
        return;
    }
    if (!identified()) {
        setLabel1(QStringLiteral("_____Тест_____"));
        int page = p_.GetSetting(QStringLiteral("InitTest"), QStringLiteral("Набор"), QStringLiteral("0")).toInt();
        if (page < 0 || page > 3) page = 0;
        selectPage(page);
        startIdentification();
    } else {
        startPolling();
    }
}

void InitTest::selectPage(int index) {
    if (index < 0 || index >= kPages) return;
    for (int i = 0; i < kPages; ++i) {
        nb[static_cast<std::size_t>(i)]->setChecked(i == index);
        Frame9[static_cast<std::size_t>(i)]->setVisible(i == index);
    }
    page_ = index;
    p_.SaveSetting(QStringLiteral("InitTest"), QStringLiteral("Набор"), QString::number(index));
    if (Label1->text() == QStringLiteral("Ошибка длины пакета")) {
        clearPanel();
        activated();
    }
}

void InitTest::clearPanel() {
    Timer2->stop();
    // A dead line clears the panel on every tick; once clear, it stays so
    // until something is shown again.
    if (!panelDirty_) return;
    panelDirty_ = false;
    const QColor face = palette().color(QPalette::Button);
    for (int p = 0; p < kPages; ++p) {
        for (int k = 0; k < kValuesPerPage; ++k) {
            values[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)]->clear();
            paint(bars[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)], face);
        }
    }
    for (QLabel* lamp : Label3) paint(lamp, lampColour(false));
    for (int i = 0; i < 2; ++i) {
        vReg[static_cast<std::size_t>(i)]->setChecked(true);
        Label4[static_cast<std::size_t>(i)]->setText(QStringLiteral("Вкл"));
        paint(Label4[static_cast<std::size_t>(i)], kSilver);
    }
    Label10->clear();
    for (int i = 16; i < kLamps; ++i) Label3[static_cast<std::size_t>(i)]->setText(lampCaption(i));
    paint(Label7, checkEngineColour(false));
}

void InitTest::timer1Tick() {
    // An engine test has the line for its run; it starts this window again
    // when the run ends.
    if (p_.testRuns > 0) return stopTimers();
    kline::EcuLink& ecu = p_.ecu;
    const int r = ecu.EcuExchange(cmd::connect());
    paceAfter(Timer1, r != kline::kOk);
    if (r == kline::kPortError) reopenVanishedPort();
    if (r != kline::kOk) {
        clearPanel();
        statusPanels[2]->setText(QStringLiteral("Версия ПЗУ -"));
        statusPanels[3]->setText(QStringLiteral("Серия -"));
        setLabel1(kline::EcuLink::ExchangeErrorText(r));
        setBusyPointer(true);
        return;
    }
    setBusyPointer(false);

    QString type, series, rom;
    const bool haveType = ecu.EcuExchange(cmd::ecuType()) == kline::kOk;
    if (haveType) type = ecu.ReplyAsText();
    const bool haveSeries = ecu.EcuExchange(cmd::readVariables({cmd::kVarSerial})) == kline::kOk;
    if (haveSeries) series = ecu.ReplyAsText();
    statusPanels[3]->setText(haveSeries ? QStringLiteral("Серия - ") + series : QStringLiteral("Серия - не определена"));
    const bool haveRom = ecu.EcuExchange(cmd::readVariables({cmd::kVarRomVersion})) == kline::kOk;
    if (haveRom) rom = ecu.ReplyAsText();
    statusPanels[2]->setText(haveRom ? QStringLiteral("Версия ПЗУ - ") + rom
                                     : QStringLiteral("Версия ПЗУ - не определена"));
    QString engineRead;
    if (ecu.EcuExchange(cmd::engineText()) == kline::kOk) {
        const QString engine = engineRead = ecu.ReplyAsText();
        Label10->setText(QStringLiteral("Двигатель - ") + engine);
        panelDirty_ = true;
        p_.state.EngineVariant = cmd::engineVariantFor(engine);
    }
    if (p_.state.ReportEnabled == 1)
        p_.writeReport(ReportLog::line(haveType ? &type : nullptr, haveSeries ? &series : nullptr,
                                       haveRom ? &rom : nullptr));
    setLabel1(type);

    if (ecu.EcuExchange(cmd::readConnectionValues()) == kline::kOk) {
        // The values found at the first identification of this ECU are what
        // "Нет" at the exit restores, for the whole run: identifying again
        // after a lost poll would read the adjusted values instead. Only
        // another ECU (another serial number) brings new ones.
        common::ProgramState& s = p_.state;
        const bool anotherEcu =
            haveSeries && !s.ConnectionSerial.isEmpty() && series != s.ConnectionSerial;
        if (!s.ConnectionValuesRead || anotherEcu) {
            s.ConnectionValue65 = static_cast<std::uint8_t>(ecu.reply(0));
            s.ConnectionValue66 = static_cast<std::uint8_t>(ecu.reply(1));
            s.ConnectionValue40 = static_cast<std::uint8_t>(ecu.reply(2));
            s.ConnectionValuesRead = true;
            s.ConnectionSerial = haveSeries ? series : QString();
        } else if (s.ConnectionSerial.isEmpty() && haveSeries) {
            s.ConnectionSerial = series;
        }
        paint(Label1, kLightGrey);
        startPolling();
        emit p_.feed.ecuIdentified({haveType ? type : QString(), haveSeries ? series : QString(),
                                    haveRom ? rom : QString(), engineRead});
    }
}

void InitTest::timer2Tick() {
    if (p_.testRuns > 0) return stopTimers();
    kline::EcuLink& ecu = p_.ecu;
    if (page_ == 0) {
        QGroupBox* speed = valueFrames[0][2];
        const QString caption = frameCaption(0, 2, fullRange_);
        if (speed->title() != caption) speed->setTitle(caption);
    }
    const int r = ecu.EcuExchange(cmd::livePage(page_, fullRange_));
    paceAfter(Timer2, r != kline::kOk);
    if (r != kline::kOk) {
        setLabel1(kline::EcuLink::ExchangeErrorText(r));
        clearPanel();
        paceAfter(Timer1, true);
        startIdentification();
        emit pollFailed(r);
        return;
    }
    if (static_cast<int>(ecu.EcuReply().size()) != cmd::livePageLength(page_)) {
        setLabel1(QStringLiteral("Ошибка длины пакета"));
        return;
    }
    showReply(ecu.EcuReply());
}

void InitTest::showReply(const std::vector<int>& reply) {
    panelDirty_ = true;
    for (int i = 0; i < kLamps; ++i) paint(Label3[static_cast<std::size_t>(i)], lampColour(lampLit(i, reply)));
    const PageValues shown = decodePage(page_, reply, fullRange_);
    for (int k = 0; k < kValuesPerPage; ++k) {
        const PanelValue& v = shown[static_cast<std::size_t>(k)];
        values[static_cast<std::size_t>(page_)][static_cast<std::size_t>(k)]->setText(v.text);
        QLabel* bar = bars[static_cast<std::size_t>(page_)][static_cast<std::size_t>(k)];
        bar->resize(barWidthTwips(v.bar) / 15, bar->height());
        paint(bar, barColour(v.bar));
    }
    if (page_ == 0) fullRange_ = nextFullRange(fullRange_, reply.size() > 8 ? reply[8] : 0);
    const auto lamp = checkEngineLit(p_.state.EngineVariant, reply.back());
    if (lamp) paint(Label7, checkEngineColour(*lamp));
    emit pageShown(page_, reply, shown);
}

void InitTest::restartEcu() {
    kline::EcuLink& ecu = p_.ecu;
    stopTimers();
    ecu.EcuExchange(cmd::restart());
    if (ecu.ShowExchangeError(1)) {
        startIdentification();
        return;
    }
    setBusyPointer(true);
    // The restarted ECU has dropped every override; the program's copies
    // follow, or the next whole mask sent would put old bits back in force.
    p_.state.OverrideMaskA = 0;
    p_.state.OverrideMaskB = 0;
    // Its variable 14 too: the regulators are on, as the cleared panel
    // shows, and a later write of the switches must not turn them off.
    p_.state.EcuSwitches = 0;
    closeAdjustmentWindows();
    setLabel1(QStringLiteral("Перезагрузка ЭБУ"));
    paint(Label1, QColor(255, 255, 128));
    clearPanel();
    setEnabled(false);
    Timer3->start();
}

void InitTest::timer3Tick() {
    paint(Label1, kLightGrey);
    Timer3->stop();
    setEnabled(true);
    setBusyPointer(false);
    activated();
}

void InitTest::toggleRegulator(int i) {
    if (i < 0 || i > 1) return;
    QAction* item = vReg[static_cast<std::size_t>(i)];
    item->setChecked(!item->isChecked());
    panelDirty_ = true;
    std::uint8_t& f = p_.state.EcuSwitches;
    for (QLabel* l : Label4) {
        l->setText(QStringLiteral("Вкл"));
        paint(l, kSilver);
    }
    f = static_cast<std::uint8_t>(f & ~0x06);
    if (!vReg[0]->isChecked()) {
        f |= 0x02;
        Label4[0]->setText(QStringLiteral("Откл"));
        paint(Label4[0], Qt::white);
    }
    if (!vReg[1]->isChecked()) {
        f |= 0x04;
        Label4[1]->setText(QStringLiteral("Откл"));
        paint(Label4[1], Qt::white);
    }
    p_.ecu.EcuExchange(cmd::writeSwitches(f));
    if (p_.ecu.ShowExchangeError(1)) {
        Label4[static_cast<std::size_t>(i)]->setText(QStringLiteral("Вкл"));
        paint(Label4[static_cast<std::size_t>(i)], kSilver);
        item->setChecked(true);
    }
}

void InitTest::openSettings() {
    closeAdjustmentWindows();
    stopTimers();
    clearPanel();
    setLabel1(QString());
    paint(Label1, kLightGrey);
    p_.showSettingsWindow();
}

void InitTest::closeAdjustmentWindows() {
    for (std::size_t i = 0; i < Reg.size(); ++i) {
        if (!Reg[i]->isChecked()) continue;
        if (adjustmentWindows[i]) adjustmentWindows[i](false);
        Reg[i]->setChecked(false);
    }
}

} // namespace kvintor
