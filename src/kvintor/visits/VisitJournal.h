#pragma once
// The journal of a program run: opens the visit database, opens a visit
// when an ECU is identified (reading its configuration and passport for
// it) and writes into it, as it happens, what the windows tell the
// program's visit feed. A database that cannot be opened or written is told
// once; the program then goes on without recording.
#include "JournalSettings.h"
#include "VisitStore.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

namespace kvintor {
class Program;
}

namespace kvintor::visits {

class VisitJournal : public QObject {
    Q_OBJECT
  public:
    VisitJournal(Program& program, PasswordKeeper& keeper);

    // Opens the journal the settings name (after the settings window,
    // again with the new ones).
    void open();
    VisitStore& store() { return store_; }
    // Visits are being written.
    bool recording() const { return recording_; }
    // The visit of the ECU identified last (0: none yet).
    qint64 currentVisit() const { return current_; }
    JournalSettings settings() const;
    // Where the journal was opened, as the user is told.
    QString where() const { return openedWith_.where(); }
    // The password typed in the settings window: into the key store, and
    // for this run (all there is where no key store keeps it).
    void keepPassword(const StoreConfig& config, const QString& password) {
        runPassword_ = password;
        keeper_.write(passwordKey(config), password);
    }

    // A remark typed by the mechanic; false when it could not be written
    // (told as any failed write).
    bool addRemark(qint64 visit, const QString& text);

    // Seams: the clock of the rows, and the question for the server's
    // password (nullopt: cancelled).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    std::function<std::optional<QString>(const QString& prompt)> askPassword;

  signals:
    // Something of this visit was written.
    void changed(qint64 visit);

  private:
    void identified(const EcuIdentity& identity);
    VisitOpening readOpening(const EcuIdentity& identity);
    void faultsShown(const std::vector<int>& reply);
    void tableShown(int table, const std::vector<int>& reply);
    void testFinished(const TestResult& result);
    void adjustmentApplied(const QString& what, int variable, const QString& shown);
    void adjustmentStored(int variable);
    void fileSaved(const QString& kind, const QString& path);
    // After a write: a failure is told (once) and recording stops.
    bool wrote(bool ok, qint64 visit);
    void tell(const QString& first, const QString& last);

    Program& p_;
    PasswordKeeper& keeper_;
    VisitStore store_;
    StoreConfig openedWith_;
    bool recording_ = false;
    bool told_ = false;
    bool asked_ = false; // the password has been asked this run
    QString runPassword_;
    qint64 current_ = 0;
    QString currentSeries_;
};

} // namespace kvintor::visits
