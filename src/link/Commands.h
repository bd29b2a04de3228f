#pragma once
// The catalogue of ECU requests and the helpers that read their replies.
// A request is a list of bytes, command first; the exchange frames it.
#include "FrameCodec.h"

#include <QString>
#include <initializer_list>
#include <utility>
#include <vector>

namespace kline::cmd {

// Commands.
enum : std::uint8_t {
    kConnect = 1,
    kFaults = 2,
    kReadList = 7,
    kReadMemory = 37,
    kRestart = 65,
    kEcuType = 81,
    kPassportFirst = 82,
    kPassportLast = 87,
    kEngineText = 88,
    kReadVariables = 97,
    kWriteVariables = 98,
    kStartStream = 113,
};

// Variables the link and the main window use by name.
enum : std::uint8_t {
    kVarModeFlags = 8,
    kVarOutputs = 9,
    kVarOutputOverride = 10,
    kVarMaskA = 11,
    kVarMaskB = 12,
    kVarInjectorCut = 13,
    kVarCommand = 14,
    kVarWorking15 = 15,
    kVarIgnitionAdjust = 40,
    kVarCoOffset = 65,
    kVarCoCorrection = 66,
    kVarSerial = 117,
    kVarRomVersion = 118,
    kVarSaveItem = 124,
};

// Items of the save to non-volatile memory (the value written to 124).
enum : std::uint8_t { kSaveCoOffset = 1, kSaveCoCorrection = 2, kSaveIgnition = 3 };

inline Request connect() { return {kConnect}; }
inline Request ecuType() { return {kEcuType}; }
inline Request engineText() { return {kEngineText}; }
inline Request faults() { return {kFaults}; }
inline Request restart() { return {kRestart, 0, 0}; }
Request readVariables(std::initializer_list<std::uint8_t> variables);
Request readList(const std::vector<std::uint8_t>& variables);
Request writeVariables(const std::vector<std::pair<std::uint8_t, std::uint8_t>>& pairs);
Request readMemory(unsigned address);
Request startStream(const std::vector<std::uint8_t>& sixVariables);

// Identification's last step: the connection-time values of 65, 66, 40.
inline Request readConnectionValues() { return {kReadVariables, kVarCoOffset, kVarCoCorrection, kVarIgnitionAdjust}; }
// Regulator switches: 98, 14, F, 14, F.
inline Request writeSwitches(std::uint8_t f) { return {kWriteVariables, kVarCommand, f, kVarCommand, f}; }
// Exit: the change flags, the save of one item, and the reset of 9..15.
inline Request readMasks() { return {kReadVariables, kVarMaskA, kVarMaskB}; }
inline Request saveItem(std::uint8_t k) { return {kWriteVariables, kVarCommand, 1, kVarSaveItem, k}; }
Request resetWorkingVariables();

// The live panel: page 0..3; fullRange picks speed variable 41 over 44.
Request livePage(int page, bool fullRange);
int livePageLength(int page);

// Width in bytes of a variable as the ECU sends it (text and table
// variables answer their whole content).
int variableWidth(std::uint8_t variable);
constexpr int kTextLength = 16;
constexpr int kTableLength = 256;

// The longest the ECU's reply to a request can be on the wire (every byte
// escaped, the checksum and the terminator included), as far as the request
// tells: reads of known variables and writes (one status byte); other
// requests may bring the longest legal reply.
int longestReplyBytes(const Request& request);
// Whether the ECU may take long before it answers: writes of the command
// register 14 (storing into non-volatile memory, a passport field, clearing
// the fault memory or a table).
bool answersSlowly(const Request& request);

// A 16-bit value: element i + 256 x element i+1 (0 past the end).
int word(const std::vector<int>& elements, std::size_t i);
// 62, or 63 when the engine text holds "63".
std::uint8_t engineVariantFor(const QString& engineText);

} // namespace kline::cmd
