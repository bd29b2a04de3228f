#include "fNastr.h"

#include "Program.h"
#include "common/Platform.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvintor {

namespace {
template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
} // namespace

fNastr::fNastr(Program& program, QWidget* owner) : QDialog(owner), p_(program) {
    setObjectName(QStringLiteral("fNastr"));
    setWindowTitle(QStringLiteral("Настройка программы  (Kvintor)"));
    setModal(true);

    Frame1 = named(new QGroupBox(QStringLiteral("КомПорт")), QStringLiteral("Frame1"));
    auto* ports = new QGridLayout(Frame1);
    auto* group = new QButtonGroup(this);
    Label1 = named(new QLabel(QStringLiteral("Устройство")), QStringLiteral("Label1"));
    ports->addWidget(Label1, 0, 1);
    for (int n = 1; n <= 4; ++n) {
        const auto i = static_cast<std::size_t>(n);
        Option1[i] = named(new QRadioButton(QStringLiteral("Ком%1").arg(n)),
                           QStringLiteral("Option1(%1)").arg(n));
        group->addButton(Option1[i], n);
        ports->addWidget(Option1[i], n, 0);
        QComboBox* device = Combo1[i] = named(new QComboBox, QStringLiteral("Combo1(%1)").arg(n));
        device->setEditable(true);
        device->setInsertPolicy(QComboBox::NoInsert);
        device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        device->setMinimumContentsLength(24);
        device->setAccessibleName(device->objectName());
        device->setAccessibleDescription(QStringLiteral("Устройство порта Ком%1").arg(n));
        ports->addWidget(device, n, 1);
        connect(device, &QComboBox::activated, this, [this, n] { deviceChanged(n); });
        connect(device->lineEdit(), &QLineEdit::editingFinished, this,
                [this, n] { deviceChanged(n); });
    }
    Check1 = named(new QCheckBox(QStringLiteral("DTR")), QStringLiteral("Check1"));
    Check2 = named(new QCheckBox(QStringLiteral("RTS")), QStringLiteral("Check2"));
    auto* lines = new QHBoxLayout;
    lines->addWidget(Check1);
    lines->addWidget(Check2);
    lines->addStretch();
    ports->addLayout(lines, 5, 0, 1, 2);

    Frame2 = named(new QGroupBox(QStringLiteral("ЭБУ")), QStringLiteral("Frame2"));
    auto* ecuBox = new QVBoxLayout(Frame2);
    Option5 = named(new QRadioButton(QStringLiteral("Микас")), QStringLiteral("Option5"));
    Option6 = named(new QRadioButton(QStringLiteral("Январь")), QStringLiteral("Option6"));
    Option7 = named(new QRadioButton(QStringLiteral("BMW")), QStringLiteral("Option7"));
    Option8 = named(new QRadioButton(QStringLiteral("Bosh")), QStringLiteral("Option8"));
    Option5->setChecked(true);
    for (QRadioButton* o : {Option5, Option6, Option7, Option8})
        ecuBox->addWidget(o);
    for (QRadioButton* o : {Option6, Option7, Option8})
        o->setEnabled(false);

    Frame3 = named(new QGroupBox(QStringLiteral("Дополнительно")), QStringLiteral("Frame3"));
    auto* extras = new QVBoxLayout(Frame3);
    Check3 = named(new QCheckBox(QStringLiteral("Системный динамик")), QStringLiteral("Check3"));
    Check4 = named(new QCheckBox(QStringLiteral("Автозагрузка")), QStringLiteral("Check4"));
    Check5 = named(new QCheckBox(QStringLiteral("Создавать отчет")), QStringLiteral("Check5"));
    for (QCheckBox* c : {Check3, Check4, Check5})
        extras->addWidget(c);

    Command1 = named(new QPushButton(QStringLiteral("Отмена")), QStringLiteral("Command1"));
    Command2 = named(new QPushButton(QStringLiteral("OK")), QStringLiteral("Command2"));
    Command2->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &fNastr::cancel);
    connect(Command2, &QPushButton::clicked, this, &fNastr::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(Frame1);
    top->addWidget(Frame2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Frame3);
    moreFrames = new QVBoxLayout;
    layout->addLayout(moreFrames);
    layout->addLayout(buttons);

    load();
    for (const auto& hook : p_.whenSettingsBuilt) hook(*this);
}

void fNastr::load() {
    unsetCursor();
    kline::EcuLink& ecu = p_.ecu;
    if (ecu.PortHandle() > 0) ecu.ClosePort();
    // Each port's device, among the serial devices present.
    kline::PortMap& map = ecu.ports();
    runDevices_ = map.runDevices();
    const QList<kline::SerialDevice> present = map.presentDevices();
    for (int n = 1; n <= 4; ++n) {
        const auto i = static_cast<std::size_t>(n);
        QComboBox* c = Combo1[i];
        for (const kline::SerialDevice& d : present) {
            c->addItem(d.path);
            if (!d.description.isEmpty())
                c->setItemData(c->count() - 1, d.description, Qt::ToolTipRole);
        }
        // The list as wide as its longest name (a by-id name is long).
        c->view()->setMinimumWidth(c->view()->sizeHintForColumn(0) + 2 * c->view()->frameWidth());
        atOpening_[i] = probed_[i] = map.device(n);
        const int at = c->findText(atOpening_[i]);
        c->setCurrentIndex(at);
        if (at < 0) c->setEditText(atOpening_[i]);
    }
    for (int n = 1; n <= 4; ++n)
        Option1[static_cast<std::size_t>(n)]->setEnabled(ecu.ProbePort(n));
    const int chosen = ecu.PortNumber.size() == 1 ? ecu.PortNumber.toInt() : 0;
    if (chosen >= 1 && chosen <= 4) Option1[static_cast<std::size_t>(chosen)]->setChecked(true);
    if (ecu.DtrSetting.toInt() < 2) Check1->setChecked(ecu.DtrSetting.toInt() == 1);
    if (ecu.RtsSetting.toInt() < 2) Check2->setChecked(ecu.RtsSetting.toInt() == 1);
    Check5->setChecked(p_.state.ReportEnabled > 0);
    const int autostart =
        p_.GetSetting(QStringLiteral("fNastr"), QStringLiteral("AutoStar"), QStringLiteral("0"))
            .toInt();
    if (autostart == 2) {
        // The third, grey state; a click leaves it for good.
        Check4->setTristate(true);
        Check4->setCheckState(Qt::PartiallyChecked);
        connect(Check4, &QCheckBox::clicked, Check4, [this] { Check4->setTristate(false); });
    } else if (autostart >= 0 && autostart < 3) {
        Check4->setChecked(autostart == 1);
    }
    if (p_.state.SpeakerMode == 2)
        Check3->setEnabled(false);
    else
        Check3->setChecked(p_.state.SpeakerMode > 0);
}

QString fNastr::deviceShown(int n) const {
    return Combo1[static_cast<std::size_t>(n)]->currentText().trimmed();
}

void fNastr::deviceChanged(int n) {
    const auto i = static_cast<std::size_t>(n);
    const QString device = deviceShown(n);
    if (device == probed_[i]) return;
    probed_[i] = device;
    // Tried for this window only: OK stores it, Отмена puts the old one back.
    p_.ecu.ports().setDevice(n, device.isEmpty() ? kline::PortMap::defaultDevice(n) : device);
    Option1[i]->setEnabled(p_.ecu.ProbePort(n));
}

int fNastr::selectedPort() const {
    for (int n = 1; n <= 4; ++n)
        if (Option1[static_cast<std::size_t>(n)]->isChecked()) return n;
    return 0;
}

void fNastr::cancel() {
    if (selectedPort() != 0) {
        reject();
        return;
    }
    // Every port was disabled and none chosen: nothing to talk through.
    reject();
    p_.SaveSettingsAndQuit();
}

void fNastr::accept() {
    const int n = selectedPort();
    p_.ecu.PortNumber = QString::number(n == 0 ? 5 : n);
    p_.ecu.DtrSetting = Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    p_.ecu.RtsSetting = Check2->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    p_.state.ReportEnabled = Check5->isChecked() ? 1 : 0;
    p_.state.SpeakerMode = Check3->isEnabled() ? (Check3->isChecked() ? 1 : 0) : 2;
    // The autostart entry; a refusal is of no consequence here.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    p_.platform.setAutostart(QStringLiteral("Kvintor"), p_.state.AppFolder + program,
                             Check4->checkState() == Qt::Checked);
    // Stored as the box's value: 0 clear, 1 ticked, 2 grey.
    const int value = Check4->checkState() == Qt::Checked            ? 1
                      : Check4->checkState() == Qt::PartiallyChecked ? 2
                                                                     : 0;
    p_.SaveSetting(QStringLiteral("fNastr"), QStringLiteral("AutoStar"), QString::number(value));
    // The port and its lines are stored at once: the port reopens on close
    // with the stored DTR and RTS, which must be these.
    p_.SaveSetting(QStringLiteral("fNastr"), QStringLiteral("ВыбрПорт"), p_.ecu.PortNumber);
    p_.SaveSetting(QStringLiteral("fNastr"), QStringLiteral("DTR"), p_.ecu.DtrSetting);
    p_.SaveSetting(QStringLiteral("fNastr"), QStringLiteral("RTS"), p_.ecu.RtsSetting);
    // A device changed here is stored and opened from now on; the others
    // stay as they were (a --port of this run is not stored).
    kline::PortMap& map = p_.ecu.ports();
    map.restoreRunDevices(runDevices_);
    for (int port = 1; port <= 4; ++port)
        if (deviceShown(port) != atOpening_[static_cast<std::size_t>(port)])
            map.choose(port, deviceShown(port), p_.settings);
    QDialog::accept();
}

void fNastr::reject() {
    p_.ecu.ports().restoreRunDevices(runDevices_);
    QDialog::reject();
}

void fNastr::finish() {
    if (p_.ended()) return;
    const QString& port = p_.ecu.PortNumber;
    const int n = port.toInt();
    if (port.size() == 1 && n >= 1 && n <= 4) p_.ecu.OpenPort(n);
}

} // namespace kvintor
