#include "fPostErr.h"

#include "EcuDataRequests.h"
#include "WindowParts.h"
#include "common/Time.h"
#include "main/Program.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kvintor {

using ecudata::MarkedList;

namespace {
constexpr int kFlagColumns[] = {1, 2};
} // namespace

fPostErr::fPostErr(Program& program, QWidget* owner) : ActivatedDialog(owner), p_(program) {
    setObjectName(QStringLiteral("fPostErr"));
    setWindowTitle(QStringLiteral("Ошибки  ЭБУ  и  неисправности исполнительных механизмов  ") +
                   p_.state.AppTitle);
    ecudata::takeOwnersIcon(this, owner);
    resize(720, 380);

    ListView1 = new MarkedList(QStringLiteral("ListView1"), this);
    ListView1->setHeaderLabels({QStringLiteral("код"), QStringLiteral("текущ"),
                                QStringLiteral("многокр"), QStringLiteral("наименование")});
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    ListView1->setColumnWidth(0, 50);
    ListView1->setColumnWidth(1, 56);
    ListView1->setColumnWidth(2, 70);
    for (int c : kFlagColumns)
        ListView1->headerItem()->setTextAlignment(c, Qt::AlignCenter);

    Command1 = new QPushButton(QStringLiteral("Сброс"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    // Until the ECU reports faults there is nothing to clear.
    Command1->setEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &fPostErr::ClearStoredFaults);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollMs);
    connect(Timer1, &QTimer::timeout, this, &fPostErr::ReadStoredFaults);
}

void fPostErr::hideEvent(QHideEvent* event) {
    // Closed (Esc, the close box) or hidden: nothing polls any more.
    Timer1->stop();
    QDialog::hideEvent(event);
}

void fPostErr::activated() {
    ecudata::FaultText();
    last_.reset();
    pollFailed_ = false;
    Timer1->start();
}

void fPostErr::ReadStoredFaults() {
    kline::EcuLink& ecu = p_.ecu;
    ecu.EcuExchange(ecudata::req::storedFaults());
    if (ecu.LastExchangeResult() != kline::kOk) {
        // Stopped before the message, so that it is shown once.
        Timer1->stop();
        pollFailed_ = true;
        ecu.ShowExchangeError(0);
        return;
    }
    const std::vector<int> reply = ecu.EcuReply();
    if (reply.front() == 0) Command1->setEnabled(false);
    if (!last_.update(reply)) return;
    showFaults(reply);
    Command1->setEnabled(true);
    Command1->setFocus();
}

void fPostErr::showFaults(const std::vector<int>& reply) {
    ++rebuilds_;
    ListView1->clear();
    QList<QTreeWidgetItem*> rows;
    for (const ecudata::FaultRow& row : ecudata::faultRows(reply)) {
        auto* item = new QTreeWidgetItem(ecudata::faultColumns(row));
        for (int c : kFlagColumns)
            item->setTextAlignment(c, Qt::AlignCenter);
        rows << item;
    }
    ListView1->addTopLevelItems(rows);
    emit faultsShown(reply);
}

void fPostErr::ClearStoredFaults() {
    kline::EcuLink& ecu = p_.ecu;
    // No poll runs between the steps or under a message box of theirs.
    const bool polling = Timer1->isActive();
    Timer1->stop();
    {
        ecudata::BusyPointer busy(this, Qt::BusyCursor);
        Command1->setEnabled(false);
        Command1->repaint();
        namespace req = ecudata::req;
        // Variable 14 holds the regulator switches besides the command: a
        // sequence broken off on the way leaves them owed to the ECU.
        p_.ledger.oweSwitches();
        ecu.EcuExchange(req::commandRegister(req::kFaultReset));
        if (!ecu.ShowExchangeError(1)) {
            ecu.EcuExchange(req::commandRegister(0));
            if (!ecu.ShowExchangeError(1)) {
                // The regulator switches, which the reset cleared, go back.
                ecu.EcuExchange(req::restoreSwitches(p_.state.EcuSwitches));
                if (ecu.LastExchangeResult() == kline::kOk && ecu.reply(0) == 0) {
                    common::Pause(kClearedReadMs);
                    ReadStoredFaults();
                }
            }
        }
    }
    Command1->setEnabled(true);
    if (polling && !pollFailed_) Timer1->start();
}

} // namespace kvintor
