#pragma once
// The stored faults without widgets: the text of every fault code, the rows
// of a fault reply and the change detection that keeps the list from being
// rebuilt while the ECU answers the same.
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace kvintor::ecudata {

constexpr int kFaultCodes = 256;

// The texts of codes 0..255; a code without a text has an empty one.
const std::array<QString, kFaultCodes>& FaultText();
// The text of one code (empty outside 0..255 or for a code without text).
QString faultText(int code);

// Flags of a stored fault.
constexpr int kPresentNow = 0x80;
constexpr int kRepeated = 0x20;

struct FaultRow {
    int code = 0;
    int flags = 0;
};

// The fault reply: element 0 is 0 when the ECU holds no fault, then pairs
// of code and flags from element 1 on. An unpaired last element is left out.
std::vector<FaultRow> faultRows(const std::vector<int>& reply);

// The four columns of a row: "код", "текущ", "многокр", "наименование".
QStringList faultColumns(const FaultRow& row);

// The previous fault reply (LastFaultReply). update() takes the new reply
// and tells whether it differs; a reply that grows or shrinks differs too,
// so a fault that drops off the end of the list is not left standing.
class FaultReplyTracker {
  public:
    void reset() { last_.assign(1, 0); }
    bool update(const std::vector<int>& reply);
    const std::vector<int>& last() const { return last_; }

  private:
    std::vector<int> last_{0};
};

} // namespace kvintor::ecudata
