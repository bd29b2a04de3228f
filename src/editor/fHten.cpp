#include "fHten.h"

#include "Fermel.h"
#include "ImageDocument.h"
#include "common/Dialogs.h"
#include "common/SettingsStore.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace editor {

namespace {
const QString kSection = QStringLiteral("Chten");
const QString kKey = QStringLiteral("Com");
} // namespace

fHten::fHten(FermelSeams& seams, ImageDocument& document, std::function<void()> downloaded,
             QWidget* owner)
    : QDialog(owner), seams_(seams), doc_(document), downloaded_(std::move(downloaded)),
      link_(seams.ports, seams.factory) {
    setObjectName(QStringLiteral("fHten"));
    setWindowTitle(QStringLiteral("Загрузка таблиц из ЭБУ   Микас 7.ХХ"));
    setModal(true);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setMinimumSize(260, 28);
    Label1->setFrameShape(QFrame::Panel);
    Label1->setFrameShadow(QFrame::Sunken);
    Label1->setAutoFillBackground(true);
    setStatusColour(idleColour());

    auto* ports = new QHBoxLayout;
    for (int n = 1; n <= 2; ++n) {
        auto* o = new QRadioButton(QStringLiteral("COM%1").arg(n), this);
        o->setObjectName(QStringLiteral("Option1(%1)").arg(n));
        connect(o, &QRadioButton::clicked, this, [this, n] { setUpPort(n); });
        Option1[static_cast<std::size_t>(n)] = o;
        ports->addWidget(o);
    }
    ports->addStretch();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &fHten::timer1Tick);

    link_.activity = [this] { blink(); };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(ports);
}

fHten::~fHten() {
    finish();
}

void fHten::setStatusColour(const QColor& c) {
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::Window, c);
    Label1->setPalette(pal);
}

void fHten::blink() {
    // Only while the link is being probed; the label flips between light
    // grey and red (green and blue inverted).
    if (!Timer1->isActive()) return;
    const QColor c = Label1->palette().color(QPalette::Window);
    setStatusColour(QColor(c.red(), c.green() ^ 0xFF, c.blue() ^ 0xFF));
    Label1->repaint();
}

void fHten::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        activate();
    }
}

void fHten::activate() {
    activated_ = true;
    setCursor(Qt::BusyCursor);
    const int n =
        seams_.settings.GetSetting(settingsApp(), kSection, kKey, QStringLiteral("1")).trimmed() ==
                QLatin1String("2")
            ? 2
            : 1;
    Option1[static_cast<std::size_t>(n)]->setChecked(true);
    setUpPort(n);
    attempts_ = kAttempts;
}

void fHten::setUpPort(int n) {
    Timer1->stop();
    link_.ClosePort();
    if (!link_.OpenPort(n)) {
        Label1->clear();
        seams_.dialogs.message(QStringLiteral("Порт  коммуникации ") + QString::number(n) +
                                   QStringLiteral(", занят  или  не  существует.") +
                                   QStringLiteral("\r\n") +
                                   QStringLiteral("Попробуйте  выбрать  другой."),
                               QStringLiteral("Fermel"), common::Icon::Critical);
        return;
    }
    Timer1->start();
}

void fHten::timer1Tick() {
    QElapsedTimer clock;
    clock.start();
    // However fast the exchanges fail, the next tick waits its turn.
    auto pace = [&] {
        const auto spent = static_cast<int>(clock.elapsed());
        Timer1->setInterval(std::max(1, kMinTickMs - spent));
    };
    if (link_.Exchange({1}) != kLinkOk) {
        Label1->setText(FermelLink::ResultText(link_.LastResult()));
        pace();
        return;
    }
    if (link_.Exchange({81}) != kLinkOk) {
        pace();
        return;
    }
    setStatusColour(idleColour());
    Timer1->stop();
    if (tableDownload()) {
        Label1->setText(FermelLink::ResultText(link_.LastResult()));
        pace();
        Timer1->start();
    }
}

bool fHten::tableDownload() {
    if (--attempts_ == 0) {
        seams_.dialogs.message(
            QStringLiteral("Данный  тип  ЭБУ  режим  чтения  таблиц  не  поддерживает"),
            QStringLiteral("Fermel"), common::Icon::Exclamation);
        reject();
        return false;
    }
    for (int i = 0; i < kTables; ++i) {
        Label1->setText(QStringLiteral("Таблица") + QString::number(i + 1));
        Label1->repaint();
        if (link_.Exchange(tableRequest(doc_.engine, i)) != kLinkOk) return true;
        const std::vector<int>& reply = link_.Reply();
        // A reply without the whole table is a failed read.
        if (static_cast<int>(reply.size()) < kTableReplyLength) return true;
        std::array<std::uint8_t, kTableSize> table{};
        for (int j = 0; j < kTableSize; ++j)
            table[static_cast<std::size_t>(j)] =
                static_cast<std::uint8_t>(reply[static_cast<std::size_t>(3 + j)]);
        doc_.setTable(i, table.data());
    }
    if (downloaded_) downloaded_();
    accept();
    return false;
}

void fHten::done(int r) {
    finish();
    QDialog::done(r);
}

void fHten::finish() {
    if (finished_) return;
    finished_ = true;
    Timer1->stop();
    const bool second = Option1[2]->isChecked();
    seams_.settings.SaveSetting(settingsApp(), kSection, kKey,
                                second ? QStringLiteral("2") : QStringLiteral("1"));
    link_.ClosePort();
    unsetCursor();
}

} // namespace editor
