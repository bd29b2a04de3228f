#pragma once
// The ECU passport and configuration without widgets: the names of the
// configuration bits, the identification rows, the seven passport fields and
// the 16 bytes a field is written as.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace kvintor::ecudata {

// Configuration: ECU variables 1..6, eight bits each.
constexpr int kConfigurationBytes = 6;
// The name of bit `bit` (0..7) of configuration variable `variable` (1..6).
QString configurationName(int variable, int bit);
// The names of every set bit, variable 1 first, bit 0 first. Bytes missing
// from a short reply count as 0.
QStringList configurationNames(const std::vector<int>& reply);

// Identification rows: one command byte each, with the row's title.
struct IdentificationRow {
    std::uint8_t command;
    const char* title;
};
extern const std::array<IdentificationRow, 8> kIdentificationRows;

// Passport fields Text1(0..6): the ECU text variable of each and the caption
// beside it (field 0's caption is the date stamp check box).
struct PassportField {
    std::uint8_t variable;
    const char* caption;
};
extern const std::array<PassportField, 7> kPassportFields;
constexpr int kPassportLength = 16;
// Variables that end a passport write: each is written 0xFF.
constexpr std::uint8_t kPassportClosing[2] = {115, 120};

// A field as written: trimmed of spaces, in code page 866, trimmed again,
// then the first 16 bytes, padded with zero bytes to 16.
QByteArray passportBytes(const QString& fieldText);

// Field 0's date stamp: "dd.mm.yy".
QString dateStamp(const QDate& day);

} // namespace kvintor::ecudata
