#include "ControlPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace sim {

namespace {
const LineFault kFaults[] = {LineFault::None,      LineFault::NoEcho,      LineFault::WrongEcho,
                             LineFault::EcuSilent, LineFault::BadChecksum, LineFault::OverlongReply,
                             LineFault::Garbage,   LineFault::PortGone};
const char* kFaultTexts[] = {"Нет",
                             "Нет эха (адаптер выключен)",
                             "Искажённое эхо",
                             "ЭБУ молчит",
                             "Неверная контрольная сумма",
                             "Слишком длинный ответ",
                             "Мусор между кадрами",
                             "Адаптер отключён"};

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* spin(const char* name, int low, int high, int value) {
    auto* s = named(new QSpinBox, name);
    s->setRange(low, high);
    s->setValue(value);
    return s;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* r = new QHBoxLayout;
    for (QWidget* w : widgets)
        r->addWidget(w);
    r->addStretch(1);
    return r;
}

QString onOff(bool on) {
    return on ? QStringLiteral("вкл") : QStringLiteral("выкл");
}
} // namespace

ControlPanel::ControlPanel(std::shared_ptr<Simulator> simulator, QWidget* parent)
    : QWidget(parent), sim_(std::move(simulator)) {
    setWindowTitle(QStringLiteral("Имитатор ЭБУ"));
    setObjectName(QStringLiteral("ControlPanel"));

    auto* left = new QVBoxLayout;
    left->addWidget(buildEngine());
    left->addWidget(buildLine());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildFaults());
    right->addWidget(buildAnswers());
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    requests = named(new QPlainTextEdit, "requests");
    requests->setReadOnly(true);
    requests->setMaximumBlockCount(200);
    requests->setMinimumHeight(150);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    requests->setFont(mono);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(new QLabel(QStringLiteral("Последние запросы")));
    layout->addWidget(requests, 1);

    connectEngine();
    connectEcu();
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

// ---------------------------------------------------------------- layout

QWidget* ControlPanel::buildEngine() {
    auto* box = new QGroupBox(QStringLiteral("Двигатель"));
    startButton = named(new QPushButton(QStringLiteral("Пуск")), "startButton");
    stopButton = named(new QPushButton(QStringLiteral("Останов")), "stopButton");
    fuelling = named(new QComboBox, "fuelling");
    fuelling->addItems({QStringLiteral("Впрыск, ЗМЗ-4062"), QStringLiteral("Впрыск, ЗМЗ-4063"),
                        QStringLiteral("Карбюратор")});
    fuelling->setCurrentIndex(static_cast<int>(sim_->ecu.fuelling()));
    throttle = named(new QSlider(Qt::Horizontal), "throttle");
    throttle->setRange(0, 100);
    coolant = spin("coolant", -40, 150, 85);
    coolant->setSuffix(QStringLiteral(" °C"));
    setCoolant = named(new QPushButton(QStringLiteral("Задать")), "setCoolant");
    airTemp = spin("airTemp", -40, 150, 25);
    airTemp->setSuffix(QStringLiteral(" °C"));
    setAirTemp = named(new QPushButton(QStringLiteral("Задать")), "setAirTemp");
    weakCylinder = named(new QComboBox, "weakCylinder");
    weakCylinder->addItems({QStringLiteral("нет"), QStringLiteral("1"), QStringLiteral("2"),
                            QStringLiteral("3"), QStringLiteral("4")});
    weakShare = spin("weakShare", 0, 100, 50);
    weakShare->setSuffix(QStringLiteral(" % работы"));
    mixtureScrew = named(new QSlider(Qt::Horizontal), "mixtureScrew");
    mixtureScrew->setRange(0, 100);
    mixtureScrew->setValue(50);
    mixtureScrew->setToolTip(QStringLiteral("Влево — богаче, вправо — беднее; 50 — норма"));
    state = named(new QLabel, "state");
    state->setWordWrap(true);
    state->setMinimumWidth(330);
    outputs = named(new QLabel, "outputs");
    outputs->setWordWrap(true);

    auto* form = new QFormLayout(box);
    form->addRow(row({startButton, stopButton}));
    form->addRow(QStringLiteral("Система питания"), fuelling);
    throttleValue_ = new QLabel(QStringLiteral("0"));
    throttleValue_->setMinimumWidth(30);
    connect(throttle, &QSlider::valueChanged, throttleValue_, qOverload<int>(&QLabel::setNum));
    auto* throttleRow = new QHBoxLayout;
    throttleRow->addWidget(throttle, 1);
    throttleRow->addWidget(throttleValue_);
    form->addRow(QStringLiteral("Дроссель, %"), throttleRow);
    form->addRow(QStringLiteral("Охлаждающая жидкость"), row({coolant, setCoolant}));
    form->addRow(QStringLiteral("Воздух на впуске"), row({airTemp, setAirTemp}));
    form->addRow(QStringLiteral("Слабый цилиндр"), row({weakCylinder, weakShare}));
    screwValue_ = new QLabel(QStringLiteral("50"));
    screwValue_->setMinimumWidth(30);
    connect(mixtureScrew, &QSlider::valueChanged, screwValue_, qOverload<int>(&QLabel::setNum));
    auto* screwRow = new QHBoxLayout;
    screwRow->addWidget(mixtureScrew, 1);
    screwRow->addWidget(screwValue_);
    form->addRow(QStringLiteral("Винт качества смеси"), screwRow);
    form->addRow(state);
    form->addRow(outputs);
    return box;
}

QWidget* ControlPanel::buildLine() {
    auto* box = new QGroupBox(QStringLiteral("Линия K-Line"));
    lineFault = named(new QComboBox, "lineFault");
    for (const char* t : kFaultTexts)
        lineFault->addItem(QString::fromUtf8(t));
    device = named(new QLabel, "device");
    device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("Порт"), device);
    form->addRow(QStringLiteral("Сбой линии"), lineFault);
    return box;
}

QWidget* ControlPanel::buildFaults() {
    auto* box = new QGroupBox(QStringLiteral("Неисправности"));
    faultCode = spin("faultCode", 0, 255, 21);
    faultPresent = named(new QCheckBox(QStringLiteral("есть сейчас")), "faultPresent");
    faultPresent->setChecked(true);
    addFault = named(new QPushButton(QStringLiteral("Добавить")), "addFault");
    endFault = named(new QPushButton(QStringLiteral("Пропала")), "endFault");
    endFault->setToolTip(QStringLiteral("Неисправность с этим кодом больше не присутствует"));
    clearFaults = named(new QPushButton(QStringLiteral("Стереть все")), "clearFaults");
    faultList = named(new QLabel, "faultList");
    faultList->setWordWrap(true);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(row({new QLabel(QStringLiteral("Код")), faultCode, faultPresent}));
    layout->addLayout(row({addFault, endFault, clearFaults}));
    layout->addWidget(faultList);
    return box;
}

QWidget* ControlPanel::buildAnswers() {
    auto* box = new QGroupBox(QStringLiteral("Ответы ЭБУ"));
    refuseWrites = named(new QCheckBox(QStringLiteral("Отказ записи (98) и перезагрузки (65)")),
                         "refuseWrites");
    refuseStatus = spin("refuseStatus", 1, 255, 1);
    refuseStatus->setPrefix(QStringLiteral("статус "));
    silenceCommand = spin("silenceCommand", 0, 255, 81);
    silence = named(new QPushButton(QStringLiteral("Молчать")), "silence");
    unsilenceAll = named(new QPushButton(QStringLiteral("Отвечать на все")), "unsilenceAll");
    silenced = named(new QLabel, "silenced");
    variableNumber = spin("variableNumber", 0, 255, 92);
    variableValue = spin("variableValue", 0, 65535, 0);
    setVariable = named(new QPushButton(QStringLiteral("Задать")), "setVariable");
    releaseVariable = named(new QPushButton(QStringLiteral("Отпустить")), "releaseVariable");
    releaseVariable->setToolTip(QStringLiteral("ЭБУ снова вычисляет значение сам"));
    textNumber = spin("textNumber", 115, 123, 117);
    textValue = named(new QLineEdit, "textValue");
    textValue->setMaxLength(16);
    setText = named(new QPushButton(QStringLiteral("Записать")), "setText");
    tableNumber = spin("tableNumber", 73, 76, 73);
    tableFill = spin("tableFill", 0, 255, 128);
    fillTable = named(new QPushButton(QStringLiteral("Заполнить")), "fillTable");
    resetEcu = named(new QPushButton(QStringLiteral("Сбросить состояние ЭБУ")), "resetEcu");
    resetEcu->setToolTip(
        QStringLiteral("Переменные, тексты, таблицы и неисправности как у нового ЭБУ"));

    auto* grid = new QGridLayout(box);
    int r = 0;
    grid->addWidget(refuseWrites, r, 0, 1, 3);
    grid->addWidget(refuseStatus, r++, 3);
    grid->addWidget(new QLabel(QStringLiteral("Не отвечать на команду")), r, 0);
    grid->addWidget(silenceCommand, r, 1);
    grid->addWidget(silence, r, 2);
    grid->addWidget(unsilenceAll, r++, 3);
    grid->addWidget(silenced, r++, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Переменная, значение")), r, 0);
    grid->addWidget(variableNumber, r, 1);
    grid->addWidget(variableValue, r, 2);
    grid->addLayout(row({setVariable, releaseVariable}), r++, 3);
    grid->addWidget(new QLabel(QStringLiteral("Текст")), r, 0);
    grid->addWidget(textNumber, r, 1);
    grid->addWidget(textValue, r, 2);
    grid->addWidget(setText, r++, 3);
    grid->addWidget(new QLabel(QStringLiteral("Таблица, байт")), r, 0);
    grid->addWidget(tableNumber, r, 1);
    grid->addWidget(tableFill, r, 2);
    grid->addWidget(fillTable, r++, 3);
    grid->addWidget(resetEcu, r, 0, 1, 4);
    return box;
}

// ---------------------------------------------------------------- actions

void ControlPanel::connectEngine() {
    // Every action changes the simulator under its lock.
    auto act = [this](auto&& f) {
        return [this, f](auto&&...) {
            {
                std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
                f(sim_->ecu);
            }
            refresh();
        };
    };
    connect(startButton, &QPushButton::clicked, this, act([](Ecu& e) { e.engine().start(); }));
    connect(stopButton, &QPushButton::clicked, this, act([](Ecu& e) { e.engine().stop(); }));
    connect(throttle, &QSlider::valueChanged, this,
            act([this](Ecu& e) { e.engine().setThrottle(throttle->value()); }));
    connect(fuelling, &QComboBox::currentIndexChanged, this, act([this](Ecu& e) {
                e.setFuelling(static_cast<Fuelling>(fuelling->currentIndex()));
            }));
    connect(setCoolant, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.engine().setCoolant(coolant->value()); }));
    connect(setAirTemp, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.engine().setAirTemp(airTemp->value()); }));
    const auto weak = act([this](Ecu& e) {
        e.engine().heal();
        if (weakCylinder->currentIndex() > 0)
            e.engine().setCylinderHealth(weakCylinder->currentIndex(), weakShare->value() / 100.0);
    });
    connect(weakCylinder, &QComboBox::currentIndexChanged, this, weak);
    connect(weakShare, &QSpinBox::valueChanged, this, weak);
    connect(mixtureScrew, &QSlider::valueChanged, this,
            act([this](Ecu& e) { e.engine().setMixtureScrew(mixtureScrew->value()); }));
}

void ControlPanel::connectEcu() {
    auto act = [this](auto&& f) {
        return [this, f](auto&&...) {
            {
                std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
                f(sim_->ecu);
            }
            refresh();
        };
    };
    connect(addFault, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.addFault(faultCode->value(), faultPresent->isChecked()); }));
    connect(endFault, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.endFault(faultCode->value()); }));
    connect(clearFaults, &QPushButton::clicked, this, act([](Ecu& e) { e.faults().clear(); }));
    const auto refusal = act([this](Ecu& e) {
        e.refuseAllWrites(refuseWrites->isChecked() ? refuseStatus->value() : 0);
    });
    connect(refuseWrites, &QCheckBox::toggled, this, refusal);
    connect(refuseStatus, &QSpinBox::valueChanged, this, refusal);
    connect(silence, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.silence(silenceCommand->value()); }));
    connect(unsilenceAll, &QPushButton::clicked, this, act([](Ecu& e) { e.unsilenceAll(); }));
    connect(setVariable, &QPushButton::clicked, this, act([this](Ecu& e) {
                e.setVariable(variableNumber->value(), variableValue->value());
            }));
    connect(releaseVariable, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.releaseVariable(variableNumber->value()); }));
    connect(setText, &QPushButton::clicked, this,
            act([this](Ecu& e) { e.setText(textNumber->value(), textValue->text()); }));
    connect(fillTable, &QPushButton::clicked, this, act([this](Ecu& e) {
                e.setTable(tableNumber->value(),
                           QByteArray(256, static_cast<char>(tableFill->value())));
            }));
    connect(resetEcu, &QPushButton::clicked, this, act([](Ecu& e) { e.resetState(); }));
}

void ControlPanel::setDevicePath(const QString& path) {
    device->setText(path);
}

void ControlPanel::showLineFault(LineFault fault) {
    for (int i = 0; i < static_cast<int>(std::size(kFaults)); ++i) {
        if (kFaults[i] == fault) {
            const QSignalBlocker block(lineFault);
            lineFault->setCurrentIndex(i);
        }
    }
}

// ---------------------------------------------------------------- readings

void ControlPanel::refresh() {
    std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
    sim_->syncToWall();
    Ecu& ecu = sim_->ecu;
    const Engine& e = ecu.engine();
    const QString valve = ecu.fuelling() == Fuelling::Carburettor
                              ? QStringLiteral("нет")
                              : QString::number(std::lround(e.valveSteps()));
    state->setText(QStringLiteral("%1   %2 об/мин   ОЖ %3 °C   воздух %4 °C\n"
                                  "РДВ %5   впрыск %6 мс   разрежение %7 мбар%8")
                       .arg(e.running() ? QStringLiteral("работает") : QStringLiteral("стоит"))
                       .arg(std::lround(e.rpm()))
                       .arg(std::lround(e.coolant()))
                       .arg(std::lround(e.airTemp()))
                       .arg(valve)
                       .arg(e.pulseMs(), 0, 'f', 2)
                       .arg(std::lround(e.vacuumMbar()))
                       .arg(e.fuelCut() ? QStringLiteral("   отсечка топлива") : QString()));

    // What the outputs drive, by the variant's bits of variable 9, and the
    // injectors that variable 13 cuts.
    const int out = ecu.variable(9);
    const int cut = ecu.variable(13);
    QStringList injectors;
    for (int c = 1; c <= 4; ++c)
        injectors << QStringLiteral("%1 %2").arg(c).arg(
            cut & (1 << (c - 1)) ? QStringLiteral("откл") : QStringLiteral("вкл"));
    outputs->setText(QStringLiteral("Бензонасос %1, вентилятор %2,\nлампа %3, кондиционер %4\n"
                                    "Форсунки: %5")
                         .arg(onOff(out & ecu.pumpBit()), onOff(out & Ecu::kFanBit),
                              onOff(out & ecu.lampBit()), onOff(out & Ecu::kAirConditionerBit),
                              injectors.join(QStringLiteral(", "))));

    QStringList faults;
    for (const Fault& f : ecu.faults())
        faults << QStringLiteral("%1 (%2%3)")
                      .arg(f.code)
                      .arg(f.presentNow ? QStringLiteral("есть") : QStringLiteral("была"))
                      .arg(f.repeated ? QStringLiteral(", многократно") : QString());
    faultList->setText(faults.isEmpty()
                           ? QStringLiteral("Нет неисправностей")
                           : QStringLiteral("Неисправности: ") + faults.join(QStringLiteral(", ")));
    QStringList quiet;
    for (int c : ecu.silencedCommands())
        quiet << QString::number(c);
    silenced->setText(quiet.isEmpty()
                          ? QStringLiteral("ЭБУ отвечает на все команды")
                          : QStringLiteral("Без ответа: ") + quiet.join(QStringLiteral(", ")));

    // Changes made on standard input show here too.
    {
        const QSignalBlocker b1(throttle), b2(fuelling), b3(mixtureScrew), b4(refuseWrites),
            b5(refuseStatus), b6(weakCylinder), b7(weakShare);
        if (!throttle->isSliderDown())
            throttle->setValue(static_cast<int>(std::lround(e.throttle())));
        if (!mixtureScrew->isSliderDown())
            mixtureScrew->setValue(static_cast<int>(std::lround(e.mixtureScrew())));
        throttleValue_->setNum(throttle->value());
        screwValue_->setNum(mixtureScrew->value());
        fuelling->setCurrentIndex(static_cast<int>(ecu.fuelling()));
        refuseWrites->setChecked(ecu.refusalStatus() != 0);
        if (ecu.refusalStatus() != 0) refuseStatus->setValue(ecu.refusalStatus());
        int weakest = 0;
        for (int c = 1; c <= 4; ++c)
            if (e.cylinderHealth(c) < 1.0 &&
                (weakest == 0 || e.cylinderHealth(c) < e.cylinderHealth(weakest)))
                weakest = c;
        weakCylinder->setCurrentIndex(weakest);
        if (weakest)
            weakShare->setValue(static_cast<int>(std::lround(e.cylinderHealth(weakest) * 100)));
    }
    refreshRequests();
}

void ControlPanel::refreshRequests() {
    const auto& log = sim_->adapter.log();
    QStringList lines;
    const std::size_t first = log.size() > 12 ? log.size() - 12 : 0;
    for (std::size_t i = first; i < log.size(); ++i) {
        QStringList req;
        for (std::uint8_t b : log[i].request)
            req << QString::number(b);
        lines << QStringLiteral("%1 s  %2%3")
                     .arg(log[i].timeMs / 1000.0, 8, 'f', 2)
                     .arg(req.join(QLatin1Char(' ')))
                     .arg(log[i].reply.isEmpty() ? QStringLiteral("  (нет ответа)") : QString());
    }
    const QString text = lines.join(QLatin1Char('\n'));
    if (requests->toPlainText() != text) requests->setPlainText(text);
}

} // namespace sim
