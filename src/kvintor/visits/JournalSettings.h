#pragma once
// What the journal takes from the settings window: the workshop's name,
// address and phone for the customer's report, and where the journal is
// (a file of this computer, or a PostgreSQL server). The server's password
// is never in the settings file: it is kept in the desktop's key store
// where there is one, else asked once per run.
#include "VisitStore.h"

#include <QString>
#include <memory>
#include <optional>

namespace kvintor {
class Program;
class fNastr;
} // namespace kvintor

namespace kvintor::visits {

struct Workshop {
    QString name;
    QString address;
    QString phone;
};

struct JournalSettings {
    Workshop workshop;
    StoreConfig store; // without the password
};

// Section "fNastr": "Мастерская", "Адрес", "Телефон", "Журнал" (0: this
// computer, 1: PostgreSQL), "ЖурналСервер", "ЖурналБаза",
// "ЖурналПользователь". The file of this computer is "visits.sqlite" in
// the user's data folder.
JournalSettings readSettings(const Program& program);
void storeSettings(Program& program, const JournalSettings& settings);

// The desktop's key store (the Secret Service, KWallet, the Windows
// credential store).
class PasswordKeeper {
  public:
    virtual ~PasswordKeeper() = default;
    // nullopt: no password kept, or no key store at all.
    virtual std::optional<QString> read(const QString& key) = 0;
    // False when there is no key store to keep it in.
    virtual bool write(const QString& key, const QString& password) = 0;
};
std::unique_ptr<PasswordKeeper> desktopPasswordKeeper();

// The key of a server's password: user@host/database.
QString passwordKey(const StoreConfig& config);

class VisitJournal;

// The frames "Мастерская" and "Журнал автомобилей" of the settings window
// (Frame4, Frame5); OK stores them and reopens the journal when its place
// changed.
void addJournalFrames(fNastr& window, Program& program, VisitJournal& journal);

} // namespace kvintor::visits
