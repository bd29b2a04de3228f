#include "ScriptedPort.h"

void PortScript::queueReply(const QByteArray& frame, int chunk) {
    std::vector<QByteArray> parts;
    for (int i = 0; i < frame.size(); i += chunk) parts.push_back(frame.mid(i, chunk));
    replies.push_back(parts);
}

bool ScriptedPort::open(const QString& device) {
    s_->log << QStringLiteral("open ") + device;
    if (s_->missing.contains(device) || s_->busy.contains(device) || s_->openNow.contains(device))
        return false;
    s_->openNow.insert(device);
    device_ = device;
    open_ = true;
    return true;
}

void ScriptedPort::close() {
    if (!open_) return;
    s_->log << QStringLiteral("close");
    s_->openNow.remove(device_);
    open_ = false;
}

qint64 ScriptedPort::write(const QByteArray& frame) {
    s_->log << QStringLiteral("write ") + QString::fromLatin1(frame.toHex(' '));
    s_->writes.push_back(frame);
    if (!open_) return -1;
    switch (s_->echo) {
    case PortScript::Echo::Full: s_->input.push_back(frame); break;
    case PortScript::Echo::None: break;
    case PortScript::Echo::WrongByte: {
        QByteArray e = frame;
        e[s_->wrongEchoIndex] = static_cast<char>(e[s_->wrongEchoIndex] ^ 0x01);
        s_->input.push_back(e);
        break;
    }
    case PortScript::Echo::Partial: s_->input.push_back(frame.left(s_->partialEcho)); break;
    }
    if (!s_->replies.empty()) {
        for (const QByteArray& part : s_->replies.front()) s_->input.push_back(part);
        s_->replies.pop_front();
    }
    return s_->shortWrite ? frame.size() - 1 : frame.size();
}

QByteArray ScriptedPort::read(int maxBytes, int) {
    ++s_->reads;
    if (!open_ || s_->input.empty()) {
        ++s_->emptyReads;
        return {};
    }
    QByteArray& front = s_->input.front();
    const QByteArray got = front.left(maxBytes);
    front.remove(0, got.size());
    if (front.isEmpty()) s_->input.pop_front();
    if (got.isEmpty()) ++s_->emptyReads;
    return got;
}

void ScriptedPort::purgeInput() {
    s_->log << QStringLiteral("purge");
    s_->input.clear();
}

bool ScriptedPort::setDtr(bool set) {
    s_->log << QStringLiteral("dtr %1").arg(set ? 1 : 0);
    return !s_->linesRefused;
}

bool ScriptedPort::setRts(bool set) {
    s_->log << QStringLiteral("rts %1").arg(set ? 1 : 0);
    return !s_->linesRefused;
}

kline::PortFactory scriptedFactory(const std::shared_ptr<PortScript>& script) {
    return [script](const QString&) { return std::make_unique<ScriptedPort>(script); };
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}
