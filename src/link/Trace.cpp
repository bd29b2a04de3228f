#include "Trace.h"

#include "EcuLink.h"
#include "common/WriteFailure.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

namespace kline::trace {

namespace {

// A line longer than this holds no exchange (the longest reply is 515 bytes).
constexpr int kLongestLine = 64 * 1024;
constexpr int kLongestBytes = 4096;

void tell(QString* why, const QString& text) {
    if (why) *why = text;
}

} // namespace

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

std::optional<QByteArray> fromHex(const QString& text) {
    QByteArray out;
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() > kLongestBytes) return std::nullopt;
    for (const QString& part : parts) {
        bool ok = false;
        const uint v = part.toUInt(&ok, 16);
        if (!ok || part.size() > 2 || v > 255) return std::nullopt;
        out.append(static_cast<char>(v));
    }
    return out;
}

QByteArray line(const TraceEntry& e) {
    QJsonObject o;
    o.insert(QStringLiteral("time"), e.time.toOffsetFromUtc(e.time.offsetFromUtc()).toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("request"), hex(e.frame));
    o.insert(QStringLiteral("reply"), hex(e.reply));
    o.insert(QStringLiteral("result"), e.result);
    o.insert(QStringLiteral("ms"), std::round(e.ms * 1000) / 1000);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<TraceEntry> parse(const QByteArray& text, QString* why) {
    if (text.size() > kLongestLine) {
        tell(why, QStringLiteral("the line is too long"));
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        tell(why, QStringLiteral("not a JSON object"));
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    TraceEntry e;
    const QJsonValue time = o.value(QStringLiteral("time"));
    if (time.isString()) e.time = QDateTime::fromString(time.toString(), Qt::ISODateWithMs);
    if (!e.time.isValid()) {
        tell(why, QStringLiteral("no valid \"time\""));
        return std::nullopt;
    }
    const QJsonValue request = o.value(QStringLiteral("request"));
    const auto frame = request.isString() ? fromHex(request.toString()) : std::nullopt;
    if (!frame || !requestOf(*frame)) {
        tell(why, QStringLiteral("\"request\" is not a whole request frame in hex"));
        return std::nullopt;
    }
    e.frame = *frame;
    const QJsonValue reply = o.value(QStringLiteral("reply"));
    const auto raw = reply.isString() ? fromHex(reply.toString()) : std::nullopt;
    if (!raw) {
        tell(why, QStringLiteral("\"reply\" is not bytes in hex"));
        return std::nullopt;
    }
    e.reply = *raw;
    const QJsonValue result = o.value(QStringLiteral("result"));
    const double code = result.toDouble(-1);
    if (!result.isDouble() || code != std::floor(code) || code < kOk || code > kPortError) {
        tell(why, QStringLiteral("\"result\" is not a result code 0..6"));
        return std::nullopt;
    }
    e.result = static_cast<int>(code);
    const QJsonValue ms = o.value(QStringLiteral("ms"));
    e.ms = ms.isDouble() ? ms.toDouble() : 0;
    if (!std::isfinite(e.ms) || e.ms < 0) e.ms = 0;
    return e;
}

bool save(const QString& path, const std::vector<TraceEntry>& entries, QString* why) {
    // Written aside and put in place whole: an old trace is never left half
    // overwritten.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        tell(why, common::whyNotWritable(path, file.errorString()));
        return false;
    }
    for (const TraceEntry& e : entries) {
        const QByteArray text = line(e);
        if (file.write(text) != text.size()) break;
    }
    if (!file.commit()) {
        tell(why, common::whyNotWritable(path, file.errorString()));
        return false;
    }
    return true;
}

std::optional<std::vector<TraceEntry>> load(const QString& path, QString* why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(why, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    std::vector<TraceEntry> out;
    int number = 0;
    while (!file.atEnd()) {
        const QByteArray text = file.readLine(kLongestLine + 2).trimmed();
        ++number;
        if (text.isEmpty()) continue;
        QString reason;
        auto e = parse(text, &reason);
        if (!e) {
            tell(why, QStringLiteral("%1, line %2: %3").arg(path).arg(number).arg(reason));
            return std::nullopt;
        }
        out.push_back(std::move(*e));
    }
    return out;
}

std::optional<Request> requestOf(const QByteArray& frame) {
    if (frame.size() < 2 || frame.back() != static_cast<char>(kTerminator)) return std::nullopt;
    FrameReceiver receiver;
    receiver.feed(frame);
    if (!receiver.complete() || receiver.raw().size() != frame.size()) return std::nullopt;
    const DecodedFrame d = decodeFrameBody(frame.left(frame.size() - 1));
    if (!d.checksumOk || d.elements.size() < 2) return std::nullopt;
    Request r;
    for (std::size_t i = 0; i + 1 < d.elements.size(); ++i) r.push_back(static_cast<std::uint8_t>(d.elements[i]));
    return r;
}

} // namespace kline::trace
