#pragma once
// What the windows show of a car's visit, told as it happens: the ECU
// identified, each fault list shown, each adaptation table shown, each
// engine test that ran to its end, each adjustment put in force and stored,
// each file saved. The windows emit their own signals; their openers pass
// them on here, and whoever keeps the visit listens. Nothing here talks to
// the ECU.
#include <QImage>
#include <QObject>
#include <QString>
#include <vector>

namespace kvintor {

// The identification of the main window; a text it could not read is empty.
struct EcuIdentity {
    QString type;   // 81
    QString series; // 117, the ECU's serial number
    QString rom;    // 118
    QString engine; // 88
};

// One figure of an engine test as its window showed it.
struct TestFigure {
    QString caption;
    QString value;
};

// An engine test that ran to its end.
struct TestResult {
    QString window; // the test window's name (tfUskor, ...)
    QString title;  // the test's name as its window shows it
    std::vector<TestFigure> figures;
    QImage plot; // the plot as drawn; none for a test without one
};

class VisitFeed : public QObject {
    Q_OBJECT
  signals:
    // The main window has identified an ECU (and gone on to polling).
    void ecuIdentified(const kvintor::EcuIdentity& identity);
    // The fault window showed the list of this fault reply.
    void faultsShown(const std::vector<int>& reply);
    // The tables window showed table t (1..4) from this reply.
    void adaptTableShown(int table, const std::vector<int>& reply);
    void testFinished(const kvintor::TestResult& result);
    // An adjustment window put a set-point in force: what it adjusts, the
    // variable written and the value as its label shows it.
    void adjustmentApplied(const QString& what, int variable, const QString& shown);
    // The exit dialogue stored the adjustment of this variable in the
    // ECU's non-volatile memory.
    void adjustmentStored(int variable);
    // A file was written: a recording, a graph's CSV, a trace of the line.
    void fileSaved(const QString& kind, const QString& path);
};

} // namespace kvintor
