// The adapter and the in-process port: echo, line faults, stream, record,
// and the exchange through SimulatedPort.
#include "SimLink.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "link/EcuLink.h"
#include "sim/SimulatedPort.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace sim;

TEST(SimAdapter, EveryLineFaultMapsToItsResult) {
    SimLink l;
    common::setPauseHook([](int) {});
    const struct {
        LineFault fault;
        int result;
    } cases[] = {
        {LineFault::None, kline::kOk},
        {LineFault::NoEcho, kline::kAdapterOff},
        {LineFault::WrongEcho, kline::kAdapterError},
        {LineFault::EcuSilent, kline::kEcuSilent},
        {LineFault::OverlongReply, kline::kOverflow},
        {LineFault::BadChecksum, kline::kBadChecksum},
        {LineFault::Garbage, kline::kOk},
        {LineFault::PortGone, kline::kPortError},
    };
    for (const auto& c : cases) {
        l.sim->adapter.setFault(c.fault);
        EXPECT_EQ(l.ecu.EcuExchange({81}), c.result) << lineFaultName(c.fault);
    }
    l.sim->adapter.setFault(LineFault::None);
    EXPECT_EQ(l.ecu.EcuExchange({1}), kline::kOk);
    common::setPauseHook(nullptr);
}

TEST(SimAdapter, RecordsRequestFramesAndReplies) {
    SimLink l;
    l.sim->adapter.clearLog();
    ASSERT_EQ(l.ecu.EcuExchange({97, 146}), kline::kOk); // checksum 13
    ASSERT_EQ(l.ecu.EcuExchange({97, 64}), kline::kOk);
    const auto& log = l.sim->adapter.log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].frame, QByteArray::fromHex("61920d0d"));
    EXPECT_EQ(log[0].request, (kline::Request{97, 146}));
    EXPECT_EQ(log[1].frame, QByteArray::fromHex("6140005f0d"));
    EXPECT_EQ(log[1].request, (kline::Request{97, 64}));
    kline::Request reply;
    for (int e : l.ecu.EcuReply())
        reply.push_back(static_cast<std::uint8_t>(e));
    EXPECT_EQ(reply.size(), 2u) << "variable 64 is two bytes";
    EXPECT_EQ(log[1].reply, kline::encodeFrame(reply));
    EXPECT_GT(log[1].timeMs, log[0].timeMs);
}

TEST(SimAdapter, StreamRunsUntilSixZeroBytes) {
    auto sim = std::make_shared<Simulator>();
    SimulatedPort port(sim, false);
    ASSERT_TRUE(port.open("sim"));
    port.write(kline::encodeFrame({113, 32, 41, 38, 52, 57, 63}));
    sim->advance(200);
    QByteArray line;
    for (int i = 0; i < 40; ++i)
        line += port.read(255, 4);
    // Echo, the status reply, then ten-byte frames of 8 values.
    const QByteArray head =
        kline::encodeFrame({113, 32, 41, 38, 52, 57, 63}) + kline::encodeFrame({0});
    ASSERT_TRUE(line.startsWith(head));
    const QByteArray stream = line.mid(head.size());
    ASSERT_GE(stream.size(), 30);
    int frames = 0;
    kline::FrameReceiver rx;
    for (char c : stream) {
        if (rx.feed(QByteArray(1, c))) {
            const auto d = kline::decodeFrameBody(rx.raw().left(rx.raw().size() - 1));
            EXPECT_TRUE(d.checksumOk);
            EXPECT_EQ(d.elements.size(), 9u);
            ++frames;
            rx.reset();
        }
    }
    EXPECT_GE(frames, 3);
    port.write(QByteArray(6, 0));
    EXPECT_TRUE(sim->ecu.streamVariables().empty());
    sim->advance(100);
    port.purgeInput();
    sim->advance(100);
    EXPECT_TRUE(port.read(255, 4).isEmpty()) << "the stream has stopped";
    // And the ECU listens to frames again.
    port.write(kline::encodeFrame({1}));
    sim->advance(20);
    QByteArray after;
    for (int i = 0; i < 5; ++i)
        after += port.read(255, 4);
    EXPECT_EQ(after, kline::encodeFrame({1}) + kline::encodeFrame({0}));
}

TEST(SimAdapter, PacedPortKeepsWireTime) {
    auto sim = std::make_shared<Simulator>();
    TestContext t;
    kline::PortMap ports;
    kline::EcuLink ecu(t.ctx, ports, simulatedPortFactory(sim, true));
    ASSERT_EQ(ecu.OpenPort(1), 0);
    const kline::Request page = kline::cmd::livePage(0, false);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(ecu.EcuExchange(page), kline::kOk);
    // 17 request bytes and 19 reply bytes a time: 37.5 ms on the wire.
    const double perExchange = static_cast<double>(timer.elapsed()) / 5;
    EXPECT_GT(perExchange, 36.0);
    EXPECT_LT(perExchange, 60.0);
}

TEST(SimAdapter, ZeroBytesOutsideAStreamAreFrameBytes) {
    SimLink l;
    // A passport field "AB" padded with fourteen zeros, an empty one with
    // sixteen: six zeros in a row end nothing while no stream runs.
    for (const QByteArray& field : {QByteArray("AB"), QByteArray()}) {
        kline::Request write{98, 14, 1, 117};
        for (char c : field)
            write.push_back(static_cast<std::uint8_t>(c));
        write.resize(20, 0);
        EXPECT_EQ(l.ask(write), std::vector<int>{0}) << field.constData();
        l.ask({97, 117});
        EXPECT_EQ(l.ecu.ReplyAsText(), QString::fromLatin1(field));
    }
}

TEST(SimAdapter, StreamFramesAreEscapedLikeAnyFrame) {
    auto sim = std::make_shared<Simulator>();
    SimulatedPort port(sim, false);
    ASSERT_TRUE(port.open("sim"));
    sim->ecu.engine().setThrottle(13);
    sim->ecu.setVariable(57, 64);
    const kline::Request start{113, 32, 41, 38, 52, 57, 63};
    port.write(kline::encodeFrame(start));
    sim->advance(100);
    QByteArray line;
    for (int i = 0; i < 40; ++i)
        line += port.read(255, 4);
    const QByteArray head = kline::encodeFrame(start) + kline::encodeFrame({0});
    ASSERT_TRUE(line.startsWith(head));
    kline::FrameReceiver rx;
    int frames = 0;
    for (char c : line.mid(head.size())) {
        if (!rx.feed(QByteArray(1, c))) continue;
        const QByteArray raw = rx.raw();
        EXPECT_TRUE(raw.startsWith(QByteArray::fromHex("40cd"))) << "13 goes out as 64, 205";
        EXPECT_NE(raw.indexOf(QByteArray::fromHex("4000")), -1) << "64 goes out as 64, 0";
        const auto d = kline::decodeFrameBody(raw.left(raw.size() - 1));
        EXPECT_TRUE(d.checksumOk);
        ASSERT_EQ(d.elements.size(), 9u);
        EXPECT_EQ(d.elements[0], 13);
        EXPECT_EQ(d.elements[5], 64);
        ++frames;
        rx.reset();
    }
    EXPECT_GE(frames, 5) << "one frame about every 14 ms";
}
