// Fermel against kline-sim on a pseudo-terminal through the real serial
// port: the ECU holds an image of our generator, Fermel's COM1 is mapped to
// the terminal with --port as on the command line.
#include "FermelRig.h"
#include "KlineSimProcess.h"
#include "editor/CommandLine.h"
#include "link/HardwarePort.h"

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

using namespace editor;

namespace {

class FermelOnKlineSim : public ::testing::Test {
  protected:
    FermelRig rig;
    QByteArray image = sim::Ecu::defaultImage(11);
    KlineSimProcess kline;

    void SetUp() override {
        const QString link = rig.dir.path() + QStringLiteral("/ecu");
        const QString imageFile = rig.writeFile(QStringLiteral("ecu.bin"), image);
        ASSERT_TRUE(kline.start(QStringLiteral(KLINE_SIM_PATH),
                                {QStringLiteral("--link"), link, QStringLiteral("--image"), imageFile})
                        .startsWith(QStringLiteral("/dev/")));
        const CommandLine line =
            parseCommandLine({QStringLiteral("--port"), QStringLiteral("1=") + link}, rig.ports);
        ASSERT_TRUE(line.error.isEmpty());
        rig.extraFactory = kline::hardwarePortFactory();
    }
    void command(const QByteArray& line) { ASSERT_EQ(kline.command(line), QString::fromLatin1("ok " + line)); }
    QByteArray workingTables() {
        return QByteArray(reinterpret_cast<const char*>(rig.w().document.working.data()),
                          kBlockSize - 1);
    }
};

} // namespace

TEST_F(FermelOnKlineSim, TheFourTablesOfBothEngineTypes) {
    for (bool zmz : {true, false}) {
        rig.w().Check2->setChecked(zmz);
        const EngineType e = zmz ? EngineType::Zmz4063 : EngineType::Standard;
        rig.modal.push_back(FermelRig::runLoader(20));
        // The second time the first tables, in no file, are asked about.
        if (!zmz) rig.dialogs.answerNext(common::Answer::No);
        rig.w().menuFromEcu();
        EXPECT_EQ(workingTables(), image.mid(blockOffset(e), kBlockSize - 1)) << zmz;
        EXPECT_EQ(rig.w().document.working[kTrailingByte], 0);
        EXPECT_EQ(rig.dialogs.messages.size(), zmz ? 0u : 1u);
    }
}

TEST_F(FermelOnKlineSim, NoEchoThenTheAdapterComesOn) {
    command("fault no-echo");
    rig.modal.push_back(FermelRig::runLoader(2, [&](fHten& h) {
        EXPECT_EQ(h.Label1->text(), QStringLiteral("Адаптер не включен"));
        EXPECT_TRUE(h.Timer1->isActive());
        command("fault none");
        for (int i = 0; i < 20 && h.Timer1->isActive(); ++i)
            h.timer1Tick();
        EXPECT_FALSE(h.isVisible());
    }));
    rig.w().menuFromEcu();
    EXPECT_EQ(workingTables(), image.mid(blockOffset(EngineType::Standard), kBlockSize - 1));
}
