#include "VisitJournal.h"

#include "common/Dialogs.h"
#include "ecudata/EcuDataRequests.h"
#include "ecudata/FaultText.h"
#include "ecudata/Passport.h"
#include "main/ExitDialogue.h"
#include "main/Program.h"

#include <QBuffer>

namespace kvintor::visits {

namespace ed = ecudata;

namespace {
// The exit dialogue's item of the variable stored.
QString storedItem(int variable) {
    const int maskA = variable == kline::cmd::kVarIgnitionAdjust ? 0x08 : 0;
    const int maskB = variable == kline::cmd::kVarCoOffset       ? 0x08
                      : variable == kline::cmd::kVarCoCorrection ? 0x10
                                                                 : 0;
    return changedItems(maskA, maskB).value(0);
}
} // namespace

VisitJournal::VisitJournal(Program& program, PasswordKeeper& keeper)
    : p_(program), keeper_(keeper) {
    setObjectName(QStringLiteral("VisitJournal"));
    VisitFeed* feed = &p_.feed;
    connect(feed, &VisitFeed::ecuIdentified, this, &VisitJournal::identified);
    connect(feed, &VisitFeed::faultsShown, this, &VisitJournal::faultsShown);
    connect(feed, &VisitFeed::adaptTableShown, this, &VisitJournal::tableShown);
    connect(feed, &VisitFeed::testFinished, this, &VisitJournal::testFinished);
    connect(feed, &VisitFeed::adjustmentApplied, this, &VisitJournal::adjustmentApplied);
    connect(feed, &VisitFeed::adjustmentStored, this, &VisitJournal::adjustmentStored);
    connect(feed, &VisitFeed::fileSaved, this, &VisitJournal::fileSaved);
}

JournalSettings VisitJournal::settings() const {
    return readSettings(p_);
}

void VisitJournal::open() {
    StoreConfig config = settings().store;
    // Another place is another journal: its visit opens anew, and its
    // failures are told again.
    if (config != openedWith_) told_ = false;
    openedWith_ = config;
    current_ = 0;
    currentSeries_.clear();
    recording_ = false;
    if (config.kind == StoreConfig::Kind::Postgres) {
        const QString key = passwordKey(config);
        if (const auto kept = keeper_.read(key))
            config.password = *kept;
        else
            config.password = runPassword_;
    }
    bool opened = store_.open(config);
    if (!opened && store_.passwordRefused() && !asked_ && askPassword) {
        // Asked once per run; a password typed here is kept for the run.
        asked_ = true;
        if (const auto typed = askPassword(
                QStringLiteral("Пароль пользователя %1 для журнала автомобилей на сервере %2:")
                    .arg(config.user, config.host))) {
            runPassword_ = config.password = *typed;
            opened = store_.open(config);
        }
    }
    if (!opened) {
        tell(QStringLiteral("Журнал автомобилей не открыт."),
             QStringLiteral("Программа работает дальше без журнала."));
        return;
    }
    if (!store_.writable()) {
        tell(QStringLiteral("Журнал автомобилей открыт только для чтения."),
             QStringLiteral("Визиты в журнал не записываются."));
        return;
    }
    recording_ = true;
}

void VisitJournal::tell(const QString& first, const QString& last) {
    if (told_) return;
    told_ = true;
    p_.BeepSignal();
    p_.dialogs.message(first + QStringLiteral("\r\n") + QStringLiteral("База: ") +
                           openedWith_.where() + QStringLiteral("\r\n") +
                           QStringLiteral("Причина: ") + store_.error() + QStringLiteral("\r\n") +
                           last,
                       p_.state.AppTitle, common::Icon::Exclamation);
}

bool VisitJournal::wrote(bool ok, qint64 visit) {
    if (ok) {
        emit changed(visit);
        return true;
    }
    recording_ = false;
    tell(QStringLiteral("Журнал автомобилей не записан."),
         QStringLiteral("Программа работает дальше без записи в журнал."));
    return false;
}

// ------------------------------------------------------------ the visit

void VisitJournal::identified(const EcuIdentity& identity) {
    if (!recording_) return;
    // The same ECU found again after a lost link (or without its serial
    // number this time) is the same visit; another one opens its own.
    if (current_ && (identity.series.isEmpty() || identity.series == currentSeries_)) return;
    const VisitOpening opening = readOpening(identity);
    const auto id = store_.openVisit(opening);
    if (!id) {
        wrote(false, 0);
        return;
    }
    current_ = *id;
    currentSeries_ = identity.series;
    emit changed(current_);
}

VisitOpening VisitJournal::readOpening(const EcuIdentity& identity) {
    VisitOpening o;
    o.at = clock();
    o.ecu = identity;
    // What the passport window reads, as it reads it; what the ECU does
    // not answer is left out.
    kline::EcuLink& ecu = p_.ecu;
    if (ecu.EcuExchange(ed::req::configuration()) == kline::kOk)
        o.configuration = ed::configurationNames(ecu.EcuReply());
    for (const ed::IdentificationRow& row : ed::kIdentificationRows)
        if (ecu.EcuExchange(ed::req::identification(row.command)) == kline::kOk)
            o.identification.push_back({QString::fromUtf8(row.title), ecu.ReplyAsText()});
    for (const ed::PassportField& field : ed::kPassportFields)
        if (ecu.EcuExchange(ed::req::readVariable(field.variable)) == kline::kOk)
            o.passport.push_back({QString::fromUtf8(field.caption), ecu.ReplyAsText()});
    return o;
}

void VisitJournal::faultsShown(const std::vector<int>& reply) {
    if (!recording_ || !current_) return;
    FaultRead read{clock(), {}};
    for (const ed::FaultRow& row : ed::faultRows(reply))
        read.faults.push_back({row.code, row.flags, ed::faultColumns(row).value(3)});
    wrote(store_.addFaultRead(current_, read), current_);
}

void VisitJournal::tableShown(int table, const std::vector<int>& reply) {
    if (!recording_ || !current_) return;
    wrote(store_.addTable(current_, summarise(table, reply, clock())), current_);
}

void VisitJournal::testFinished(const TestResult& result) {
    if (!recording_ || !current_) return;
    TestRecord t{clock(), result.window, result.title, result.figures, {}};
    if (!result.plot.isNull()) {
        QBuffer png(&t.png);
        png.open(QIODevice::WriteOnly);
        result.plot.save(&png, "PNG");
    }
    wrote(store_.addTest(current_, t), current_);
}

void VisitJournal::adjustmentApplied(const QString& what, int variable, const QString& shown) {
    if (!recording_ || !current_) return;
    wrote(store_.addAdjustment(current_, {clock(), what, variable, shown, false}), current_);
}

void VisitJournal::adjustmentStored(int variable) {
    if (!recording_ || !current_) return;
    wrote(store_.markStored(current_, variable, storedItem(variable), clock()), current_);
}

void VisitJournal::fileSaved(const QString& kind, const QString& path) {
    if (!recording_ || !current_) return;
    wrote(store_.addFile(current_, {clock(), kind, path}), current_);
}

bool VisitJournal::addRemark(qint64 visit, const QString& text) {
    if (!recording_ || visit <= 0) return false;
    return wrote(store_.addRemark(visit, {clock(), text}), visit);
}

} // namespace kvintor::visits
