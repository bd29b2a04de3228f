#pragma once
// A car's visit as the journal keeps it: what identified the ECU when the
// visit opened, and everything the windows showed during it. No database
// and no widgets here.
#include "main/VisitFeed.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace kvintor::visits {

// A titled text the ECU gave: an identification row or a passport field.
struct TextRow {
    QString title;
    QString value;
    bool operator==(const TextRow& o) const { return title == o.title && value == o.value; }
};

// What opens a visit.
struct VisitOpening {
    QDateTime at;
    EcuIdentity ecu;
    QStringList configuration;           // the names of the set configuration bits
    std::vector<TextRow> identification; // the passport window's identification rows
    std::vector<TextRow> passport;       // the seven passport fields
};

struct FaultSeen {
    int code = 0;
    int flags = 0;
    QString text; // as the list showed it
    bool operator==(const FaultSeen& o) const {
        return code == o.code && flags == o.flags && text == o.text;
    }
};

struct FaultRead {
    QDateTime at;
    std::vector<FaultSeen> faults;
};

// An adaptation table in three figures: its smallest and largest byte and
// the mean of (byte - 128) over its 256 cells.
struct TableSummary {
    QDateTime at;
    int table = 0; // 1..4
    int minimum = 0;
    int maximum = 0;
    double meanDeviation = 0;
};
TableSummary summarise(int table, const std::vector<int>& reply, const QDateTime& at);

struct TestRecord {
    QDateTime at;
    QString window;
    QString title;
    std::vector<TestFigure> figures;
    QByteArray png; // empty for a test without a plot
};

struct Adjustment {
    QDateTime at;
    QString what;
    int variable = 0;
    QString value;
    bool stored = false;
};

struct SavedFile {
    QDateTime at;
    QString kind;
    QString path;
};

struct Remark {
    QDateTime at;
    QString text;
};

struct Visit {
    qint64 id = 0;
    QString computer; // the computer that kept it
    VisitOpening opening;
    std::vector<FaultRead> faultReads;
    std::vector<TableSummary> tables;
    std::vector<TestRecord> tests;
    std::vector<Adjustment> adjustments;
    std::vector<SavedFile> files;
    std::vector<Remark> remarks;
};

// One line of the list of visits.
struct VisitSummary {
    qint64 id = 0;
    QDateTime opened;
    QString series;
    QString engine;
    QString type;
    QList<int> faultCodes; // every code read during the visit, in code order
};

// Every fault of the visit once, with the flags of all its reads together,
// in the order first seen.
std::vector<FaultSeen> faultsFound(const Visit& visit);

// A visit's time as the journal shows it: "dd.MM.yyyy hh:mm".
QString shownTime(const QDateTime& at);

} // namespace kvintor::visits
