// "Запись параметров в файл...": the rows against what the panel showed, the
// file read back by Python's csv module, failed polls and a lost link, and
// every way the file is closed, a disk that fills among them.
#include "CsvFiles.h"
#include "KvintorRig.h"
#include "common/Time.h"
#include "monitor/LiveRecorder.h"
#include "monitor/MonitorWindows.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using kvintor::LiveRecorder;

namespace {

struct Recording : ::testing::Test {
    // The settling pause after a bad checksum is the link's business.
    struct NoPauses {
        NoPauses() {
            common::setPauseHook([](int) {});
        }
        ~NoPauses() { common::setPauseHook(nullptr); }
    } noPauses;
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
        // Local time with its offset from UTC, which tells the moment.
        static const QRegularExpression iso(QStringLiteral(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));
        EXPECT_TRUE(iso.match(row[0]).hasMatch()) << row[0].toStdString();
        const QDateTime at = QDateTime::fromString(row[0], Qt::ISODateWithMs);
        EXPECT_LT(std::abs(at.secsTo(QDateTime::currentDateTime())), 600) << row[0].toStdString();
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

TEST_F(Recording, FailedPollsWriteNoRowAndOnlyALinkLostForMoreThan5sEndsTheFile) {
    qint64 nowMs = 0;
    recorder->linkClock = [&nowMs] { return nowMs; };
    startRecording();
    poll();
    // Each fault fails one poll; the main window searches, finds the ECU
    // again within 5 s and polls on. The losses add up to more than 5 s,
    // none of them alone does.
    struct Loss {
        sim::LineFault fault;
        qint64 lastsMs;
    };
    const Loss losses[] = {{sim::LineFault::BadChecksum, 100},  {sim::LineFault::BadChecksum, 100},
                           {sim::LineFault::BadChecksum, 100},  {sim::LineFault::BadChecksum, 100},
                           {sim::LineFault::BadChecksum, 100},  {sim::LineFault::EcuSilent, 4900},
                           {sim::LineFault::WrongEcho, 2000},   {sim::LineFault::NoEcho, 4999},
                           {sim::LineFault::OverlongReply, 500}};
    for (const Loss& loss : losses) {
        SCOPED_TRACE(sim::lineFaultName(loss.fault));
        rig.sim->adapter.setFault(loss.fault);
        poll();
        ASSERT_FALSE(w().Timer2->isActive());
        nowMs += loss.lastsMs;
        recorder->checkLink();
        rig.sim->adapter.setFault(sim::LineFault::None);
        rig.sim->advance(100);
        w().timer1Tick();
        ASSERT_TRUE(w().Timer2->isActive());
        recorder->checkLink();
        poll();
        poll();
        EXPECT_TRUE(recorder->recording());
    }
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    ASSERT_EQ(shown.size(), 1u + 2 * std::size(losses));

    // The line dies: the main window searches in vain.
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    poll();
    for (int i = 0; i < 10; ++i) {
        nowMs += 500;
        w().timer1Tick();
        recorder->checkLink();
    }
    EXPECT_TRUE(recorder->recording()) << "5 s are not more than 5 s";
    nowMs += 1;
    recorder->checkLink();
    EXPECT_FALSE(recorder->recording());
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    const common::MessageCall& told = rig.dialogs.messages[0];
    EXPECT_EQ(
        told.text,
        QStringLiteral("Нет  связи  с  ЭБУ  более  5  секунд.  Запись  параметров  остановлена.\r\n"
                       "Записанное  сохранено  в  файле  ") +
            path);
    EXPECT_EQ(told.caption, QStringLiteral("Ошибка  ") + rig.program.state.AppTitle);
    EXPECT_EQ(told.icon, common::Icon::Exclamation);
    // Said once, whatever comes after.
    for (int i = 0; i < 3; ++i) {
        nowMs += 5000;
        w().timer1Tick();
        recorder->checkLink();
    }
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);

    // Every good reply has its row, and nothing else is in the file.
    const QByteArray closed = fileBytes(path);
    EXPECT_TRUE(closed.endsWith("\r\n"));
    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(static_cast<std::size_t>(rows.size()), 1 + shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        expectRow(rows[static_cast<int>(i) + 1], shown[i]);
    // The ECU back: the panel polls again, the file stays as it was.
    rig.sim->adapter.setFault(sim::LineFault::None);
    w().timer1Tick();
    for (int i = 0; i < 3; ++i) poll();
    EXPECT_EQ(fileBytes(path), closed);
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

TEST_F(Recording, AFileThatTakesNoMoreIsToldAndKeepsOnlyWholeRows) {
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

    // A disk that fills during the recording: the kernel takes part of a
    // row (a limit on the size of the files this process writes stands for
    // the full disk), the writer cuts it off again.
    startRecording();
    for (int i = 0; i < 3; ++i)
        poll();
    const QByteArray three = fileBytes(path);
    const qint64 whole = three.size();
    const qint64 row = (whole - three.indexOf("\r\n") - 2) / 3; // about one row
    struct FileSizeLimit {
        rlimit before{};
        void (*handler)(int) = nullptr;
        explicit FileSizeLimit(qint64 bytes) {
            handler = std::signal(SIGXFSZ, SIG_IGN); // a write past it fails, no signal
            getrlimit(RLIMIT_FSIZE, &before);
            rlimit limit = before;
            limit.rlim_cur = static_cast<rlim_t>(bytes);
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        ~FileSizeLimit() {
            setrlimit(RLIMIT_FSIZE, &before);
            std::signal(SIGXFSZ, handler);
        }
    };
    {
        const FileSizeLimit full(whole + row / 3 + 2 * row); // two rows more, then a third of one
        for (int i = 0; i < 3 && recorder->recording(); ++i)
            poll();
    }
    EXPECT_FALSE(recorder->recording());
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(rig.dialogs.messages.size(), 3u);
    EXPECT_TRUE(rig.dialogs.messages[2].text.startsWith(
        QStringLiteral("Запись параметров остановлена, файл не записан: ") + path +
        QStringLiteral("\r\nПричина: ")))
        << rig.dialogs.messages[2].text.toStdString();
    EXPECT_EQ(rig.dialogs.messages[2].caption, title);
    const QByteArray cut = fileBytes(path);
    EXPECT_TRUE(cut.endsWith("\r\n"));
    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(static_cast<std::size_t>(rows.size()), shown.size())
        << "the header and all rows but the last";
    for (std::size_t i = 0; i + 1 < shown.size(); ++i)
        expectRow(rows[static_cast<int>(i) + 1], shown[i]);
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
