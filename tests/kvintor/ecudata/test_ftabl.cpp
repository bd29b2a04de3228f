// The fuel-supply adaptation tables window against the simulated ECU.
#include "EcuDataRig.h"
#include "EventLoop.h"
#include "ecudata/AdaptTables.h"
#include "ecudata/EcudataWindows.h"
#include "ecudata/fTabl.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using kline::Request;
using kvintor::fTabl;

namespace {

struct TablesWindow : EcuDataTest {
    std::unique_ptr<fTabl> w;
    void SetUp() override {
        EcuDataTest::SetUp();
        w = std::make_unique<fTabl>(rig.program, nullptr);
    }
    QString cell(int row, int column) { return w->ListView1->topLevelItem(row)->text(column + 1); }
    // Every cell of the grid, row by row.
    QStringList cells() {
        QStringList out;
        for (int r = 0; r < w->ListView1->topLevelItemCount(); ++r)
            for (int c = 0; c < 16; ++c)
                out << cell(r, c);
        return out;
    }
    QByteArray table(int variable) { return rig.sim->ecu.table(variable); }
    // A reply of n bytes: byte k is k mod 256.
    static std::vector<int> counting(int n) {
        std::vector<int> v;
        for (int k = 0; k < n; ++k)
            v.push_back(k % 256);
        return v;
    }
};

} // namespace

// ============================================================ showing

TEST_F(TablesWindow, OpeningShowsTableOneInA17ColumnGrid) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Таблицы топливоподачи    Kvintor  (версия 2.4)"));
    QStringList headers;
    for (int c = 0; c < w->ListView1->columnCount(); ++c)
        headers << w->ListView1->headerItem()->text(c);
    QStringList expected{"B/F"};
    for (int c = 0; c < 16; ++c)
        expected << QString::number(c);
    EXPECT_EQ(headers, expected);
    EXPECT_LT(w->ListView1->columnWidth(0), w->ListView1->columnWidth(1))
        << "a narrow row-number column";
    for (int c = 2; c <= 16; ++c)
        EXPECT_EQ(w->ListView1->columnWidth(c), w->ListView1->columnWidth(1));

    QByteArray t(256, 0);
    for (int k = 0; k < 256; ++k)
        t[k] = static_cast<char>(255 - k);
    rig.sim->ecu.setTable(73, t);
    w->show();
    runEventsFor(30);
    w->activated(); // once only
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 73}}));
    ASSERT_EQ(w->ListView1->topLevelItemCount(), 16);
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(w->ListView1->topLevelItem(r)->text(0), QString::number(r));
    EXPECT_EQ(cell(0, 0), QStringLiteral("1.496"));
    EXPECT_EQ(cell(15, 15), QStringLiteral("0.500"));
    EXPECT_EQ(cell(1, 0), kvintor::ecudata::adaptCell(255 - 16, QLocale::c()))
        << "byte 16 is row 1's first cell";
    EXPECT_EQ(w->shownTable(), 1);
}

TEST_F(TablesWindow, EachButtonReadsItsTable) {
    const char* const captions[4] = {"Топливоподача 1", "Топливоподача 2", "Топливоподача с адс. 1",
                                     "Топливоподача с адс. 2"};
    for (int t = 1; t <= 4; ++t) {
        QPushButton* read = w->Command[static_cast<std::size_t>(2 * t - 1)];
        EXPECT_EQ(read->text(), QString::fromUtf8(captions[t - 1]));
        EXPECT_EQ(read->objectName(), QStringLiteral("Command%1").arg(2 * t - 1));
        EXPECT_EQ(w->Command[static_cast<std::size_t>(2 * t)]->text(), QStringLiteral("Обнулить"));
        rig.sim->ecu.setTable(72 + t, QByteArray(256, static_cast<char>(t * 40)));
        // While the table comes the window is served: a call queued then
        // runs with the table on the line, and another table asked for
        // meanwhile (a screen reader's press) waits for nothing.
        bool servedOnLine = false;
        QPushButton* other = w->Command[t == 1 ? 3u : 1u];
        rig.sim->ecu.replyHook = [&](const Request&, std::optional<Request>&) {
            QMetaObject::invokeMethod(
                w.get(),
                [&] {
                    servedOnLine = rig.program.ecu.onLine();
                    other->click();
                },
                Qt::QueuedConnection);
        };
        read->click();
        rig.sim->ecu.replyHook = nullptr;
        EXPECT_TRUE(servedOnLine);
        EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, static_cast<std::uint8_t>(72 + t)}}));
        EXPECT_EQ(cell(7, 7), kvintor::ecudata::adaptCell(t * 40, QLocale::c()));
        EXPECT_EQ(w->shownTable(), t);
    }
}

TEST_F(TablesWindow, AllBytes128ShowOne) {
    rig.sim->ecu.setTable(74, QByteArray(256, static_cast<char>(128)));
    w->ShowAdaptTable(2);
    const QStringList all = cells();
    ASSERT_EQ(all.size(), 256);
    for (const QString& c : all)
        ASSERT_EQ(c, QStringLiteral("1.000"));
}

TEST_F(TablesWindow, CellsInTheUsersLocale) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    rig.sim->ecu.setTable(73, QByteArray(256, static_cast<char>(128)));
    w->ShowAdaptTable(1);
    EXPECT_EQ(cell(3, 3), QStringLiteral("1,000"));
}

TEST_F(TablesWindow, AShortReplyIsReportedAndTheGridStays) {
    rig.sim->ecu.setTable(73, QByteArray(256, static_cast<char>(128)));
    w->ShowAdaptTable(1);
    answer(97, counting(255));
    w->ShowAdaptTable(2);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, QStringLiteral("Не  верная  длина  пакета"), title);
    EXPECT_EQ(rig.platform.count(QStringLiteral("beep")), 1);
    EXPECT_EQ(cells(), QStringList(256, QStringLiteral("1.000")));
    EXPECT_EQ(w->shownTable(), 1);
}

TEST_F(TablesWindow, ALongerReplyShowsItsFirst256Bytes) {
    std::vector<int> reply = counting(256);
    reply.push_back(255);
    answer(97, reply);
    w->ShowAdaptTable(4);
    ASSERT_EQ(w->ListView1->topLevelItemCount(), 16);
    EXPECT_EQ(cell(0, 0), QStringLiteral("0.500"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("0.563")); // byte 16
    EXPECT_EQ(cell(15, 15), QStringLiteral("1.496"));
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(TablesWindow, ATableOfEscapedBytesIsReadWhole) {
    // Every byte 64 or 13 goes over the line as two.
    QByteArray t(256, 0);
    for (int k = 0; k < 256; ++k)
        t[k] = static_cast<char>(k % 2 ? 13 : 64);
    rig.sim->ecu.setTable(75, t);
    w->ShowAdaptTable(3);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    ASSERT_EQ(w->ListView1->topLevelItemCount(), 16);
    EXPECT_EQ(cell(0, 0), QStringLiteral("0.750"));
    EXPECT_EQ(cell(15, 15), QStringLiteral("0.551"));
}

TEST_F(TablesWindow, ALinkFailureIsToldAndTheGridStays) {
    rig.sim->ecu.setTable(73, QByteArray(256, static_cast<char>(128)));
    w->ShowAdaptTable(1);
    rig.sim->adapter.setFault(sim::LineFault::BadChecksum);
    w->ShowAdaptTable(2);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, linkFailure("НЕ ВЕРНАЯ КОНТР.СУММА"), errorCaption);
    EXPECT_EQ(cells(), QStringList(256, QStringLiteral("1.000")));
}

// ============================================================ resetting

TEST_F(TablesWindow, ResetOfTableThreeThenTheTableAfter800Ms) {
    w->ShowAdaptTable(1);
    rig.requests();
    ASSERT_NE(table(75), QByteArray(256, static_cast<char>(128)));
    Qt::CursorShape during = Qt::ArrowCursor;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>&) {
        if (r == Request{98, 14, 0x40}) during = w->cursor().shape();
    };
    w->Command[6]->click();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 0x40}, {98, 14, 0}, {97, 75}}));
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].ms, 800);
    EXPECT_EQ(pauses[0].requestsBefore, 2u);
    EXPECT_EQ(cells(), QStringList(256, QStringLiteral("1.000")));
    EXPECT_EQ(w->shownTable(), 3);
    EXPECT_EQ(during, Qt::BusyCursor);
    EXPECT_TRUE(normalPointer(*w));
    EXPECT_EQ(rig.sim->ecu.variable(14), 0);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_NE(table(73), QByteArray(256, static_cast<char>(128))) << "only table 3 was reset";
}

TEST_F(TablesWindow, EveryResetButtonWritesItsBit) {
    const int bits[4] = {0x10, 0x20, 0x40, 0x80};
    for (int t = 1; t <= 4; ++t) {
        w->Command[static_cast<std::size_t>(2 * t)]->click();
        EXPECT_EQ(rig.requests(),
                  (std::vector<Request>{{98, 14, static_cast<std::uint8_t>(bits[t - 1])},
                                        {98, 14, 0},
                                        {97, static_cast<std::uint8_t>(72 + t)}}));
        EXPECT_EQ(table(72 + t), QByteArray(256, static_cast<char>(128)));
    }
}

TEST_F(TablesWindow, SwitchedOffRegulatorsStayOffAfterAReset) {
    rig.program.state.EcuSwitches = 0x02;
    rig.sim->ecu.handle({98, 14, 0x02});
    w->ResetAdaptTable(1);
    EXPECT_EQ(rig.requests(),
              (std::vector<Request>{{98, 14, 0x10}, {98, 14, 0}, {98, 14, 2, 14, 2}, {97, 73}}));
    EXPECT_EQ(rig.sim->ecu.variable(14), 2);
}

TEST_F(TablesWindow, ARefusedResetIsToldAndNotReadAgain) {
    w->ShowAdaptTable(1);
    const QStringList before = cells();
    rig.requests();
    rig.sim->ecu.refuseWrites(14, 6);
    w->ResetAdaptTable(2);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 0x20}}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, refusal(6), errorCaption);
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(cells(), before);
    EXPECT_TRUE(normalPointer(*w));

    rig.sim->ecu.acceptWrites();
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{98, 14, 0}) reply = Request{1};
    };
    w->ResetAdaptTable(2);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{98, 14, 0x20}, {98, 14, 0}}));
    expectMessage(1, refusal(1), errorCaption);
    EXPECT_TRUE(pauses.empty());
}

TEST_F(TablesWindow, ARowClickMarksTheRowAndEscapeCloses) {
    w->show();
    w->activated();
    QTreeWidgetItem* row = w->ListView1->topLevelItem(4);
    QTest::mouseClick(w->ListView1->viewport(), Qt::LeftButton, {},
                      w->ListView1->visualItemRect(row).center());
    EXPECT_TRUE(w->ListView1->marked());
    EXPECT_EQ(w->ListView1->markTop(), w->ListView1->visualItemRect(row).top());
    w->ShowAdaptTable(2);
    EXPECT_FALSE(w->ListView1->marked()) << "a new table repaints the grid";
    QTest::keyClick(w->ListView1, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

// ============================================================ the menu

TEST(TablesMenu, OpensModalOverTheMainWindow) {
    KvintorRig rig;
    kvintor::installEcudataWindows(rig.program);
    ASSERT_TRUE(rig.startOnCom1());
    rig.modal.push_back([&](QDialog& d) {
        EXPECT_EQ(d.parent(), &rig.main());
        EXPECT_EQ(d.windowTitle(),
                  QStringLiteral("Таблицы топливоподачи    Kvintor  (версия 2.4)"));
    });
    rig.main().mEbu.at(1)->trigger();
    EXPECT_EQ(rig.modalsShown, QStringList{"fTabl"});
}
