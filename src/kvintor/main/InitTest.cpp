#include "InitTest.h"

#include "ExitDialogue.h"
#include "Program.h"
#include "fOtchet.h"
#include "fkLine.h"
#include "common/ActivationWatch.h"
#include "link/Commands.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

namespace kvintor {

namespace {

constexpr int px(int twips) { return twips / 15; }

QString indexed(const char* name, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i); }


// Frame and panel geometry, in pixels.
constexpr int kFrameWidth = 700;
constexpr int kLampsWidth = 290;
constexpr int kLampHeight = 17;
constexpr int kValueFrameHeight = 40;

} // namespace

void paint(QLabel* label, const QColor& colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, colour);
    label->setPalette(pal);
    label->setAutoFillBackground(true);
}

InitTest::InitTest(Program& program) : p_(program) {
    setObjectName(QStringLiteral("InitTest"));
    setWindowTitle(p_.state.AppTitle);
    resize(800, 600);
    setMinimumSize(400, 300);
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("inner"));
    setCentralWidget(central);

    Label8 = new QLabel(QStringLiteral("Программу желательно использовать при разрешении 800/600 pic."), central);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->adjustSize();
    Line1 = new QFrame(central);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    Label1 = new QLabel(QStringLiteral(" Окно  определения ошибок  связи  или  тип  ЭБУ "), central);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFrameShape(QFrame::Panel);
    Label1->setFrameShadow(QFrame::Sunken);
    paint(Label1, QColor(224, 224, 224));
    Label10 = new QLabel(QStringLiteral(" Окно  определения  марки  двигателя  "), central);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->setFrameShape(QFrame::Panel);
    Label10->setFrameShadow(QFrame::Sunken);
    Label7 = new QLabel(QStringLiteral("Check Engine"), central);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setAlignment(Qt::AlignCenter);
    Label7->setFrameShape(QFrame::Box);
    paint(Label7, checkEngineColour(false));

    buildPanel();
    buildMenus();

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    for (std::size_t i = 0; i < statusPanels.size(); ++i) {
        statusPanels[i] = new QLabel(StatusBar1);
        statusPanels[i]->setObjectName(QStringLiteral("StatusBar1.Panel(%1)").arg(i + 1));
        StatusBar1->addWidget(statusPanels[i], i >= 2 ? 1 : 0);
    }
    statusPanels[2]->setText(QStringLiteral("Версия ПЗУ -"));
    statusPanels[3]->setText(QStringLiteral("Серия -"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &InitTest::timer1Tick);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kPollIntervalMs);
    connect(Timer2, &QTimer::timeout, this, &InitTest::timer2Tick);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(1000);
    connect(Timer3, &QTimer::timeout, this, &InitTest::timer3Tick);

    layoutPanel();
    common::ActivationWatch::instance();
}

InitTest::~InitTest() = default;

void InitTest::buildPanel() {
    Frame4 = new QGroupBox(QStringLiteral("Параметры ЭБУ и двигателя"), centralWidget());
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setAutoFillBackground(true);

    auto* lamps = new QGroupBox(QStringLiteral("Пороговые режимы"), Frame4);
    lamps->setObjectName(QStringLiteral("FrameLamps"));
    lamps->setGeometry(8, 20, kLampsWidth, 16 * (kLampHeight + 2) + kLampHeight + 30);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    for (int i = 0; i < kLamps; ++i) {
        auto* l = new QLabel(lampCaption(i), lamps);
        l->setObjectName(indexed("Label3", i));
        l->setFont(small);
        l->setFrameShape(QFrame::Box);
        l->setAlignment(Qt::AlignCenter);
        if (i < 16)
            l->setGeometry(8, 18 + i * (kLampHeight + 2), kLampsWidth - 16, kLampHeight);
        else
            l->setGeometry(8 + (i - 16) * 69, 18 + 16 * (kLampHeight + 2) + 4, 64, kLampHeight);
        paint(l, lampColour(false));
        Label3[static_cast<std::size_t>(i)] = l;
    }

    const int regY = lamps->geometry().bottom() + 8;
    const char* const regCaptions[2] = {"L - Регулятор", "Регулятор УОЗ по детонации"};
    for (int i = 0; i < 2; ++i) {
        auto* caption = new QLabel(QString::fromUtf8(regCaptions[i]), Frame4);
        caption->setGeometry(12, regY + i * 20, 200, 18);
        auto* l = new QLabel(QStringLiteral("Вкл"), Frame4);
        l->setObjectName(indexed("Label4", i));
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Box);
        l->setGeometry(220, regY + i * 20, 60, 18);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        paint(l, QColor(192, 192, 192));
        Label4[static_cast<std::size_t>(i)] = l;
    }

    static const char* const valueNames[kPages] = {"Label2", "Label6", "Label5", "Label9"};
    static const char* const barNames[kPages] = {"Label11", "Label12", "Label13", "Label14"};
    static const char* const pageCaptions[kPages] = {"1-й  Набор", "2-й  Набор", "3-й  Набор", "4-й  Набор"};
    for (int p = 0; p < kPages; ++p) {
        auto* page = new QGroupBox(QString::fromUtf8(pageCaptions[p]), Frame4);
        page->setObjectName(indexed("Frame9", p));
        page->setGeometry(kLampsWidth + 16, 20, kFrameWidth - kLampsWidth - 24, 8 * kValueFrameHeight + 28);
        Frame9[static_cast<std::size_t>(p)] = page;
        for (int k = 0; k < kValuesPerPage; ++k) {
            auto* f = new QGroupBox(frameCaption(p, k, false), page);
            f->setObjectName(QStringLiteral("Frame9(%1).Value(%2)").arg(p).arg(k));
            f->setGeometry(6, 18 + k * kValueFrameHeight, page->width() - 12, kValueFrameHeight - 2);
            auto* v = new QLabel(f);
            v->setObjectName(indexed(valueNames[p], k));
            v->setGeometry(8, 16, 78, 18);
            v->setFrameShape(QFrame::Panel);
            v->setFrameShadow(QFrame::Sunken);
            v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            paint(v, Qt::white);
            v->setToolTip(normText(p, k));
            if (p < 2) v->installEventFilter(this);
            auto* b = new QLabel(f);
            b->setObjectName(indexed(barNames[p], k));
            b->setGeometry(94, 18, 0, 14);
            paint(b, palette().color(QPalette::Button));
            valueFrames[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] = f;
            values[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] = v;
            bars[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] = b;
        }
        page->setVisible(p == 0);
    }
    const int bottom = std::max(Label4[1]->geometry().bottom(), Frame9[0]->geometry().bottom());
    Frame4->resize(kFrameWidth, bottom + 10);
}

void InitTest::buildMenus() {
    QMenuBar* bar = menuBar();
    auto add = [](QMenu* menu, const char* name, int i, const QString& text, bool checkable = false) {
        QAction* a = menu->addAction(text);
        a->setObjectName(indexed(name, i));
        a->setCheckable(checkable);
        return a;
    };

    QMenu* ebu = bar->addMenu(QStringLiteral("ЭБУ"));
    ebu->setObjectName(QStringLiteral("mEbu"));
    mEbu[0] = add(ebu, "mEbu", 0, QStringLiteral("Пасрорт"));
    mEbu[1] = add(ebu, "mEbu", 1, QStringLiteral("Таблицы топливоподачи"));
    ebu->addSeparator();
    mEbu[3] = add(ebu, "mEbu", 3, QStringLiteral("Неисправности"));
    mEbu[4] = add(ebu, "mEbu", 4, QStringLiteral("Перезагрузить"));
    mEbu[5] = add(ebu, "mEbu", 5, QStringLiteral("Типовые параметры"));
    connect(mEbu[4], &QAction::triggered, this, &InitTest::restartEcu);

    QMenu* pages = bar->addMenu(QStringLiteral("Набор"));
    const char* const pageItems[4] = {"Первый", "Второй", "Третий", "Четвертый"};
    for (int i = 0; i < 4; ++i) {
        nb[static_cast<std::size_t>(i)] = add(pages, "nb", i, QString::fromUtf8(pageItems[i]), true);
        connect(nb[static_cast<std::size_t>(i)], &QAction::triggered, this, [this, i] { selectPage(i); });
    }

    QMenu* view = bar->addMenu(QStringLiteral("Вид"));
    Dnn[0] = add(view, "Dnn", 0, QStringLiteral("Графический"));
    Dnn[1] = add(view, "Dnn", 1, QStringLiteral("Осциллографический"));

    QMenu* tests = bar->addMenu(QStringLiteral("Тесты"));
    const char* const testItems[5] = {"Исполнит. механ.", "Разгона", "Разгона ХХ", "Торможения",
                                      "Карбюратор  406-4063"};
    for (int i = 0; i < 5; ++i) tst[static_cast<std::size_t>(i)] = add(tests, "tst", i, QString::fromUtf8(testItems[i]));

    RegMenu = bar->addMenu(QStringLiteral("Регулировки"));
    RegMenu->setObjectName(QStringLiteral("Reg"));
    const char* const regItems[9] = {"Температура  ОЖ", "Обороты хол. ход", "Опережение зажигания",
                                     "Положение РДВ", "Состав смеси", "Угол начала впрыска",
                                     "Коэф. коррекции топливоподачи", "Температура воздуха", "Коррекция  СО"};
    for (int i = 0; i < 9; ++i) {
        QAction* a = add(RegMenu, "Reg", i, QString::fromUtf8(regItems[i]), true);
        Reg[static_cast<std::size_t>(i)] = a;
        connect(a, &QAction::triggered, this, [this, i, a](bool ticked) {
            const auto& open = adjustmentWindows[static_cast<std::size_t>(i)];
            if (open) open(ticked);
            else a->setChecked(false); // no window behind this item yet
        });
    }

    QMenu* regulators = bar->addMenu(QStringLiteral("Вкл / Откл"));
    vReg[0] = add(regulators, "vReg", 0, QStringLiteral("L - Регулятор"), true);
    vReg[1] = add(regulators, "vReg", 1, QStringLiteral("Регулятор УОЗ по детонации"), true);
    for (int i = 0; i < 2; ++i) {
        vReg[static_cast<std::size_t>(i)]->setChecked(true);
        // The switch inverts the tick itself: undo the menu's own toggle.
        connect(vReg[static_cast<std::size_t>(i)], &QAction::triggered, this, [this, i](bool ticked) {
            vReg[static_cast<std::size_t>(i)]->setChecked(!ticked);
            toggleRegulator(i);
        });
    }

    QMenu* check = bar->addMenu(QStringLiteral("Проверка"));
    const char* const checkItems[8] = {"Датчик сихронизации", "Датчик распред.вала", "Датчик массового расхода воздуха",
                                       "Датчик детонации", "Датчик дросселя", "Катушки зажигания",
                                       "Регулятор добавочного воздуха", "Форсунки"};
    for (int i = 0; i < 8; ++i) Dat[static_cast<std::size_t>(i)] = add(check, "Dat", i, QString::fromUtf8(checkItems[i]));

    QMenu* extra = bar->addMenu(QStringLiteral("Дополнительно"));
    extra->setObjectName(QStringLiteral("DopInd"));
    DopIndMenu = extra;
    DopInd[0] = add(extra, "DopInd", 0, QStringLiteral("О программе"));
    DopInd[1] = add(extra, "DopInd", 1, QStringLiteral("Схема адаптера"));
    DopInd[2] = add(extra, "DopInd", 2, QStringLiteral("Отчет"));
    DopInd[3] = add(extra, "DopInd", 3, QStringLiteral("Настройка программы"));
    connect(DopInd[1], &QAction::triggered, this, [this] {
        fkLine window(this);
        p_.execModal(window);
    });
    connect(DopInd[2], &QAction::triggered, this, [this] {
        fOtchet window(p_, this);
        p_.execModal(window);
    });
    connect(DopInd[3], &QAction::triggered, this, &InitTest::openSettings);

    QMenu* end = bar->addMenu(QStringLiteral("Завершение"));
    Zav[0] = add(end, "Zav", 0, QStringLiteral("Выйти из программы    Alt+F4"));
    Zav[1] = add(end, "Zav", 1, QStringLiteral("Выключить компьютер"), true);
    // The caption names Alt+F4 itself; a shortcut of the item would print it
    // a second time, so the key is the window's own.
    exitShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    exitShortcut->setObjectName(QStringLiteral("exitShortcut"));
    connect(exitShortcut, &QShortcut::activated, this, &QWidget::close);
    connect(Zav[0], &QAction::triggered, this, &QWidget::close);
    connect(Zav[1], &QAction::triggered, this, [this] {
        Zav[1]->setChecked(true);
        close();
    });
}

bool InitTest::shutdownTicked() const { return Zav[1] && Zav[1]->isChecked(); }

void InitTest::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutPanel();
}

void InitTest::layoutPanel() {
    // The parameter frame in the middle of the inner area, the status and
    // engine lines 320 twips and the lamp 360 twips above it, the hint
    // 1500 twips above the bottom.
    const QWidget* inner = centralWidget();
    const int w = inner->width();
    const int h = inner->height();
    const int x = std::max(0, (w - Frame4->width()) / 2);
    const int y = std::max(px(400), (h - Frame4->height()) / 2);
    Frame4->move(x, y);
    Label1->setGeometry(x, y - px(320), 300, 19);
    Label7->setGeometry(x + 308, y - px(360), 96, 22);
    Label10->setGeometry(x + 412, y - px(320), Frame4->width() - 412, 19);
    Line1->setGeometry(0, 0, w, 3);
    Label8->move((w - Label8->width()) / 2, h - px(1500));
    Label8->lower();
}

void InitTest::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first showing activates the window even where no window manager
    // hands it the focus.
    if (!shownOnce_) {
        shownOnce_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!isActiveWindow()) activated();
        });
    }
}

void InitTest::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A message box of our own closing hands the activation back: that is
    // no return from another window, and nothing restarts for it.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        !common::ActivationWatch::instance().takeReturnFromMessageBox())
        activated();
}

void InitTest::closeEvent(QCloseEvent* event) {
    if (p_.ended()) {
        event->accept();
        return;
    }
    // The question runs an event loop of its own: nothing may poll under it,
    // or a line error there would identify the ECU again and overwrite the
    // values read at connection.
    const bool identifying = Timer1->isActive();
    const bool polling = Timer2->isActive();
    stopTimers();
    closing_ = true;
    const ExitAnswer answer = runExitDialogue(p_);
    closing_ = false;
    if (answer == ExitAnswer::Cancel) {
        Zav[1]->setChecked(false);
        if (identifying) startIdentification();
        else if (polling) startPolling();
        event->ignore();
        return;
    }
    p_.endWithReset();
    event->accept();
}

bool InitTest::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return QMainWindow::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    for (int i = 0; i < 2; ++i) {
        if (watched == Label4[static_cast<std::size_t>(i)] && mouse->button() == Qt::LeftButton) {
            toggleRegulator(i);
            return true;
        }
    }
    // Page 1 and 2 values: the right button pops up "Регулировки", the left
    // button acts as the item of the value's set-point.
    static const int leftItems[2][kValuesPerPage] = {{0, -1, 1, 2, -1, -1, 3, -1}, {0, 7, -1, 8, 4, -1, -1, -1}};
    for (int p = 0; p < 2; ++p) {
        for (int k = 0; k < kValuesPerPage; ++k) {
            if (watched != values[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)]) continue;
            if (mouse->button() == Qt::RightButton) {
                RegMenu->popup(mouse->globalPosition().toPoint());
                return true;
            }
            const int item = leftItems[p][k];
            if (mouse->button() == Qt::LeftButton && item >= 0 && Reg[static_cast<std::size_t>(item)]->isEnabled()) {
                Reg[static_cast<std::size_t>(item)]->trigger();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace kvintor
