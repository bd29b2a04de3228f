#include "LiveRecorder.h"

#include "LiveRow.h"
#include "common/Dialogs.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace kvintor {

QString recordingFileName(const QString& seriesText, const QDateTime& now) {
    static const QString prefix = QStringLiteral("Серия - ");
    QString serial = seriesText.startsWith(prefix) ? seriesText.mid(prefix.size()).trimmed() : QString();
    if (serial == QStringLiteral("не определена")) serial.clear();
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\s\\x00-\\x1F]"));
    serial.replace(unsafe, QStringLiteral("_"));
    if (serial.isEmpty()) serial = QStringLiteral("Kvintor");
    return serial + QLatin1Char('_') + now.toString(QStringLiteral("yyyy-MM-dd_HH-mm")) + QStringLiteral(".csv");
}

LiveRecorder::LiveRecorder(Program& program, InitTest& main, QAction* item)
    : QObject(&main), p_(program), main_(main), item_(item), linkTimer_(new QTimer(this)) {
    linkClock = [] {
        static QElapsedTimer monotonic;
        if (!monotonic.isValid()) monotonic.start();
        return monotonic.elapsed();
    };
    linkTimer_->setObjectName(QStringLiteral("linkTimer"));
    linkTimer_->setInterval(kLinkCheckMs);
    connect(linkTimer_, &QTimer::timeout, this, &LiveRecorder::checkLink);
    item_->setCheckable(true);
    connect(item_, &QAction::triggered, this, [this](bool ticked) {
        // The tick follows the file, not the click.
        item_->setChecked(!ticked);
        if (ticked) start();
        else stop();
    });
    connect(&main_, &InitTest::pageShown, this, &LiveRecorder::pageShown);
    connect(&main_, &InitTest::pollFailed, this, &LiveRecorder::pollFailed);
    // The exit dialogue and a signal end the program through the reset;
    // the file is closed before it.
    p_.addEndHook(this, [this] { stop(); });
}

bool LiveRecorder::start() {
    if (recording()) return true;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(recordingFileName(main_.statusPanels[3]->text(), clock()));
    const QString path = p_.dialogs.saveFile(QStringLiteral("Запись параметров в файл"), suggested,
                                             QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty()) return false;
    headerPage_ = main_.visiblePage();
    if (!file_.open(path) || !file_.write(liveHeader(headerPage_))) {
        warn(QStringLiteral("Файл не создан: "), file_.error());
        file_.close();
        return false;
    }
    item_->setChecked(true);
    emit started(path);
    return true;
}

void LiveRecorder::stop() {
    linkAnswers();
    file_.close();
    item_->setChecked(false);
}

void LiveRecorder::pollFailed() {
    if (!recording()) return;
    // The main window searches for the ECU now; the recording waits for it.
    if (lostSinceMs_ < 0) {
        lostSinceMs_ = linkClock();
        answeredBefore_ = p_.exchanges.count(kline::kOk);
        linkTimer_->start();
    }
    checkLink();
}

void LiveRecorder::linkAnswers() {
    lostSinceMs_ = -1;
    linkTimer_->stop();
}

void LiveRecorder::checkLink() {
    if (!recording() || lostSinceMs_ < 0) {
        linkAnswers();
        return;
    }
    // Any window's exchange that succeeded (the main window's search, a
    // window opened meanwhile) shows the link alive.
    if (p_.exchanges.count(kline::kOk) > answeredBefore_) {
        linkAnswers();
        return;
    }
    if (linkClock() - lostSinceMs_ <= kLinkLostMs) return;
    const QString path = QDir::toNativeSeparators(file_.path());
    stop();
    p_.BeepSignal();
    p_.dialogs.message(
        QStringLiteral("Нет  связи  с  ЭБУ  более  5  секунд.  Запись  параметров  остановлена.") +
            QStringLiteral("\r\n") + QStringLiteral("Записанное  сохранено  в  файле  ") + path,
        QStringLiteral("Ошибка  ") + p_.state.AppTitle, common::Icon::Exclamation);
}

void LiveRecorder::pageShown(int page, const std::vector<int>& reply, const PageValues& shown) {
    if (!recording()) return;
    linkAnswers();
    // Another page has other columns: its header comes first.
    bool written = true;
    if (page != headerPage_) {
        headerPage_ = page;
        written = file_.write(liveHeader(page));
    }
    if (written) written = file_.write(liveRow(clock(), page, reply, shown));
    if (written) return;
    const QString why = file_.error();
    stop();
    warn(QStringLiteral("Запись параметров остановлена, файл не записан: "), why);
}

void LiveRecorder::warn(const QString& first, const QString& why) {
    p_.BeepSignal();
    p_.dialogs.message(first + QDir::toNativeSeparators(file_.path()) + QStringLiteral("\r\n") +
                           QStringLiteral("Причина: ") + why,
                       p_.state.AppTitle, common::Icon::Exclamation);
}

} // namespace kvintor
