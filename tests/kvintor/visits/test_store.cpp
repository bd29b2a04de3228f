// The visit database on its own, on SQLite and on PostgreSQL: every kind of
// row reads back as it was written, also from another computer's
// connection; the schema is made once and kept.
#include "TestDatabase.h"
#include "VisitStore.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

using namespace kvintor;
using namespace kvintor::visits;

namespace {

struct Store : ::testing::TestWithParam<Backend> {
    QTemporaryDir dir;
    TestDatabase db{GetParam(), dir.path()};
    void SetUp() override {
        if (!db.cannot.isEmpty()) GTEST_SKIP() << db.cannot.toStdString();
    }
    static QDateTime at(int minute) {
        return QDateTime(QDate(2024, 5, 1), QTime(9, minute, 30, 125));
    }
};

QByteArray png() {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(QColor(0, 104, 139));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST_P(Store, EverythingWrittenReadsBackAsItWasOnAnotherConnectionToo) {
    VisitStore store;
    ASSERT_TRUE(store.open(db.config)) << store.error().toStdString();
    EXPECT_TRUE(store.writable());
    EXPECT_EQ(store.schemaVersion(), VisitStore::kSchemaVersion);

    VisitOpening o{at(0),
                   {QStringLiteral("Микас 7.1"), QStringLiteral("0123 ЭБУ"),
                    QStringLiteral("R 7.1.2"), QStringLiteral("ЗМЗ 4062")},
                   {QStringLiteral("Датчик кислорода"), QStringLiteral("New-6-8")},
                   {{QStringLiteral("Тип ЭБУ"), QStringLiteral("Микас")}},
                   {{QStringLiteral("Серийный номер ЭБУ:"), QStringLiteral("0123 ЭБУ")},
                    {QStringLiteral("Номер кузова:"), QString()}}};
    const auto id = store.openVisit(o);
    ASSERT_TRUE(id) << store.error().toStdString();
    Visit expected;
    expected.id = *id;
    expected.opening = o;
    expected.faultReads = {{at(1),
                            {{13, 0x80, QStringLiteral("Низкий уровень сигнала с датчика")},
                             {200, 0xA0, QStringLiteral("200  не  определена")}}},
                           {at(2), {}}};
    expected.tables = {{at(3), 2, 100, 160, -3.25}};
    expected.tests = {
        {at(4),
         QStringLiteral("tfTorm"),
         QStringLiteral("Тест механических потерь"),
         {{QStringLiteral("Начальные обороты"), QStringLiteral("3000")}},
         png()},
        {at(5), QStringLiteral("tfMexan"), QStringLiteral("Баланс цилиндров"), {}, {}}};
    expected.adjustments = {
        {at(6), QStringLiteral("Обороты/мин  (ХХ)"), 46, QStringLiteral("900"), false},
        {at(7), QStringLiteral("УОЗ"), 40, QStringLiteral("3"), false}};
    expected.files = {{at(8), QStringLiteral("График"), QStringLiteral("/home/м/График.csv")}};
    expected.remarks = {{at(9), QStringLiteral("Клиент жалуется на рывки; «проверить»")}};
    for (const FaultRead& r : expected.faultReads)
        ASSERT_TRUE(store.addFaultRead(*id, r));
    ASSERT_TRUE(store.addTable(*id, expected.tables[0]));
    for (const TestRecord& t : expected.tests)
        ASSERT_TRUE(store.addTest(*id, t));
    for (const Adjustment& a : expected.adjustments)
        ASSERT_TRUE(store.addAdjustment(*id, a));
    ASSERT_TRUE(store.addFile(*id, expected.files[0]));
    ASSERT_TRUE(store.addRemark(*id, expected.remarks[0]));
    // Stored at the exit: the latest adjustment of the variable, or a row
    // of its own when the visit has none of it.
    ASSERT_TRUE(store.markStored(*id, 40, QStringLiteral("Угол  опережения  зажигания"), at(10)));
    ASSERT_TRUE(store.markStored(*id, 65, QStringLiteral("Коэфициент  смещения  по СО"), at(11)));
    expected.adjustments[1].stored = true;
    expected.adjustments.push_back(
        {at(11), QStringLiteral("Коэфициент  смещения  по СО"), 65, {}, true});
    const auto other = store.openVisit({at(20), {}, {}, {}, {}});
    ASSERT_TRUE(other);

    VisitStore elsewhere; // another computer of the workshop
    ASSERT_TRUE(elsewhere.open(db.config)) << elsewhere.error().toStdString();
    for (VisitStore* s : {&store, &elsewhere}) {
        const auto v = s->visit(*id);
        ASSERT_TRUE(v);
        EXPECT_FALSE(v->computer.isEmpty());
        EXPECT_EQ(v->opening.at, o.at);
        EXPECT_EQ(v->opening.ecu.series, o.ecu.series);
        EXPECT_EQ(v->opening.ecu.rom, o.ecu.rom);
        EXPECT_EQ(v->opening.configuration, o.configuration);
        EXPECT_EQ(v->opening.identification, o.identification);
        EXPECT_EQ(v->opening.passport, o.passport);
        ASSERT_EQ(v->faultReads.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(v->faultReads[i].at, expected.faultReads[i].at);
            EXPECT_EQ(v->faultReads[i].faults, expected.faultReads[i].faults);
        }
        ASSERT_EQ(v->tables.size(), 1u);
        EXPECT_EQ(v->tables[0].minimum, 100);
        EXPECT_EQ(v->tables[0].maximum, 160);
        EXPECT_DOUBLE_EQ(v->tables[0].meanDeviation, -3.25);
        ASSERT_EQ(v->tests.size(), 2u);
        EXPECT_EQ(v->tests[0].png, expected.tests[0].png) << "the plot byte for byte";
        EXPECT_TRUE(v->tests[1].png.isEmpty());
        EXPECT_EQ(v->tests[0].figures[0].value, QStringLiteral("3000"));
        ASSERT_EQ(v->adjustments.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(v->adjustments[i].variable, expected.adjustments[i].variable) << i;
            EXPECT_EQ(v->adjustments[i].value, expected.adjustments[i].value) << i;
            EXPECT_EQ(v->adjustments[i].stored, expected.adjustments[i].stored) << i;
        }
        EXPECT_EQ(v->files[0].path, expected.files[0].path);
        EXPECT_EQ(v->remarks[0].text, expected.remarks[0].text);
        EXPECT_TRUE(s->visit(*other)->faultReads.empty()) << "nothing of the first visit";
        const auto list = s->visits();
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].id, *other) << "the latest first";
        EXPECT_EQ(list[1].faultCodes, (QList<int>{13, 200}));
    }
}

TEST_P(Store, TheSchemaIsMadeOnceAndWhatItHoldsIsKept) {
    qint64 id = 0;
    {
        VisitStore store;
        ASSERT_TRUE(store.open(db.config)) << store.error().toStdString();
        id = store.openVisit({at(0), {}, {}, {}, {}}).value_or(0);
        ASSERT_GT(id, 0);
    }
    VisitStore again;
    ASSERT_TRUE(again.open(db.config)) << again.error().toStdString();
    EXPECT_EQ(again.schemaVersion(), VisitStore::kSchemaVersion);
    EXPECT_TRUE(again.visit(id));
    EXPECT_EQ(again.visits().size(), 1u);
}

KV_ON_EVERY_BACKEND(Store);
