// The graph window's "Сохранить в CSV": the recorded history of the
// current set, oldest first, as the cursor reads it.
#include "CsvFiles.h"
#include "GraphsWindows.h"
#include "KvintorRig.h"
#include "common/Time.h"
#include "fGraphik.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using kline::Request;

TEST(GraphCsv, TheHistoryOfTheSetOldestFirstAsTheCursorReadsIt) {
    QLocale::setDefault(QLocale::c());
    common::setPauseHook([](int) {});
    KvintorRig rig;
    kvintor::installGraphsWindows(rig.program, {});
    ASSERT_TRUE(rig.startOnCom1());
    rig.main().Dnn[0]->trigger();
    auto* w = rig.main().findChild<kvintor::fGraphik*>();
    ASSERT_TRUE(w);
    w->Timer1->stop();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    ASSERT_EQ(w->SaveCsv->text(), QStringLiteral("Сохранить в CSV"));
    EXPECT_TRUE(w->Graf->actions().contains(w->SaveCsv));
    w->selectSet(1);

    int tick = 0;
    rig.sim->ecu.replyHook = [&tick](const Request& r, std::optional<Request>& reply) {
        if (r.size() == 8 && r[0] == 97)
            reply = Request{static_cast<std::uint8_t>(10 + tick), 75, 200, static_cast<std::uint8_t>(11 + 7 * tick), 0,
                            128, 0x71, 0x02, 0xD2, 0x04};
    };
    for (tick = 0; tick < 5; ++tick) w->timer1Tick();

    const QString path = rig.dir.path() + QStringLiteral("/график.csv");
    rig.dialogs.fileNext(path);
    w->SaveCsv->trigger();
    EXPECT_EQ(rig.dialogs.fileCaptions.last(), QStringLiteral("Сохранить в CSV"));
    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0], (QStringList{"THR (%)", "FREQ (об/мин)", "UOZ (град.)", "GBC (мг/такт)",
                                    "VALF (воздух/топливо)", "INJ (мс)", "JAIR (кг/час)"}));
    EXPECT_EQ(rows[1], (QStringList{"10", "3000", "100", "1.8", "1", "5", "123.4"}));
    // Each row is what the cursor shows for that sample.
    w->Stst->trigger();
    for (int j = 0; j < 5; ++j) {
        w->cursorAt(8 * j);
        QStringList shown;
        for (QLabel* l : w->Label1) shown << l->text();
        EXPECT_EQ(rows[5 - j], shown) << "sample " << j;
    }
    w->close();
    common::setPauseHook(nullptr);
}
