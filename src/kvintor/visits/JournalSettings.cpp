#include "JournalSettings.h"

#include "VisitJournal.h"
#include "main/Program.h"
#include "main/fNastr.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <qt6keychain/keychain.h>

namespace kvintor::visits {

namespace {
const QString kSection = QStringLiteral("fNastr");
const QString kService = QStringLiteral("Kvintor");

// A key store job waits this long at most (a desktop without a key store
// may not answer at all).
constexpr int kKeyStoreMs = 3000;

template <class Job> bool runJob(Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kKeyStoreMs, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

class DesktopKeeper : public PasswordKeeper {
  public:
    std::optional<QString> read(const QString& key) override {
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(key);
        if (!runJob(job)) return std::nullopt;
        return job.textData();
    }
    bool write(const QString& key, const QString& password) override {
        QKeychain::WritePasswordJob job(kService);
        job.setKey(key);
        job.setTextData(password);
        return runJob(job);
    }
};

template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
} // namespace

std::unique_ptr<PasswordKeeper> desktopPasswordKeeper() {
    return std::make_unique<DesktopKeeper>();
}

QString passwordKey(const StoreConfig& config) {
    return QStringLiteral("journal:") + config.user + QLatin1Char('@') + config.host +
           QLatin1Char('/') + config.database;
}

JournalSettings readSettings(const Program& p) {
    JournalSettings s;
    auto get = [&p](const char* key) {
        return p.GetSetting(kSection, QString::fromUtf8(key), QString());
    };
    s.workshop = {get("Мастерская"), get("Адрес"), get("Телефон")};
    s.store.kind = get("Журнал") == QLatin1String("1") ? StoreConfig::Kind::Postgres
                                                       : StoreConfig::Kind::Sqlite;
    s.store.file = p.dataFolder + QStringLiteral("visits.sqlite");
    s.store.host = get("ЖурналСервер");
    s.store.database = get("ЖурналБаза");
    s.store.user = get("ЖурналПользователь");
    return s;
}

void storeSettings(Program& p, const JournalSettings& s) {
    auto put = [&p](const char* key, const QString& value) {
        p.SaveSetting(kSection, QString::fromUtf8(key), value);
    };
    put("Мастерская", s.workshop.name);
    put("Адрес", s.workshop.address);
    put("Телефон", s.workshop.phone);
    put("Журнал",
        s.store.kind == StoreConfig::Kind::Postgres ? QStringLiteral("1") : QStringLiteral("0"));
    put("ЖурналСервер", s.store.host);
    put("ЖурналБаза", s.store.database);
    put("ЖурналПользователь", s.store.user);
}

void addJournalFrames(fNastr& w, Program& p, VisitJournal& journal) {
    const JournalSettings at = readSettings(p);

    auto* workshop = named(new QGroupBox(QStringLiteral("Мастерская")), QStringLiteral("Frame4"));
    auto* grid = new QGridLayout(workshop);
    const char* const captions[3] = {"Название:", "Адрес:", "Телефон:"};
    const QString values[3] = {at.workshop.name, at.workshop.address, at.workshop.phone};
    std::array<QLineEdit*, 3> text{};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(
            named(new QLabel(QString::fromUtf8(captions[i])), QStringLiteral("Label%1").arg(i + 2)),
            i, 0);
        text[static_cast<std::size_t>(i)] =
            named(new QLineEdit(values[i]), QStringLiteral("Text1(%1)").arg(i));
        grid->addWidget(text[static_cast<std::size_t>(i)], i, 1);
    }

    auto* place =
        named(new QGroupBox(QStringLiteral("Журнал автомобилей")), QStringLiteral("Frame5"));
    auto* box = new QGridLayout(place);
    auto* local =
        named(new QRadioButton(QStringLiteral("На этом компьютере")), QStringLiteral("Option9"));
    auto* server = named(new QRadioButton(QStringLiteral("На сервере PostgreSQL")),
                         QStringLiteral("Option10"));
    (at.store.kind == StoreConfig::Kind::Postgres ? server : local)->setChecked(true);
    box->addWidget(local, 0, 0, 1, 2);
    box->addWidget(server, 1, 0, 1, 2);
    const char* const serverCaptions[4] = {"Сервер:", "База:", "Пользователь:", "Пароль:"};
    const QString serverValues[4] = {at.store.host, at.store.database, at.store.user, QString()};
    std::array<QLineEdit*, 4> field{};
    for (int i = 0; i < 4; ++i) {
        auto* caption = named(new QLabel(QString::fromUtf8(serverCaptions[i])),
                              QStringLiteral("Label%1").arg(i + 5));
        box->addWidget(caption, i + 2, 0);
        QLineEdit* edit = field[static_cast<std::size_t>(i)] =
            named(new QLineEdit(serverValues[i]), QStringLiteral("Text2(%1)").arg(i));
        box->addWidget(edit, i + 2, 1);
        caption->setBuddy(edit);
    }
    field[3]->setEchoMode(QLineEdit::Password);
    auto follow = [field, server] {
        for (QLineEdit* f : field)
            f->setEnabled(server->isChecked());
    };
    follow();
    QObject::connect(server, &QRadioButton::toggled, &w, follow);

    auto* row = new QHBoxLayout;
    row->addWidget(workshop);
    row->addWidget(place);
    w.moreFrames->addLayout(row);

    QObject::connect(&w, &QDialog::accepted, &w, [&p, &journal, text, field, server, at] {
        JournalSettings s = at;
        s.workshop = {text[0]->text().trimmed(), text[1]->text().trimmed(),
                      text[2]->text().trimmed()};
        s.store.kind =
            server->isChecked() ? StoreConfig::Kind::Postgres : StoreConfig::Kind::Sqlite;
        s.store.host = field[0]->text().trimmed();
        s.store.database = field[1]->text().trimmed();
        s.store.user = field[2]->text().trimmed();
        storeSettings(p, s);
        const QString password = field[3]->text();
        if (server->isChecked() && !password.isEmpty()) {
            // Kept out of the settings file: in the key store, or for this
            // run only.
            journal.keepPassword(s.store, password);
        }
        if (s.store != at.store || !password.isEmpty()) journal.open();
    });
}

} // namespace kvintor::visits
