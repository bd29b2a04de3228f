#pragma once
// Dial-up connections: the About window hangs up the one it remembers when
// an update check ends. Behind a seam, since most systems have none.
#include <QByteArray>
#include <QString>
#include <vector>

namespace kvintor {

struct DialUpConnection {
    quintptr handle = 0;
    QByteArray entryName; // as the system gives it: may run on past a zero byte
};

class DialUp {
  public:
    virtual ~DialUp() = default;
    // The active connections; false when they cannot be listed.
    virtual bool enumerate(std::vector<DialUpConnection>& out) = 0;
    virtual void hangUp(quintptr handle) = 0;
};

// A system without dial-up networking: there is never anything to list.
class NoDialUp : public DialUp {
  public:
    bool enumerate(std::vector<DialUpConnection>&) override { return false; }
    void hangUp(quintptr) override {}
};

// The dial-up layer of this computer.
DialUp& systemDialUp();

// An entry name: the bytes up to the first zero byte, trimmed.
QString dialUpEntryName(const QByteArray& raw);

// Hangs up every active connection whose entry name equals the remembered
// one (both trimmed). An empty remembered name hangs up nothing, and so
// does a failed listing.
void hangUpRemembered(DialUp& dialUp, const QString& remembered);

} // namespace kvintor
