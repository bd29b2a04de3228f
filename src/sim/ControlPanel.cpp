#include "ControlPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace sim {

namespace {
const LineFault kFaults[] = {LineFault::None,          LineFault::NoEcho,      LineFault::WrongEcho,
                             LineFault::EcuSilent,     LineFault::BadChecksum, LineFault::OverlongReply,
                             LineFault::Garbage,       LineFault::PortGone};
const char* kFaultTexts[] = {"Нет",
                             "Нет эха (адаптер выключен)",
                             "Искажённое эхо",
                             "ЭБУ молчит",
                             "Неверная контрольная сумма",
                             "Слишком длинный ответ",
                             "Мусор между кадрами",
                             "Адаптер отключён"};
} // namespace

ControlPanel::ControlPanel(std::shared_ptr<Simulator> simulator, QWidget* parent)
    : QWidget(parent), sim_(std::move(simulator)) {
    setWindowTitle(QStringLiteral("Имитатор ЭБУ"));
    setObjectName(QStringLiteral("ControlPanel"));

    auto* engineBox = new QGroupBox(QStringLiteral("Двигатель"));
    startButton = new QPushButton(QStringLiteral("Пуск"));
    stopButton = new QPushButton(QStringLiteral("Останов"));
    throttle = new QSlider(Qt::Horizontal);
    throttle->setRange(0, 100);
    fuelling = new QComboBox;
    fuelling->addItems({QStringLiteral("Впрыск, ЗМЗ-4062"), QStringLiteral("Впрыск, ЗМЗ-4063"),
                        QStringLiteral("Карбюратор")});
    fuelling->setCurrentIndex(static_cast<int>(sim_->ecu.fuelling()));
    state = new QLabel;
    state->setMinimumWidth(320);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startButton);
    buttons->addWidget(stopButton);
    auto* engineForm = new QFormLayout(engineBox);
    engineForm->addRow(buttons);
    engineForm->addRow(QStringLiteral("Дроссель, %"), throttle);
    engineForm->addRow(QStringLiteral("Система питания"), fuelling);
    engineForm->addRow(state);

    auto* faultBox = new QGroupBox(QStringLiteral("Неисправности"));
    faultCode = new QSpinBox;
    faultCode->setRange(1, 255);
    faultCode->setValue(21);
    faultPresent = new QCheckBox(QStringLiteral("есть сейчас"));
    faultPresent->setChecked(true);
    addFault = new QPushButton(QStringLiteral("Добавить"));
    clearFaults = new QPushButton(QStringLiteral("Стереть все"));
    auto* faultRow = new QHBoxLayout(faultBox);
    faultRow->addWidget(new QLabel(QStringLiteral("Код")));
    faultRow->addWidget(faultCode);
    faultRow->addWidget(faultPresent);
    faultRow->addWidget(addFault);
    faultRow->addWidget(clearFaults);

    auto* lineBox = new QGroupBox(QStringLiteral("Линия K-Line"));
    lineFault = new QComboBox;
    for (const char* t : kFaultTexts) lineFault->addItem(QString::fromUtf8(t));
    device = new QLabel;
    device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* lineForm = new QFormLayout(lineBox);
    lineForm->addRow(QStringLiteral("Порт"), device);
    lineForm->addRow(QStringLiteral("Сбой линии"), lineFault);

    requests = new QPlainTextEdit;
    requests->setReadOnly(true);
    requests->setMaximumBlockCount(200);
    requests->setMinimumHeight(160);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    requests->setFont(mono);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(engineBox);
    layout->addWidget(faultBox);
    layout->addWidget(lineBox);
    layout->addWidget(new QLabel(QStringLiteral("Последние запросы")));
    layout->addWidget(requests, 1);

    startButton->setObjectName(QStringLiteral("startButton"));
    stopButton->setObjectName(QStringLiteral("stopButton"));
    throttle->setObjectName(QStringLiteral("throttle"));
    fuelling->setObjectName(QStringLiteral("fuelling"));
    lineFault->setObjectName(QStringLiteral("lineFault"));
    requests->setObjectName(QStringLiteral("requests"));

    connect(startButton, &QPushButton::clicked, this, [this] {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        sim_->ecu.engine().start();
    });
    connect(stopButton, &QPushButton::clicked, this, [this] {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        sim_->ecu.engine().stop();
    });
    connect(throttle, &QSlider::valueChanged, this, [this](int v) {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        sim_->ecu.engine().setThrottle(v);
    });
    connect(fuelling, &QComboBox::currentIndexChanged, this, [this](int i) {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        sim_->ecu.setFuelling(static_cast<Fuelling>(i));
    });
    connect(addFault, &QPushButton::clicked, this, [this] {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        sim_->ecu.addFault(faultCode->value(), faultPresent->isChecked());
    });
    connect(clearFaults, &QPushButton::clicked, this, [this] {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        sim_->ecu.faults().clear();
    });
    connect(lineFault, &QComboBox::currentIndexChanged, this, [this](int i) {
        const LineFault f = kFaults[i];
        {
            std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
            sim_->adapter.setFault(f);
        }
        emit lineFaultChanged(f);
    });

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &ControlPanel::refresh);
    timer_->start(250);
    refresh();
}

void ControlPanel::setDevicePath(const QString& path) { device->setText(path); }

void ControlPanel::refresh() {
    std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
    sim_->syncToWall();
    const Engine& e = sim_->ecu.engine();
    state->setText(QStringLiteral("%1   %2 об/мин   ОЖ %3 °C   РДВ %4   неисправностей: %5")
                       .arg(e.running() ? QStringLiteral("работает") : QStringLiteral("стоит"))
                       .arg(std::lround(e.rpm()))
                       .arg(std::lround(e.coolant()))
                       .arg(std::lround(e.valveSteps()))
                       .arg(sim_->ecu.faults().size()));
    const auto& log = sim_->adapter.log();
    QStringList lines;
    const std::size_t first = log.size() > 12 ? log.size() - 12 : 0;
    for (std::size_t i = first; i < log.size(); ++i) {
        QStringList req;
        for (std::uint8_t b : log[i].request) req << QString::number(b);
        lines << QStringLiteral("%1 s  %2%3")
                     .arg(log[i].timeMs / 1000.0, 8, 'f', 2)
                     .arg(req.join(QLatin1Char(' ')))
                     .arg(log[i].reply.isEmpty() ? QStringLiteral("  (нет ответа)") : QString());
    }
    const QString text = lines.join(QLatin1Char('\n'));
    if (requests->toPlainText() != text) requests->setPlainText(text);
}

} // namespace sim
