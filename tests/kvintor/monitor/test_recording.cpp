// "Запись параметров в файл...": the rows against what the panel showed, the
// file read back by Python's csv module, and every way the file is closed.
#include "CsvFiles.h"
#include "KvintorRig.h"
#include "monitor/LiveRecorder.h"
#include "monitor/MonitorWindows.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using kvintor::LiveRecorder;

namespace {

struct Recording : ::testing::Test {
    KvintorRig rig;
    QString path;
    QAction* item = nullptr;
    LiveRecorder* recorder = nullptr;

    // One poll as the panel showed it: the row it must give.
    struct Shown {
        int page;
        QStringList values, lamps, markers;
    };
    std::vector<Shown> shown;

    void SetUp() override {
        // Decimal commas: values that must be quoted.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        kvintor::installMonitorWindows(rig.program);
        ASSERT_TRUE(rig.startOnCom1());
        w().activated();
        w().timer1Tick();
        ASSERT_TRUE(w().Timer2->isActive());
        item = w().findChild<QAction*>(QStringLiteral("DopInd(4)"));
        recorder = w().findChild<LiveRecorder*>(QStringLiteral("LiveRecorder"));
        ASSERT_TRUE(item && recorder);
        path = rig.dir.path() + QStringLiteral("/запись.csv");
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    kvintor::InitTest& w() { return rig.main(); }

    void startRecording() {
        rig.dialogs.fileNext(path);
        item->trigger();
        ASSERT_TRUE(item->isChecked());
        ASSERT_TRUE(recorder->recording());
    }
    // One tick of the panel; what it showed is kept when it showed a reply.
    void poll() {
        rig.sim->adapter.clearLog();
        w().timer2Tick();
        const auto& log = rig.sim->adapter.log();
        if (log.empty() || log.back().reply.isEmpty() || !w().Timer2->isActive()) return;
        const int page = w().visiblePage();
        Shown s{page, {}, {}, {}};
        for (QLabel* v : w().values[static_cast<std::size_t>(page)]) s.values << v->text();
        for (int i = 0; i < 16; ++i)
            s.lamps << (w().Label3[static_cast<std::size_t>(i)]->palette().color(QPalette::Window) ==
                                QColor(255, 192, 128)
                            ? QStringLiteral("1")
                            : QStringLiteral("0"));
        const QByteArray& wire = log.back().reply;
        const auto elements = kline::decodeFrameBody(wire.left(wire.size() - 1)).elements;
        for (std::size_t i = 2; i < 6; ++i) s.markers << QString::number(elements[i]);
        shown.push_back(s);
    }
    void expectRow(const QStringList& row, const Shown& s) {
        ASSERT_EQ(row.size(), 30);
        static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
        EXPECT_TRUE(iso.match(row[0]).hasMatch()) << row[0].toStdString();
        EXPECT_EQ(row[1], QString::number(s.page + 1));
        EXPECT_EQ(row.mid(2, 8), s.values);
        EXPECT_EQ(row.mid(10, 16), s.lamps);
        EXPECT_EQ(row.mid(26, 4), s.markers);
    }
};

} // namespace

TEST_F(Recording, TwoHundredPollsGiveTheRowsThePanelShowedAndReadBackWhole) {
    startRecording();
    rig.sim->ecu.engine().setThrottle(0);
    for (int i = 0; i < 200; ++i) {
        if (i == 100) rig.sim->ecu.engine().setThrottle(80); // the speed leaves the idle range
        poll();
    }
    // Another page: its own header row, then its rows.
    w().selectPage(1);
    for (int i = 0; i < 3; ++i) poll();
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(recorder->recording());
    ASSERT_EQ(shown.size(), 203u);

    const QByteArray bytes = fileBytes(path);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 205);
    EXPECT_TRUE(bytes.contains(",\"1")) << "a decimal comma is quoted";

    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(rows.size(), 205);
    const QStringList& header = rows[0];
    ASSERT_EQ(header.size(), 30);
    EXPECT_EQ(header.mid(0, 5), (QStringList{"Время", "Набор", "Температура  о.ж. (град. С)",
                                             "Напряжение борт. сети (вольт)", "Обороты/мин."}));
    EXPECT_EQ(header[9], QStringLiteral("Цикловое наполнение (мг/такт)"));
    EXPECT_EQ(header[10], QStringLiteral("Останов двигателя"));
    EXPECT_EQ(header[25], QStringLiteral("Миним. частота вращения колен.вала"));
    EXPECT_EQ(header.mid(26), (QStringList{"1 цил.", "2 цил.", "3 цил.", "4 цил."}));
    for (int i = 0; i < 200; ++i) expectRow(rows[1 + i], shown[static_cast<std::size_t>(i)]);
    EXPECT_EQ(rows[201][3], QStringLiteral("Температура воздуха (град. C)"));
    for (int i = 0; i < 3; ++i) expectRow(rows[202 + i], shown[static_cast<std::size_t>(200 + i)]);
    // Both speed ranges were shown and recorded.
    EXPECT_EQ(w().valueFrames[0][2]->title(), QStringLiteral("Обороты/мин."));
}

TEST_F(Recording, ALinkFailureEndsTheFileWithWholeRows) {
    startRecording();
    for (int i = 0; i < 50; ++i) poll();
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    w().timer2Tick();
    EXPECT_FALSE(recorder->recording());
    EXPECT_FALSE(item->isChecked());
    const QByteArray closed = fileBytes(path);
    EXPECT_TRUE(closed.endsWith("\r\n"));
    EXPECT_EQ(readCsvWithPython(path).size(), 51);
    // The ECU back: the panel polls again, the file stays as it was.
    rig.sim->adapter.setFault(sim::LineFault::None);
    w().timer1Tick();
    for (int i = 0; i < 3; ++i) poll();
    EXPECT_EQ(fileBytes(path), closed);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Recording, TheEndOfTheProgramClosesTheFile) {
    startRecording();
    for (int i = 0; i < 5; ++i) poll();
    w().close(); // the exit dialogue: nothing changed, no question
    EXPECT_EQ(rig.ends, 1);
    EXPECT_FALSE(recorder->recording());
    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(rows.size(), 6);
    for (int i = 0; i < 5; ++i) expectRow(rows[1 + i], shown[static_cast<std::size_t>(i)]);
}

TEST_F(Recording, AFileThatCannotBeWrittenIsToldAndNothingIsRecorded) {
    const QString title = rig.program.state.AppTitle;
    rig.dialogs.fileNext(QString()); // cancelled
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_TRUE(rig.dialogs.messages.empty());

    rig.dialogs.fileNext(QStringLiteral("/proc/kvintor-none/x.csv"));
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Файл не создан: /proc/kvintor-none/x.csv\r\nПричина: папку /proc/kvintor-none нельзя создать"));
    EXPECT_EQ(rig.dialogs.messages[0].caption, title);
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);

    // A disk that takes nothing: not even the header gets in.
    rig.dialogs.fileNext(QStringLiteral("/dev/full"));
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_TRUE(rig.dialogs.messages[1].text.startsWith(QStringLiteral("Файл не создан: /dev/full\r\nПричина: ")));
}

TEST_F(Recording, TheOfferedNameIsTheSerialNumberAndTheDate) {
    const QDateTime when(QDate(2024, 5, 1), QTime(14, 30));
    EXPECT_EQ(kvintor::recordingFileName(w().statusPanels[3]->text(), when),
              QStringLiteral("0512345_2024-05-01_14-30.csv"));
    EXPECT_EQ(kvintor::recordingFileName(QStringLiteral("Серия - 05/12 3:4"), when),
              QStringLiteral("05_12_3_4_2024-05-01_14-30.csv"));
    EXPECT_EQ(kvintor::recordingFileName(QStringLiteral("Серия - не определена"), when),
              QStringLiteral("Kvintor_2024-05-01_14-30.csv"));
}
