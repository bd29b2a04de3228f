// The simulator's control panel: each control does to the simulated car
// what it says, as the tool set sees it on the wire, and the panel shows
// what the ECU's outputs drive.
#include "SimLink.h"
#include "link/Commands.h"
#include "sim/ControlPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace sim;

namespace {

struct PanelRig : SimLink {
    using SimLink::SimLink;
    ControlPanel panel{sim};
};

} // namespace

TEST(SimControlPanel, ControlsAreNamed) {
    PanelRig r;
    for (const char* name :
         {"startButton",    "stopButton",     "throttle",    "fuelling",        "coolant",
          "setCoolant",     "airTemp",        "setAirTemp",  "weakCylinder",    "weakShare",
          "mixtureScrew",   "state",          "outputs",     "faultCode",       "faultPresent",
          "addFault",       "endFault",       "clearFaults", "faultList",       "refuseWrites",
          "refuseStatus",   "silenceCommand", "silence",     "unsilenceAll",    "silenced",
          "variableNumber", "variableValue",  "setVariable", "releaseVariable", "textNumber",
          "textValue",      "setText",        "tableNumber", "tableFill",       "fillTable",
          "resetEcu",       "lineFault",      "device",      "requests"})
        EXPECT_NE(r.panel.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
}

TEST(SimControlPanel, DrivesTheEngine) {
    PanelRig r;
    r.panel.throttle->setValue(30);
    EXPECT_EQ(r.ask({0x61, 0x20})[0], 30);
    r.panel.throttle->setValue(0);
    r.panel.stopButton->click();
    r.wait(3000);
    EXPECT_EQ(r.ask({0x61, 0x29})[0], 0);
    r.panel.refresh();
    EXPECT_TRUE(r.panel.state->text().startsWith(QStringLiteral("стоит")));
    r.panel.startButton->click();
    r.wait(3000);
    EXPECT_GT(r.ask({0x61, 0x29})[0], 15);

    r.panel.coolant->setValue(5);
    r.panel.setCoolant->click();
    r.panel.airTemp->setValue(60);
    r.panel.setAirTemp->click();
    EXPECT_EQ(r.ask({0x61, 0x1A, 0x1C}), (std::vector<int>{45, 100}));

    r.panel.weakShare->setValue(40);
    r.panel.weakCylinder->setCurrentIndex(3);
    EXPECT_DOUBLE_EQ(r.sim->ecu.engine().cylinderHealth(3), 0.4);
    r.panel.weakCylinder->setCurrentIndex(0);
    EXPECT_DOUBLE_EQ(r.sim->ecu.engine().cylinderHealth(3), 1.0);

    r.panel.fuelling->setCurrentIndex(2);
    EXPECT_EQ(r.ask({0x61, 0x06})[0] & 0x04, 0) << "carburettor";
    r.panel.mixtureScrew->setValue(20);
    r.wait(3000);
    EXPECT_LT(kline::cmd::word(r.ask({0x61, 0x23}), 0), 285) << "rich: low vacuum";
}

TEST(SimControlPanel, ShowsWhatTheOutputsDriveByVariant) {
    for (const Fuelling f : {Fuelling::Injection4062, Fuelling::Injection4063}) {
        PanelRig r({1, f});
        const bool v63 = f == Fuelling::Injection4063;
        r.panel.refresh();
        EXPECT_TRUE(r.panel.outputs->text().startsWith(
            QStringLiteral("Бензонасос вкл, вентилятор выкл,\nлампа выкл")))
            << r.panel.outputs->text().toStdString();
        // The tester switches the fan and the lamp on, in the variant's bits.
        const auto lamp = static_cast<std::uint8_t>(v63 ? 0x01 : 0x08);
        const auto pump = static_cast<std::uint8_t>(v63 ? 0x08 : 0x01);
        EXPECT_EQ(r.ask({0x62, 0x0A, 0x0F, 0x09, static_cast<std::uint8_t>(pump | lamp | 0x02)})[0],
                  0);
        EXPECT_EQ(r.ask({0x62, 0x0D, 0x05, 0x0D, 0x05})[0], 0);
        r.panel.refresh();
        EXPECT_EQ(r.panel.outputs->text(),
                  QStringLiteral("Бензонасос вкл, вентилятор вкл,\nлампа вкл, кондиционер выкл\n"
                                 "Форсунки: 1 откл, 2 вкл, 3 откл, 4 вкл"));
        // Pump off: the engine stops.
        r.ask({0x62, 0x0A, 0x0F, 0x09, 0x00, 0x0D, 0x00});
        r.wait(2000);
        EXPECT_FALSE(r.sim->ecu.engine().running());
        r.panel.refresh();
        EXPECT_TRUE(r.panel.outputs->text().startsWith(QStringLiteral("Бензонасос выкл")));
    }
}

TEST(SimControlPanel, StagesFaultsAndTheEcusAnswers) {
    PanelRig r;
    r.panel.faultCode->setValue(53);
    r.panel.faultPresent->setChecked(true);
    r.panel.addFault->click();
    EXPECT_EQ(r.ask({2}), (std::vector<int>{2, 35, 0x20, 53, 0x80}));
    EXPECT_TRUE(r.panel.faultList->text().contains(QStringLiteral("53 (есть)")));
    r.panel.endFault->click();
    EXPECT_EQ(r.ask({2}), (std::vector<int>{2, 35, 0x20, 53, 0x00}));
    r.panel.clearFaults->click();
    EXPECT_EQ(r.ask({2}), (std::vector<int>{0}));

    r.panel.refuseStatus->setValue(4);
    r.panel.refuseWrites->setChecked(true);
    EXPECT_EQ(r.ask({0x62, 0x0E, 0x08}), (std::vector<int>{4}));
    EXPECT_EQ(r.ask(kline::cmd::restart()), (std::vector<int>{4}));
    r.panel.refuseWrites->setChecked(false);
    EXPECT_EQ(r.ask({0x62, 0x0E, 0x00}), (std::vector<int>{0}));

    r.panel.silenceCommand->setValue(81);
    r.panel.silence->click();
    EXPECT_EQ(r.ecu.EcuExchange({81}), kline::kEcuSilent);
    EXPECT_EQ(r.panel.silenced->text(), QStringLiteral("Без ответа: 81"));
    r.panel.unsilenceAll->click();
    EXPECT_EQ(r.ecu.EcuExchange({81}), kline::kOk);

    r.panel.variableNumber->setValue(92);
    r.panel.variableValue->setValue(0);
    r.panel.setVariable->click();
    EXPECT_EQ(r.ask({0x61, 0x5C})[0], 0);
    r.panel.releaseVariable->click();
    EXPECT_GT(r.ask({0x61, 0x5C})[0], 0);

    r.panel.textNumber->setValue(122);
    r.panel.textValue->setText(QStringLiteral("X9633"));
    r.panel.setText->click();
    r.ask({0x61, 122});
    EXPECT_EQ(r.ecu.ReplyAsText(), QStringLiteral("X9633"));

    r.panel.tableNumber->setValue(76);
    r.panel.tableFill->setValue(128);
    r.panel.fillTable->click();
    EXPECT_EQ(r.ask({0x61, 0x4C}), std::vector<int>(256, 128));

    r.panel.resetEcu->click();
    r.ask({0x61, 122});
    EXPECT_EQ(r.ecu.ReplyAsText(), QStringLiteral("X96330200512345"));
}

TEST(SimControlPanel, LineFaultsAndChangesMadeElsewhere) {
    PanelRig r;
    QSignalSpy changed(&r.panel, &ControlPanel::lineFaultChanged);
    r.panel.lineFault->setCurrentIndex(3);
    EXPECT_EQ(r.sim->adapter.fault(), LineFault::EcuSilent);
    EXPECT_EQ(changed.count(), 1);
    r.panel.showLineFault(LineFault::None);
    EXPECT_EQ(r.panel.lineFault->currentIndex(), 0);
    EXPECT_EQ(changed.count(), 1) << "showing acts on nothing";
    r.sim->adapter.setFault(LineFault::None);

    r.sim->ecu.engine().setThrottle(45);
    r.sim->ecu.engine().setCylinderHealth(2, 0.7);
    r.sim->ecu.refuseAllWrites(6);
    r.panel.refresh();
    EXPECT_EQ(r.panel.throttle->value(), 45);
    EXPECT_EQ(r.panel.weakCylinder->currentIndex(), 2);
    EXPECT_EQ(r.panel.weakShare->value(), 70);
    EXPECT_DOUBLE_EQ(r.sim->ecu.engine().cylinderHealth(2), 0.7) << "showing changes nothing";
    EXPECT_TRUE(r.panel.refuseWrites->isChecked());
    EXPECT_EQ(r.panel.refuseStatus->value(), 6);
    r.ask({0x61, 0x29});
    r.panel.refresh();
    EXPECT_TRUE(r.panel.requests->toPlainText().endsWith(QStringLiteral("97 41")));
}
