#include "fKomplekt.h"

#include "EcuDataRequests.h"
#include "Passport.h"
#include "common/Time.h"
#include "main/Program.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kvintor {

namespace ed = ecudata;

fKomplekt::fKomplekt(Program& program, QWidget* owner) : ActivatedDialog(owner), p_(program) {
    setObjectName(QStringLiteral("fKomplekt"));
    setWindowTitle(QStringLiteral("Паспорт ЭБУ. и комплектация     ") + p_.state.AppTitle);
    ed::takeOwnersIcon(this, owner);
    resize(780, 480);

    ListView1 = new ed::MarkedList(QStringLiteral("ListView1"), this);
    ListView1->setColumnCount(2);
    ListView1->setHeaderHidden(true);
    ListView1->setColumnWidth(0, 140);
    ListView1->header()->setStretchLastSection(true);

    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setAccessibleName(QStringLiteral("List2"));
    List2->viewport()->installEventFilter(this);

    auto* fields = new QGridLayout;
    for (std::size_t k = 0; k < Text1.size(); ++k) {
        const QString caption = QString::fromUtf8(ed::kPassportFields[k].caption);
        QWidget* beside = nullptr;
        if (k == 0) {
            Check1 = new QCheckBox(caption, this);
            Check1->setObjectName(QStringLiteral("Check1"));
            connect(Check1, &QCheckBox::clicked, this, &fKomplekt::dateStamp);
            beside = Check1;
        } else {
            Label1[k] = new QLabel(caption, this);
            Label1[k]->setObjectName(QStringLiteral("Label1(%1)").arg(k));
            beside = Label1[k];
        }
        auto* edit = new QLineEdit(this);
        const QString name = QStringLiteral("Text1(%1)").arg(k);
        edit->setObjectName(name);
        edit->setAccessibleName(name);
        edit->setMaxLength(ed::kPassportLength);
        edit->installEventFilter(this);
        // Typing in a field, and nothing else, makes the passport writable
        // (a key press in the field, see eventFilter) and the field the
        // mechanic's own, also when it could not be read.
        connect(edit, &QLineEdit::textEdited, this, [this, k] { typed_[k] = true; });
        if (Label1[k]) Label1[k]->setBuddy(edit);
        Text1[k] = edit;
        fields->addWidget(beside, static_cast<int>(k), 0);
        fields->addWidget(edit, static_cast<int>(k), 1);
    }
    fields->setColumnMinimumWidth(1, 170);
    fields->setRowStretch(static_cast<int>(Text1.size()), 1);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    QPalette warning = Label2->palette();
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label2->setPalette(warning);
    Label2->hide();

    Command1 = new QPushButton(QStringLiteral("Записать в ЭБУ"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->setEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &fKomplekt::WritePassport);

    auto* left = new QVBoxLayout;
    left->addWidget(ListView1, 2);
    left->addWidget(List2, 3);
    auto* right = new QVBoxLayout;
    right->addLayout(fields, 1);
    right->addWidget(Label2);
    right->addWidget(Command1, 0, Qt::AlignRight);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
}

void fKomplekt::activated() {
    if (read_) return;
    read_ = true;
    ReadPassport();
}

void fKomplekt::ReadPassport() {
    kline::EcuLink& ecu = p_.ecu;
    common::DoEvents();
    ecu.EcuExchange(ed::req::configuration());
    if (ecu.ShowExchangeError(0)) {
        // Nothing more is read; the pointer tells that the window is idle
        // for want of the ECU (over this window only).
        setCursor(Qt::BusyCursor);
        return;
    }
    List2->clear();
    List2->addItems(ed::configurationNames(ecu.EcuReply()));
    List2->update();

    // Texts the ECU does not give are left out without a word.
    // Between the exchanges the screen and screen readers are served (the
    // whole passport is some sixteen exchanges).
    const QPointer<fKomplekt> self(this);
    for (const ed::IdentificationRow& row : ed::kIdentificationRows) {
        common::DoEventsExceptInput();
        if (!self) return;
        if (ecu.EcuExchange(ed::req::identification(row.command)) != kline::kOk) continue;
        ListView1->addTopLevelItem(
            new QTreeWidgetItem(QStringList{QString::fromUtf8(row.title), ecu.ReplyAsText()}));
    }
    // A field that could not be read is not the ECU's text: it is marked,
    // and written only when the mechanic types into it.
    QStringList unread;
    for (std::size_t k = 0; k < Text1.size(); ++k) {
        common::DoEventsExceptInput();
        if (!self) return;
        unread_[k] =
            ecu.EcuExchange(ed::req::readVariable(ed::kPassportFields[k].variable)) != kline::kOk;
        Text1[k]->setPlaceholderText(unread_[k] ? QStringLiteral("не прочитано") : QString());
        if (unread_[k]) {
            QString caption = QString::fromUtf8(ed::kPassportFields[k].caption);
            if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
            unread << caption;
            continue;
        }
        Text1[k]->setText(ecu.ReplyAsText());
    }
    Label2->setText(
        unread.isEmpty()
            ? QString()
            : QStringLiteral("Не прочитаны из ЭБУ: ") + unread.join(QStringLiteral(", ")) +
                  QStringLiteral(". Их данные в ЭБУ не изменятся, если их не вписать."));
    Label2->setVisible(!unread.isEmpty());
}

void fKomplekt::dateStamp(bool checked) {
    Text1[0]->setText(checked ? ed::dateStamp(today()).trimmed() : QString());
    typed_[0] = true;
    ListView1->repaintList();
}

void fKomplekt::WritePassport() {
    kline::EcuLink& ecu = p_.ecu;
    Command1->setEnabled(false);
    const ed::BusyPointer busy(this, Qt::WaitCursor);
    common::DoEvents();
    // Every write goes through variable 14, which holds the regulator
    // switches too: they are owed until they are written back.
    p_.ledger.oweSwitches();
    writeFields();
    ecu.EcuExchange(ed::req::restoreSwitches(p_.state.EcuSwitches));
}

void fKomplekt::writeFields() {
    kline::EcuLink& ecu = p_.ecu;
    // The first refusal ends the write; the fields before it stay written.
    for (std::size_t k = 0; k < Text1.size(); ++k) {
        // A field the ECU did not give is left as the ECU holds it.
        if (unread_[k] && !typed_[k]) continue;
        const QByteArray bytes = ed::passportBytes(Text1[k]->text());
        const QPointer<fKomplekt> self(this);
        common::DoEventsExceptInput();
        if (!self) return;
        ecu.EcuExchange(ed::req::writePassportText(ed::kPassportFields[k].variable, bytes));
        if (ecu.ShowExchangeError(1)) return;
    }
    ecu.EcuExchange(ed::req::closePassport(ed::kPassportClosing[0]));
    if (ecu.ShowExchangeError(1)) return;
    ecu.EcuExchange(ed::req::closePassport(ed::kPassportClosing[1]));
    ecu.ShowExchangeError(1);
}

bool fKomplekt::eventFilter(QObject* watched, QEvent* event) {
    // A click on a field or on the configuration list repaints the
    // identification list, which takes its row mark away.
    if (event->type() == QEvent::MouseButtonPress) ListView1->repaintList();
    // Any key pressed in a field makes the passport writable, also one that
    // changes nothing (a full field).
    if (event->type() == QEvent::KeyPress &&
        std::find(Text1.begin(), Text1.end(), watched) != Text1.end())
        Command1->setEnabled(true);
    return ActivatedDialog::eventFilter(watched, event);
}

} // namespace kvintor
