// Frame encoding and reception, code page 866, the request catalogue.
#include "ScriptedPort.h"
#include "link/CodePage866.h"
#include "link/Commands.h"
#include "link/FrameCodec.h"

#include <gtest/gtest.h>

using namespace kline;

// ============================================================ encoding

TEST(FrameEncoding, WorkedExamples) {
    // 97, 64: the 64 is escaped and counted in the checksum.
    EXPECT_EQ(encodeFrame({97, 64}).toHex(' '), QByteArray("61 40 00 5f 0d"));
    // A lone 13 goes out as an escape pair.
    EXPECT_EQ(encodeFrame({13}).toHex(' '), QByteArray("40 cd f3 0d"));
}

TEST(FrameEncoding, ChecksumOf64Or13IsSentUnescaped) {
    // 97 + 146 = 243: checksum 13.
    EXPECT_EQ(encodeFrame({97, 146}), bytes({97, 146, 13, 13}));
    // 97 + 95 = 192: checksum 64.
    EXPECT_EQ(encodeFrame({97, 95}), bytes({97, 95, 64, 13}));
}

TEST(FrameEncoding, EveryFrameSumsToZero) {
    for (int a = 0; a < 256; a += 3) {
        for (int b : {0, 13, 64, 200, 255}) {
            const QByteArray f = encodeFrame({static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)});
            unsigned sum = 0;
            for (int i = 0; i < f.size() - 1; ++i) sum += static_cast<std::uint8_t>(f[i]);
            EXPECT_EQ(sum % 256, 0u) << a << "," << b;
            EXPECT_EQ(f.back(), 13);
        }
    }
}

// ============================================================ reception

namespace {

// Feeds a frame to a receiver in the given chunks; answers the raw frame kept.
QByteArray receive(const std::vector<QByteArray>& chunks) {
    FrameReceiver r;
    for (const QByteArray& c : chunks)
        if (r.feed(c)) break;
    return r.complete() ? r.raw() : QByteArray();
}

// Every way of cutting a frame into reads of 1 to 5 bytes.
std::vector<std::vector<QByteArray>> allSplits(const QByteArray& frame) {
    std::vector<std::vector<QByteArray>> out;
    const int cuts = static_cast<int>(frame.size()) - 1;
    for (int mask = 0; mask < (1 << cuts); ++mask) {
        std::vector<QByteArray> parts;
        int start = 0;
        bool ok = true;
        for (int i = 0; i <= cuts; ++i) {
            if (i == cuts || (mask & (1 << i))) {
                parts.push_back(frame.mid(start, i + 1 - start));
                if (i + 1 - start > 5) ok = false;
                start = i + 1;
            }
        }
        if (ok) out.push_back(parts);
    }
    return out;
}

} // namespace

TEST(FrameReception, ChecksumOf13Or64InEverySplit) {
    struct Case {
        QByteArray frame;
        std::vector<int> elements;
    } cases[] = {
        {bytes({0, 243, 13, 13}), {0, 243, 13}},     // checksum 13
        {bytes({0, 192, 64, 13}), {0, 192, 64}},     // checksum 64
        {bytes({5, 64, 205, 238, 13}), {5, 13, 238}}, // escaped body byte
        {bytes({0, 64, 205, 243, 13}), {0, 13, 243}}, // worked example reply
        {bytes({0, 64, 0, 192, 13}), {0, 64, 192}},   // escaped 64
        {bytes({243, 64, 205, 13}), {243, 13}},       // escaped checksum 13 still accepted
    };
    for (const Case& c : cases) {
        for (const auto& split : allSplits(c.frame)) {
            const QByteArray raw = receive(split);
            ASSERT_EQ(raw, c.frame) << c.frame.toHex(' ').constData();
            const DecodedFrame d = decodeFrameBody(raw.left(raw.size() - 1));
            EXPECT_TRUE(d.checksumOk);
            EXPECT_EQ(d.elements, c.elements);
        }
    }
}

TEST(FrameReception, StopsAtTerminatorAndDropsWhatFollows) {
    FrameReceiver r;
    EXPECT_FALSE(r.feed(bytes({1, 2})));
    EXPECT_TRUE(r.feed(bytes({253, 13, 99, 98})));
    EXPECT_EQ(r.raw(), bytes({1, 2, 253, 13}));
    r.reset();
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(r.raw().isEmpty());
}

TEST(FrameReception, BadChecksumIsReported) {
    const DecodedFrame d = decodeFrameBody(bytes({1, 2, 3}));
    EXPECT_FALSE(d.checksumOk);
    EXPECT_EQ(d.elements, (std::vector<int>{1, 2, 3}));
}

// ============================================================ code page 866

TEST(CodePage866, CyrillicBothWays) {
    const QString text = QStringLiteral("Микас 7.1 ЗМЗ-4062 ёЁ№");
    const QByteArray oem = toCp866(text);
    EXPECT_EQ(static_cast<unsigned char>(oem[0]), 0x8C); // М
    EXPECT_EQ(static_cast<unsigned char>(oem[1]), 0xA8); // и
    EXPECT_EQ(static_cast<unsigned char>(oem[3]), 0xA0); // а
    EXPECT_EQ(fromCp866(oem), text);
    // Each of the 256 bytes survives the round trip.
    QByteArray all;
    for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
    EXPECT_EQ(toCp866(fromCp866(all)), all);
    EXPECT_EQ(toCp866(QStringLiteral("€")), QByteArray("?"));
}

// ============================================================ catalogue

TEST(Commands, LivePagesAndTheirLengths) {
    EXPECT_EQ(cmd::livePage(0, false),
              (Request{7, 8, 81, 82, 83, 84, 26, 99, 44, 38, 53, 35, 92, 52, 9}));
    EXPECT_EQ(cmd::livePage(0, true)[8], 41);
    EXPECT_EQ(cmd::livePage(1, false),
              (Request{7, 8, 81, 82, 83, 84, 26, 28, 32, 65, 57, 63, 33, 64, 9}));
    EXPECT_EQ(cmd::livePage(2, false),
              (Request{7, 8, 81, 82, 83, 84, 97, 103, 104, 105, 98, 100, 101, 102, 9}));
    EXPECT_EQ(cmd::livePage(3, false),
              (Request{7, 8, 81, 82, 83, 84, 77, 78, 45, 56, 94, 95, 51, 60, 9}));
    // The expected reply lengths follow from the variables' widths.
    for (int page = 0; page < 4; ++page) {
        const Request r = cmd::livePage(page, false);
        int width = 0;
        for (std::size_t i = 1; i < r.size(); ++i) width += cmd::variableWidth(r[i]);
        EXPECT_EQ(width, cmd::livePageLength(page)) << page;
    }
}

TEST(Commands, ExitAndSwitchRequests) {
    EXPECT_EQ(cmd::resetWorkingVariables(),
              (Request{98, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0}));
    EXPECT_EQ(cmd::saveItem(cmd::kSaveIgnition), (Request{98, 14, 1, 124, 3}));
    EXPECT_EQ(cmd::writeSwitches(6), (Request{98, 14, 6, 14, 6}));
    EXPECT_EQ(cmd::readMasks(), (Request{97, 11, 12}));
    EXPECT_EQ(cmd::readConnectionValues(), (Request{97, 65, 66, 40}));
    EXPECT_EQ(cmd::readMemory(0x1234), (Request{37, 0x34, 0x12, 0}));
    EXPECT_EQ(cmd::restart(), (Request{65, 0, 0}));
}

TEST(Commands, WordsWidthsAndEngineVariant) {
    EXPECT_EQ(cmd::word({0x34, 0x12}, 0), 0x1234);
    EXPECT_EQ(cmd::word({0x34}, 0), 0x34); // past the end counts as 0
    EXPECT_EQ(cmd::variableWidth(35), 2);
    EXPECT_EQ(cmd::variableWidth(117), 16);
    EXPECT_EQ(cmd::variableWidth(74), 256);
    EXPECT_EQ(cmd::variableWidth(41), 1);
    EXPECT_EQ(cmd::engineVariantFor(QStringLiteral("ЗМЗ-4063")), 63);
    EXPECT_EQ(cmd::engineVariantFor(QStringLiteral("ЗМЗ-4062")), 62);
    EXPECT_EQ(cmd::engineVariantFor(QString()), 62);
}
