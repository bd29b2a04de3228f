// kline: one ECU exchange from the command line, for mechanics and scripts.
//
//   kline send --device PATH [--text] [--dtr 0|1] [--rts 0|1] B1 B2 ...
//
// Bytes are decimal or 0x hex. Prints "result N" and the reply bytes; the
// exit status is the result code (0 = success).
#include "Commands.h"
#include "EcuLink.h"
#include "HardwarePort.h"
#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/ProgramState.h"
#include "common/SettingsStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

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
                 "  bytes in decimal or 0x hex (0..255); prints \"result N\" and the reply bytes;\n"
                 "  exit status 0 on success, else the result code (1..6); 64 on bad usage.\n"
                 "  --dtr/--rts 1 clears that adapter line, 0 (default) sets it.\n");
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() != QLatin1String("send")) return usage();
    args.removeFirst();

    QString device;
    bool asText = false;
    QString dtr = QStringLiteral("0");
    QString rts = QStringLiteral("0");
    kline::Request request;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--device") && i + 1 < args.size()) {
            device = args[++i];
        } else if (a == QLatin1String("--text")) {
            asText = true;
        } else if (a == QLatin1String("--dtr") && i + 1 < args.size()) {
            dtr = args[++i];
        } else if (a == QLatin1String("--rts") && i + 1 < args.size()) {
            rts = args[++i];
        } else {
            bool ok = false;
            const uint v = a.toUInt(&ok, 0);
            if (!ok || v > 255) {
                std::fprintf(stderr, "kline: not a byte: %s\n", qUtf8Printable(a));
                return usage();
            }
            request.push_back(static_cast<std::uint8_t>(v));
        }
    }
    if (device.isEmpty() || request.empty()) return usage();

    QTemporaryDir noSettings; // kline keeps no settings of its own
    common::SettingsStore settings(noSettings.path());
    ConsoleDialogs dialogs;
    common::DesktopPlatform platform;
    common::ProgramState state;
    state.AppTitle = QStringLiteral("kline");
    state.SpeakerMode = 0;
    common::Context ctx{settings, dialogs, platform, state, nullptr};
    kline::PortMap ports;
    ports.setDevice(1, device);
    kline::EcuLink ecu(ctx, ports, kline::hardwarePortFactory(), QStringLiteral("kline"));
    ecu.DtrSetting = dtr;
    ecu.RtsSetting = rts;
    if (ecu.OpenPort(1) != 0) {
        std::fprintf(stderr, "kline: cannot open %s (missing, busy or not a serial device)\n",
                     qUtf8Printable(device));
        std::printf("result %d\n", kline::kPortError);
        return kline::kPortError;
    }
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
