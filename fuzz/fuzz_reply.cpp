// The reply side of the exchange fed arbitrary bytes: the port echoes the
// request faithfully, then every read returns the next 0 to 5 input bytes.
#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/ProgramState.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"
#include "common/Time.h"
#include "link/EcuLink.h"

#include <cstddef>
#include <cstdint>

namespace {

class FuzzPort : public kline::SerialPort {
public:
    FuzzPort(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool open(const QString&) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    qint64 write(const QByteArray& bytes) override {
        echo_ = bytes;
        return bytes.size();
    }
    QByteArray read(int maxBytes, int) override {
        if (!echo_.isEmpty()) {
            QByteArray e = echo_.left(maxBytes);
            echo_.remove(0, e.size());
            return e;
        }
        if (pos_ >= size_) return {};
        const int want = std::min<int>(maxBytes, data_[pos_++] % 6);
        QByteArray out;
        while (out.size() < want && pos_ < size_) out.append(static_cast<char>(data_[pos_++]));
        return out;
    }
    void purgeInput() override {}
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    QByteArray echo_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static common::SettingsStore settings(QStringLiteral("/nonexistent-fuzz-settings"));
    static common::RecordingDialogs dialogs;
    static common::RecordingPlatform platform;
    static common::ProgramState state;
    static common::Context ctx{settings, dialogs, platform, state, nullptr};
    static bool once = [] {
        common::setPauseHook([](int) {});
        return true;
    }();
    (void)once;
    kline::PortMap ports;
    kline::EcuLink ecu(ctx, ports, [&](const QString&) { return std::make_unique<FuzzPort>(data, size); });
    ecu.DtrSetting = QStringLiteral("0");
    if (ecu.OpenPort(1) != 0) return 0;
    for (int i = 0; i < 3; ++i) {
        const int r = ecu.EcuExchange({97, 73});
        if (r < 0 || r > 6) __builtin_trap();
        if (r != 0 && (ecu.EcuReply().size() != 1 || ecu.EcuReply()[0] != 0)) __builtin_trap();
        for (int e : ecu.EcuReply())
            if (e < 0 || e > 255) __builtin_trap();
        (void)ecu.ReplyAsText();
    }
    return 0;
}
