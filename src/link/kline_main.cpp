// kline: the ECU from the command line, for mechanics and scripts.
//
//   kline send --device PATH [--text] [--dtr 0|1] [--rts 0|1] B1 B2 ...
//   kline log --device PATH --page N [--seconds S] [--csv FILE] [--dtr 0|1] [--rts 0|1]
//   kline --help | --version
//
// send: one exchange; bytes are decimal or 0x hex. Prints "result N" and the
// reply bytes; the exit status is the result code (0 = success).
// log: polls one live page of Kvintor's panel and writes the rows of
// Kvintor's live-data recording, to FILE or the standard output, until S
// seconds have passed or a signal (Ctrl+C) comes; every row is written whole.
#include "Commands.h"
#include "Csv.h"
#include "EcuLink.h"
#include "HardwarePort.h"
#include "KlineUsage.h"
#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/ProgramOptions.h"
#include "common/ProgramState.h"
#include "common/SettingsStore.h"
#include "monitor/LiveRow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>

namespace {

constexpr int kBadUsage = 64;
constexpr int kCannotWrite = 74;
// A link that fails at once is asked again no faster than this, and a port
// that has gone is opened again at most once a second.
constexpr int kFailedPollMs = 15;
constexpr int kReopenEveryMs = 1000;

// Message boxes become lines on standard error.
class ConsoleDialogs : public common::Dialogs {
public:
    common::Answer message(const QString& text, const QString& caption, common::Icon,
                           common::Buttons, common::Answer defaultButton) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
        return defaultButton;
    }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, bool) override { return {}; }
};

int usage() {
    std::fprintf(stderr,
                 "usage: kline send --device PATH [--text] [--dtr 0|1] [--rts 0|1] B1 B2 ...\n"
                 "       kline log --device PATH --page N [--seconds S] [--csv FILE] [--dtr 0|1] [--rts 0|1]\n"
                 "  bytes in decimal or 0x hex (0..255); prints \"result N\" and the reply bytes;\n"
                 "  exit status 0 on success, else the result code (1..6); 64 on bad usage.\n"
                 "  --dtr/--rts 1 clears that adapter line, 0 (default) sets it.\n");
    return kBadUsage;
}

std::atomic<bool> endRequested{false};
extern "C" void onEndSignal(int) { endRequested = true; }

// The link of one run: no settings of its own, messages on standard error.
struct Link {
    QTemporaryDir noSettings;
    common::SettingsStore settings{noSettings.path()};
    ConsoleDialogs dialogs;
    common::DesktopPlatform platform;
    common::ProgramState state;
    common::Context ctx{settings, dialogs, platform, state, nullptr};
    kline::PortMap ports;
    std::optional<kline::EcuLink> ecu;

    bool open(const QString& device, const QString& dtr, const QString& rts) {
        state.AppTitle = QStringLiteral("kline");
        state.SpeakerMode = 0;
        ports.setDevice(1, device);
        ecu.emplace(ctx, ports, kline::hardwarePortFactory(), QStringLiteral("kline"));
        ecu->DtrSetting = dtr;
        ecu->RtsSetting = rts;
        ecu->PortNumber = QStringLiteral("1");
        if (ecu->OpenPort(1) == 0) return true;
        std::fprintf(stderr, "kline: cannot open %s (missing, busy or not a serial device)\n",
                     qUtf8Printable(device));
        return false;
    }
};

// The options both commands share; the rest is left in `rest`.
struct Options {
    QString device;
    QString dtr = QStringLiteral("0");
    QString rts = QStringLiteral("0");
    QStringList rest;
};

Options sharedOptions(const QStringList& args) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--device") && i + 1 < args.size()) o.device = args[++i];
        else if (a == QLatin1String("--dtr") && i + 1 < args.size()) o.dtr = args[++i];
        else if (a == QLatin1String("--rts") && i + 1 < args.size()) o.rts = args[++i];
        else o.rest << a;
    }
    return o;
}

int send(const QStringList& args) {
    const Options o = sharedOptions(args);
    bool asText = false;
    kline::Request request;
    for (const QString& a : o.rest) {
        if (a == QLatin1String("--text")) {
            asText = true;
            continue;
        }
        bool ok = false;
        const uint v = a.toUInt(&ok, 0);
        if (!ok || v > 255) {
            std::fprintf(stderr, "kline: not a byte: %s\n", qUtf8Printable(a));
            return usage();
        }
        request.push_back(static_cast<std::uint8_t>(v));
    }
    if (o.device.isEmpty() || request.empty()) return usage();

    Link link;
    if (!link.open(o.device, o.dtr, o.rts)) {
        std::printf("result %d\n", kline::kPortError);
        return kline::kPortError;
    }
    kline::EcuLink& ecu = *link.ecu;
    const int result = ecu.EcuExchange(request);
    std::printf("result %d\n", result);
    if (result != kline::kOk)
        std::printf("error: %s\n", qUtf8Printable(kline::EcuLink::ExchangeErrorText(result)));
    QStringList bytes;
    for (int e : ecu.EcuReply()) bytes << QString::number(e);
    std::printf("reply: %s\n", qUtf8Printable(bytes.join(QLatin1Char(' '))));
    if (asText) std::printf("text: %s\n", qUtf8Printable(ecu.ReplyAsText()));
    return result;
}

int logPage(const QStringList& args) {
    const Options o = sharedOptions(args);
    int page = -1;
    double seconds = 0;
    QString csvPath;
    for (int i = 0; i < o.rest.size(); ++i) {
        const QString& a = o.rest[i];
        const bool hasValue = i + 1 < o.rest.size();
        bool ok = false;
        if (a == QLatin1String("--page") && hasValue) {
            page = o.rest[++i].toInt(&ok) - 1;
            if (!ok || page < 0 || page >= kvintor::kPages) {
                std::fprintf(stderr, "kline: --page takes 1, 2, 3 or 4\n");
                return usage();
            }
        } else if (a == QLatin1String("--seconds") && hasValue) {
            seconds = o.rest[++i].toDouble(&ok);
            if (!ok || !(seconds > 0)) {
                std::fprintf(stderr, "kline: --seconds takes a number above 0\n");
                return usage();
            }
        } else if (a == QLatin1String("--csv") && hasValue) {
            csvPath = o.rest[++i];
        } else {
            std::fprintf(stderr, "kline: unknown argument %s\n", qUtf8Printable(a));
            return usage();
        }
    }
    if (o.device.isEmpty() || page < 0) return usage();

    // Ctrl+C and a termination end the loop after the exchange under way;
    // rows already written are whole.
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);

    kline::csv::Writer out;
    if (!(csvPath.isEmpty() ? out.openStandardOutput() : out.open(csvPath)) ||
        !out.write(kvintor::liveHeader(page))) {
        std::fprintf(stderr, "kline: cannot write %s: %s\n", qUtf8Printable(csvPath), qUtf8Printable(out.error()));
        return kCannotWrite;
    }
    Link link;
    if (!link.open(o.device, o.dtr, o.rts)) return kline::kPortError;
    kline::EcuLink& ecu = *link.ecu;

    // The panel's poll: the same request, length check, decoding and speed
    // range as the main window's.
    bool fullRange = false;
    int lastFailure = kline::kOk;
    bool failing = false;
    long rows = 0;
    long failures = 0;
    QElapsedTimer total;
    total.start();
    QElapsedTimer sinceReopen;
    while (!endRequested && (seconds <= 0 || static_cast<double>(total.elapsed()) < seconds * 1000)) {
        QElapsedTimer one;
        one.start();
        const int r = ecu.EcuExchange(kline::cmd::livePage(page, fullRange));
        if (r != kline::kOk) {
            ++failures;
            lastFailure = r;
            if (!failing)
                std::fprintf(stderr, "kline: %s\n", qUtf8Printable(kline::EcuLink::ExchangeErrorText(r)));
            failing = true;
            if (r == kline::kPortError && (!sinceReopen.isValid() || sinceReopen.elapsed() >= kReopenEveryMs)) {
                sinceReopen.start();
                ecu.ReopenPort();
            }
            if (one.elapsed() < kFailedPollMs)
                QThread::msleep(static_cast<unsigned long>(kFailedPollMs - one.elapsed()));
            continue;
        }
        if (failing) std::fprintf(stderr, "kline: the ECU answers again\n");
        failing = false;
        const std::vector<int>& reply = ecu.EcuReply();
        if (static_cast<int>(reply.size()) != kline::cmd::livePageLength(page)) {
            ++failures;
            std::fprintf(stderr, "kline: Ошибка длины пакета\n");
            continue;
        }
        const kvintor::PageValues shown = kvintor::decodePage(page, reply, fullRange);
        if (!out.write(kvintor::liveRow(QDateTime::currentDateTime(), page, reply, shown))) {
            std::fprintf(stderr, "kline: cannot write %s: %s\n", qUtf8Printable(csvPath), qUtf8Printable(out.error()));
            return kCannotWrite;
        }
        ++rows;
        if (page == 0) fullRange = kvintor::nextFullRange(fullRange, reply[8]);
    }
    out.close();
    std::fprintf(stderr, "kline: %ld rows, %ld failed polls\n", rows, failures);
    return rows > 0 || lastFailure == kline::kOk ? 0 : lastFailure;
}

} // namespace

int main(int argc, char** argv) {
    if (const auto done = common::answerInfoOption(argc, argv, QStringLiteral("kline"), kline::klineUsage))
        return *done;
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("send")) return send(args);
    if (command == QLatin1String("log")) return logPage(args);
    return usage();
}
