#include "fMonitor.h"

#include "MonitorModel.h"
#include "RequestNames.h"
#include "common/Dialogs.h"
#include "main/Program.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

namespace kvintor {

namespace {

qint64 steadyNs() {
    return static_cast<qint64>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

QString fixed(double v, int decimals) {
    return QLocale().toString(v, 'f', decimals);
}

} // namespace

fMonitor::fMonitor(Program& program, QWidget* owner)
    : QWidget(owner, Qt::Window), clock(steadyNs), p_(program) {
    setObjectName(QStringLiteral("fMonitor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Монитор линии"));
    if (owner) setWindowIcon(owner->windowIcon());
    resize(1100, 520);

    rateLabel = new QLabel(this);
    rateLabel->setObjectName(QStringLiteral("rateLabel"));
    shareLabel = new QLabel(this);
    shareLabel->setObjectName(QStringLiteral("shareLabel"));
    auto* counts = new QGridLayout;
    counts->setHorizontalSpacing(18);
    for (int code = 0; code < kline::ExchangeLog::kResults; ++code) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("countLabels(%1)").arg(code));
        counts->addWidget(l, code / 4, code % 4);
        countLabels[static_cast<std::size_t>(code)] = l;
    }

    model_ = new MonitorModel(p_.exchanges, this);
    exchangeList = new QTableView(this);
    exchangeList->setObjectName(QStringLiteral("exchangeList"));
    exchangeList->setAccessibleName(QStringLiteral("Обмены"));
    exchangeList->setModel(model_);
    exchangeList->setSelectionBehavior(QAbstractItemView::SelectRows);
    exchangeList->setAlternatingRowColors(true);
    exchangeList->setWordWrap(false);
    exchangeList->verticalHeader()->hide();
    exchangeList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = exchangeList->horizontalHeader();
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[MonitorModel::Columns] = {13, 28, 28, 28, 5, 20, 7};
    for (int c = 0; c < MonitorModel::Columns; ++c)
        exchangeList->setColumnWidth(c, widths[c] * digit);
    header->setStretchLastSection(true);

    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    connect(saveButton, &QPushButton::clicked, this, &fMonitor::save);

    auto* figures = new QHBoxLayout;
    figures->addWidget(rateLabel);
    figures->addSpacing(30);
    figures->addWidget(shareLabel);
    figures->addStretch(1);
    figures->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(figures);
    layout->addLayout(counts);
    layout->addWidget(exchangeList, 1);

    refreshTimer = new QTimer(this);
    refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer->setInterval(kRefreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &fMonitor::refresh);
    refreshTimer->start();
    // What the program has kept since its start, the latest at the bottom.
    refresh();
}

const kline::ExchangeLog& fMonitor::log() const {
    return p_.exchanges;
}

void fMonitor::refresh() {
    const kline::ExchangeLog& kept = p_.exchanges;
    const qint64 now = clock();
    rateLabel->setText(QStringLiteral("Обменов в секунду:  ") + fixed(kept.rate(now), 1));
    const double limit = kept.wireLimit();
    if (limit > 0) {
        const auto& last = kept.entries().back().exchange;
        shareLabel->setText(
            QStringLiteral("Доля предела линии:  %1  (предел %2 обм./с при %3 байтах)")
                .arg(fixed(kept.wireShare(now), 2), fixed(limit, 1))
                .arg(last.frame.size() + last.reply.size()));
    } else {
        shareLabel->setText(QStringLiteral("Доля предела линии:  -"));
    }
    for (int code = 0; code < kline::ExchangeLog::kResults; ++code)
        countLabels[static_cast<std::size_t>(code)]->setText(
            QStringLiteral("%1  %2:  %3").arg(code).arg(resultText(code)).arg(kept.count(code)));

    QScrollBar* bar = exchangeList->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (model_->refresh() && atEnd) exchangeList->scrollToBottom();
}

void fMonitor::save() {
    refresh();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("Обмен_%1.jsonl")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm"))));
    const QString path = p_.dialogs.saveFile(QStringLiteral("Сохранить обмен с ЭБУ"), suggested,
                                             QStringLiteral("Трасса обмена (*.jsonl)"));
    if (path.isEmpty()) return;
    QString why;
    if (kline::trace::save(path, p_.exchanges.trace(), &why)) {
        emit saved(path);
        return;
    }
    p_.BeepSignal();
    p_.dialogs.message(QStringLiteral("Файл не сохранён: ") + QDir::toNativeSeparators(path) +
                           QStringLiteral("\r\n") + QStringLiteral("Причина: ") + why,
                       p_.state.AppTitle, common::Icon::Exclamation);
}

void fMonitor::closeEvent(QCloseEvent* event) {
    refreshTimer->stop();
    QWidget::closeEvent(event);
}

void fMonitor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kvintor
