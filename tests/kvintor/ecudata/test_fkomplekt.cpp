// The passport window against the simulated ECU.
#include "EcuDataRig.h"
#include "EventLoop.h"
#include "ecudata/EcudataWindows.h"
#include "ecudata/fKomplekt.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using kline::Request;
using kvintor::fKomplekt;

namespace {

const Request kConfiguration{97, 1, 2, 3, 4, 5, 6};

// 62 0E 01 N and the 16 bytes.
Request passportWrite(int variable, const QByteArray& text) {
    Request r{98, 14, 1, static_cast<std::uint8_t>(variable)};
    QByteArray b = text;
    b.append(QByteArray(16 - b.size(), '\0'));
    for (char c : b)
        r.push_back(static_cast<std::uint8_t>(c));
    return r;
}

struct PassportWindow : EcuDataTest {
    std::unique_ptr<fKomplekt> w;
    void SetUp() override {
        EcuDataTest::SetUp();
        w = std::make_unique<fKomplekt>(rig.program, nullptr);
        w->today = [] { return QDate(2024, 3, 5); };
    }
    QStringList configuration() {
        QStringList out;
        for (int i = 0; i < w->List2->count(); ++i)
            out << w->List2->item(i)->text();
        return out;
    }
    std::vector<QStringList> identification() {
        std::vector<QStringList> out;
        for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i)
            out.push_back(
                {w->ListView1->topLevelItem(i)->text(0), w->ListView1->topLevelItem(i)->text(1)});
        return out;
    }
    QStringList fields() {
        QStringList out;
        for (QLineEdit* e : w->Text1)
            out << e->text();
        return out;
    }
    void setFields(const QStringList& texts) {
        for (int k = 0; k < 7; ++k)
            w->Text1[static_cast<std::size_t>(k)]->setText(texts.at(k));
    }
};

} // namespace

// ============================================================ reading

TEST_F(PassportWindow, OpeningReadsConfigurationIdentificationAndFields) {
    EXPECT_EQ(w->windowTitle(),
              QStringLiteral("Паспорт ЭБУ. и комплектация     Kvintor  (версия 2.4)"));
    for (int v = 1; v <= 6; ++v)
        rig.sim->ecu.setVariable(v, std::vector<int>{0x03, 0, 0, 0x04, 0, 0x80}[v - 1]);
    // The screen and screen readers are served between the exchanges: a
    // call queued during the read runs before the read ends.
    std::size_t seen = 0;
    std::size_t seenAtCall = 0;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>&) {
        ++seen;
        if (r == Request{0x51})
            QMetaObject::invokeMethod(w.get(), [&] { seenAtCall = seen; }, Qt::QueuedConnection);
    };
    w->show();
    runEventsFor(30); // the activation reads once
    w->activated();
    rig.sim->ecu.replyHook = nullptr;
    EXPECT_EQ(seenAtCall, 2u);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kConfiguration,
                                                    {0x51},
                                                    {0x52},
                                                    {0x53},
                                                    {0x54},
                                                    {0x55},
                                                    {0x56},
                                                    {0x57},
                                                    {0x58},
                                                    {97, 116},
                                                    {97, 117},
                                                    {97, 118},
                                                    {97, 119},
                                                    {97, 121},
                                                    {97, 122},
                                                    {97, 123}}));
    EXPECT_EQ(configuration(),
              (QStringList{"Постоянное питание блока", "Датчик кислорода", "New-4-3", "New-6-8"}));
    EXPECT_EQ(identification(), (std::vector<QStringList>{{"Тип ЭБУ", "Микас 7.1 Ц1.1 R"},
                                                          {"Паспорт программы", "M71 4062 2.17"},
                                                          {"Таблица ссылок", "ТС-1 01.04"},
                                                          {"Тип ЭБУ", "Микас 7.1"},
                                                          {"Таблица ссылок", "ТС-2 01.04"},
                                                          {"Калибровка", "К4062-07 Евро-2"},
                                                          {"Дата выпуска", "12.03.2005"},
                                                          {"Двигатель", "ЗМЗ-4062.10 Евро-2"}}));
    EXPECT_EQ(fields(), (QStringList{"М7.1 12.03.05", "0512345", "2.17.4062", "АЦП 5.02",
                                     "4062*1012345", "X96330200512345", "05.2005"}));
    EXPECT_FALSE(w->Command1->isEnabled());
    EXPECT_TRUE(w->ListView1->isHeaderHidden());
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(PassportWindow, CaptionsAndNames) {
    EXPECT_EQ(w->Check1->text(), QStringLiteral("Модификация ЭБУ + Дата:"));
    QStringList captions;
    for (int k = 1; k < 7; ++k)
        captions << w->Label1[static_cast<std::size_t>(k)]->text();
    EXPECT_EQ(captions,
              (QStringList{"Серийный номер ЭБУ:", "Версия ПЗУ:", "Калибровки ADC:",
                           "Номер двигателя:", "Номер кузова:", "Дата выпуска автомобиля:"}));
    EXPECT_EQ(w->Command1->text(), QStringLiteral("Записать в ЭБУ"));
    for (int k = 0; k < 7; ++k) {
        const QLineEdit* e = w->Text1[static_cast<std::size_t>(k)];
        EXPECT_EQ(e->maxLength(), 16);
        EXPECT_EQ(e->accessibleName(), QStringLiteral("Text1(%1)").arg(k));
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Text1(%1)").arg(k)), e);
    }
    EXPECT_EQ(w->List2->accessibleName(), QStringLiteral("List2"));
}

TEST_F(PassportWindow, AShortConfigurationReplyCountsMissingBytesAsZero) {
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == kConfiguration) reply = Request{0x01, 0x02};
    };
    w->activated();
    EXPECT_EQ(configuration(),
              (QStringList{"Постоянное питание блока", "Датчик положения клапана EGR"}));
    EXPECT_EQ(w->ListView1->topLevelItemCount(), 8);
}

TEST_F(PassportWindow, ALinkFailureOnTheConfigurationIsToldOnceAndNothingMoreIsRead) {
    w->Text1[1]->setText(QStringLiteral("kept"));
    rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
    w->activated();
    w->activated(); // a second activation reads nothing again
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kConfiguration}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, linkFailure("ЭБУ НЕ ОТВЕЧАЕТ"), errorCaption);
    EXPECT_EQ(w->List2->count(), 0);
    EXPECT_EQ(w->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(w->Text1[1]->text(), QStringLiteral("kept"));
    EXPECT_EQ(w->cursor().shape(), Qt::BusyCursor);
}

TEST_F(PassportWindow, AFieldThatCouldNotBeReadIsMarkedAndKeptInTheEcu) {
    w->Text1[3]->setText(QStringLiteral("kept"));
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{0x53} || r == Request{97, 119} || r == Request{97, 122}) reply.reset();
    };
    const QString adc = rig.sim->ecu.text(119);
    w->activated();
    const auto rows = identification();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2], (QStringList{"Тип ЭБУ", "Микас 7.1"}));
    EXPECT_EQ(w->Text1[3]->text(), QStringLiteral("kept"));
    EXPECT_EQ(w->Text1[4]->text(), QStringLiteral("4062*1012345"));
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "no box for it";
    EXPECT_TRUE(w->unread(3));
    EXPECT_TRUE(w->unread(5));
    EXPECT_FALSE(w->unread(4));
    EXPECT_EQ(w->Text1[5]->placeholderText(), QStringLiteral("не прочитано"));
    EXPECT_EQ(w->Label2->text(),
              QStringLiteral("Не прочитаны из ЭБУ: Калибровки ADC, Номер кузова. "
                             "Их данные в ЭБУ не изменятся, если их не вписать."));
    EXPECT_FALSE(w->Label2->isHidden());

    // Another field edited, one unread field typed into: the untouched
    // unread field is not written over.
    rig.sim->ecu.replyHook = nullptr;
    w->show();
    QTest::keyClicks(w->Text1[1], QStringLiteral("9"));
    QTest::keyClicks(w->Text1[5], QStringLiteral("Z"));
    rig.requests();
    w->WritePassport();
    const auto sent = rig.requests();
    const auto wrote = [&sent](int variable) {
        return std::any_of(sent.begin(), sent.end(), [variable](const Request& r) {
            return r.size() > 3 && r[0] == 98 && r[2] == 1 && r[3] == variable;
        });
    };
    EXPECT_FALSE(wrote(119));
    EXPECT_TRUE(wrote(122));
    EXPECT_TRUE(wrote(117));
    EXPECT_TRUE(wrote(115)) << "the closing writes go as ever";
    EXPECT_EQ(rig.sim->ecu.text(119), adc);
    EXPECT_EQ(rig.sim->ecu.text(122), QStringLiteral("Z"));
}

// ============================================================ editing

TEST_F(PassportWindow, TypingEnablesTheWriteAndTheDateStampDoesNot) {
    w->show();
    w->activated();
    w->Check1->click();
    EXPECT_EQ(w->Text1[0]->text(), QStringLiteral("05.03.24"));
    EXPECT_FALSE(w->Command1->isEnabled());
    w->Check1->click();
    EXPECT_EQ(w->Text1[0]->text(), QString());
    EXPECT_FALSE(w->Command1->isEnabled());
    QTest::keyClicks(w->Text1[5], QStringLiteral("7"));
    EXPECT_TRUE(w->Command1->isEnabled());
    EXPECT_EQ(w->Text1[5]->text(), QStringLiteral("X963302005123457"));
    // Any key pressed in a field counts, also in a full one.
    w->Command1->setEnabled(false);
    QTest::keyClicks(w->Text1[5], QStringLiteral("8"));
    EXPECT_EQ(w->Text1[5]->text(), QStringLiteral("X963302005123457"));
    EXPECT_TRUE(w->Command1->isEnabled());
    // The date stamp toggled by a screen reader acts as the click.
    w->Command1->setEnabled(false);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(w->Check1);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->actionInterface(), nullptr);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_EQ(w->Text1[0]->text(), QStringLiteral("05.03.24"));
    EXPECT_FALSE(w->Command1->isEnabled());
}

TEST_F(PassportWindow, ARowMarkGoesWithAClickOnAFieldTheListOrTheCheckBox) {
    w->show();
    w->activated();
    auto mark = [&] {
        QTreeWidgetItem* row = w->ListView1->topLevelItem(1);
        QTest::mouseClick(w->ListView1->viewport(), Qt::LeftButton, {},
                          w->ListView1->visualItemRect(row).center());
        return w->ListView1->marked();
    };
    ASSERT_TRUE(mark());
    QTest::mouseClick(w->Text1[2], Qt::LeftButton);
    EXPECT_FALSE(w->ListView1->marked());
    ASSERT_TRUE(mark());
    QTest::mouseClick(w->List2->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(w->ListView1->marked());
    ASSERT_TRUE(mark());
    w->Check1->click();
    EXPECT_FALSE(w->ListView1->marked());
}

// ============================================================ writing

TEST_F(PassportWindow, WriteSendsEveryFieldAsSixteenBytesThenTheClosingWrites) {
    w->show();
    w->activated();
    rig.requests();
    setFields({QStringLiteral("М7.1 05.03.24"), QStringLiteral("AB"), QString(), QString(),
               QStringLiteral("  4062  "), QStringLiteral("А"), QStringLiteral("05.2005")});
    // Twenty characters typed: the field keeps, and sends, sixteen.
    QTest::keyClicks(w->Text1[3], QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    ASSERT_TRUE(w->Command1->isEnabled());
    Qt::CursorShape during = Qt::ArrowCursor;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>&) {
        if (r.size() > 3 && r[3] == 116) during = w->cursor().shape();
    };
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{passportWrite(116, QByteArray("\x8C"
                                                                                  "7.1 05.03.24")),
                                                    passportWrite(117, "AB"),
                                                    passportWrite(118, ""),
                                                    passportWrite(119, "ABCDEFGHIJKLMNOP"),
                                                    passportWrite(121, "4062"),
                                                    passportWrite(122, "\x80"),
                                                    passportWrite(123, "05.2005"),
                                                    {98, 14, 1, 115, 0xFF},
                                                    {98, 14, 1, 120, 0xFF},
                                                    {98, 14, 0, 14, 0}}))
        << "the regulator switches of variable 14 last";
    EXPECT_EQ(rig.requests().size(), 0u);
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_TRUE(normalPointer(*w)) << "the pointer is back";
    EXPECT_FALSE(w->Command1->isEnabled()) << "until the next key press";
    EXPECT_TRUE(rig.dialogs.messages.empty());

    // The ECU keeps the fields: the next opening reads them back.
    fKomplekt again(rig.program, nullptr);
    again.activated();
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(again.Text1[static_cast<std::size_t>(k)]->text(),
                  w->Text1[static_cast<std::size_t>(k)]->text().trimmed())
            << k;
}

TEST_F(PassportWindow, TheFirstRefusalEndsTheWriteWithoutClosingWrites) {
    w->activated();
    rig.requests();
    setFields({"m", "s", "r", "a", "e", "b", "d"});
    rig.sim->ecu.refuseWrites(118, 7);
    w->WritePassport();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{passportWrite(116, "m"),
                                                    passportWrite(117, "s"),
                                                    passportWrite(118, "r"),
                                                    {98, 14, 0, 14, 0}}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, refusal(7), errorCaption);
    EXPECT_TRUE(normalPointer(*w));
    EXPECT_FALSE(w->Command1->isEnabled());

    // A refused first closing write: no second one.
    rig.sim->ecu.acceptWrites();
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{98, 14, 1, 115, 0xFF}) reply = Request{4};
    };
    w->WritePassport();
    const auto sent = rig.requests();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[7], (Request{98, 14, 1, 115, 0xFF}));
    expectMessage(1, refusal(4), errorCaption);
}

TEST_F(PassportWindow, ALinkFailureWhileWritingIsToldOnce) {
    w->activated();
    setFields({"m", "s", "r", "a", "e", "b", "d"});
    rig.requests();
    rig.sim->adapter.setFault(sim::LineFault::PortGone);
    w->WritePassport();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    expectMessage(0, linkFailure("ОШИБКА COM ПОРТА"), errorCaption);
}

TEST_F(PassportWindow, EscapeCloses) {
    w->show();
    w->activated();
    QTest::keyClick(w->Text1[2], Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

// ============================================================ the menu

TEST(PassportMenu, OpensModalWithTheMainWindowsPollingStopped) {
    KvintorRig rig;
    kvintor::installEcudataWindows(rig.program);
    ASSERT_TRUE(rig.startOnCom1());
    rig.main().activated();
    rig.main().timer1Tick(); // identified: the live page polls
    ASSERT_TRUE(rig.main().Timer2->isActive());
    bool mainPolling = true;
    rig.modal.push_back([&](QDialog& d) {
        mainPolling = rig.main().Timer1->isActive() || rig.main().Timer2->isActive();
        EXPECT_EQ(d.parent(), &rig.main());
        static_cast<fKomplekt&>(d).activated();
    });
    rig.requests();
    rig.main().mEbu.at(0)->trigger();
    EXPECT_EQ(rig.modalsShown, QStringList{"fKomplekt"});
    EXPECT_FALSE(mainPolling) << "only one window talks to the ECU";
    const auto seen = rig.requests();
    EXPECT_NE(std::find(seen.begin(), seen.end(), kConfiguration), seen.end());
}
