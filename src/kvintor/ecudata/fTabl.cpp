#include "fTabl.h"

#include "AdaptTables.h"
#include "EcuDataRequests.h"
#include "common/Dialogs.h"
#include "common/Time.h"
#include "main/Program.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kvintor {

namespace ed = ecudata;

namespace {
constexpr int kRowNumberWidth = 40;
constexpr int kCellWidth = 46;
} // namespace

fTabl::fTabl(Program& program, QWidget* owner) : ActivatedDialog(owner), p_(program) {
    setObjectName(QStringLiteral("fTabl"));
    setWindowTitle(QStringLiteral("Таблицы топливоподачи    ") + p_.state.AppTitle);
    ed::takeOwnersIcon(this, owner);

    auto* buttons = new QGridLayout;
    for (int t = 1; t <= ed::kAdaptTables; ++t) {
        const ed::AdaptTable& table = ed::kAdaptTableList[static_cast<std::size_t>(t - 1)];
        auto* read = new QPushButton(QString::fromUtf8(table.caption), this);
        auto* reset = new QPushButton(QStringLiteral("Обнулить"), this);
        const int n = 2 * t - 1;
        read->setObjectName(QStringLiteral("Command%1").arg(n));
        reset->setObjectName(QStringLiteral("Command%1").arg(n + 1));
        for (QPushButton* b : {read, reset})
            b->setAutoDefault(false);
        connect(read, &QPushButton::clicked, this, [this, t] { ShowAdaptTable(t); });
        connect(reset, &QPushButton::clicked, this, [this, t] { ResetAdaptTable(t); });
        Command[static_cast<std::size_t>(n)] = read;
        Command[static_cast<std::size_t>(n + 1)] = reset;
        buttons->addWidget(read, 0, t - 1);
        buttons->addWidget(reset, 1, t - 1);
    }

    ListView1 = new ed::MarkedList(QStringLiteral("ListView1"), this);
    QStringList headers{QStringLiteral("B/F")};
    for (int c = 0; c < ed::kAdaptColumns; ++c)
        headers << QString::number(c);
    ListView1->setHeaderLabels(headers);
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setMinimumSectionSize(10);
    ListView1->setColumnWidth(0, kRowNumberWidth);
    for (int c = 1; c <= ed::kAdaptColumns; ++c) {
        ListView1->setColumnWidth(c, kCellWidth);
        ListView1->headerItem()->setTextAlignment(c, Qt::AlignCenter);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ListView1, 1);
    // Wide and tall enough for the whole table without scrolling.
    const int frame = 2 * ListView1->frameWidth();
    ListView1->addTopLevelItem(
        new QTreeWidgetItem(QStringList{QStringLiteral("0"), ed::adaptCell(0)}));
    const int rowHeight = ListView1->sizeHintForRow(0);
    ListView1->clear();
    ListView1->setMinimumSize(kRowNumberWidth + ed::kAdaptColumns * kCellWidth + frame +
                                  ListView1->verticalScrollBar()->sizeHint().width(),
                              header->sizeHint().height() + ed::kAdaptRows * rowHeight + frame);
    adjustSize();
}

void fTabl::activated() {
    if (shownOnce_) return;
    shownOnce_ = true;
    common::DoEvents();
    ShowAdaptTable(1);
}

void fTabl::ShowAdaptTable(int t) {
    // Asked for while a table is on its way (a screen reader's press
    // served meanwhile): that table comes first.
    if (t < 1 || t > ed::kAdaptTables || p_.ecu.onLine()) return;
    kline::EcuLink& ecu = p_.ecu;
    // A table is 256 bytes, a quarter of a second on the wire: the screen
    // and screen readers are served while it comes.
    const QPointer<fTabl> self(this);
    ecu.ServedExchange(
        ed::req::readVariable(ed::kAdaptTableList[static_cast<std::size_t>(t - 1)].variable),
        [] { common::DoEventsExceptInput(); });
    if (!self) return;
    if (ecu.ShowExchangeError(0)) return; // the grid keeps what it showed
    const std::vector<int> reply = ecu.EcuReply();
    if (reply.size() < static_cast<std::size_t>(ed::kAdaptCells)) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Не  верная  длина  пакета"), p_.state.AppTitle,
                           common::Icon::Exclamation);
        return;
    }
    // Bytes beyond the table are left out.
    const QLocale locale;
    ListView1->clear();
    QList<QTreeWidgetItem*> rows;
    for (int r = 0; r < ed::kAdaptRows; ++r) {
        QStringList cells{QString::number(r)};
        for (int c = 0; c < ed::kAdaptColumns; ++c)
            cells << ed::adaptCell(reply[static_cast<std::size_t>(r * ed::kAdaptColumns + c)],
                                   locale);
        auto* item = new QTreeWidgetItem(cells);
        for (int c = 1; c <= ed::kAdaptColumns; ++c)
            item->setTextAlignment(c, Qt::AlignCenter);
        rows << item;
    }
    ListView1->addTopLevelItems(rows);
    shown_ = t;
    emit tableShown(t, reply);
}

void fTabl::ResetAdaptTable(int t) {
    if (t < 1 || t > ed::kAdaptTables || p_.ecu.onLine()) return;
    kline::EcuLink& ecu = p_.ecu;
    const ed::BusyPointer busy(this, Qt::BusyCursor);
    // Variable 14 holds the regulator switches besides the command: a
    // reset broken off on the way leaves them owed to the ECU.
    p_.ledger.oweSwitches();
    ecu.EcuExchange(
        ed::req::commandRegister(ed::kAdaptTableList[static_cast<std::size_t>(t - 1)].resetBit));
    if (ecu.ShowExchangeError(1)) return;
    ecu.EcuExchange(ed::req::commandRegister(0));
    if (ecu.ShowExchangeError(1)) return;
    // The reset wrote over the regulator switches of the same variable:
    // switches the mechanic turned off go back (not reported, as after a
    // fault reset).
    if (p_.state.EcuSwitches != 0) ecu.EcuExchange(ed::req::restoreSwitches(p_.state.EcuSwitches));
    common::Pause(kResetSettleMs);
    ShowAdaptTable(t);
}

} // namespace kvintor
