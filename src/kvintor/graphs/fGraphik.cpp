#include "fGraphik.h"

#include "GraphChannels.h"
#include "GraphLayout.h"
#include "common/Dialogs.h"
#include "common/Time.h"
#include "link/Csv.h"
#include "main/Program.h"

#include <QAction>
#include <QBackingStore>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

namespace kvintor {

namespace {

const QString kSection = QStringLiteral("fGraphik");

struct Scheme {
    QColor background;
    QColor foreground;
    QColor cursor;
};
const Scheme kSchemes[2] = {{QColor(255, 255, 255), QColor(0, 0, 0), QColor(128, 128, 0)},
                            {QColor(0, 0, 0), QColor(255, 255, 255), QColor(255, 255, 128)}};

QString indexed(const char* name, int i) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

void colour(QLabel* label, const QColor& text, const QColor& back) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Window, back);
    label->setPalette(pal);
    label->setAutoFillBackground(true);
}

QString boolText(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

bool storedBool(const QString& text, bool def) {
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool number = false;
    const int v = text.trimmed().toInt(&number);
    return number ? v != 0 : def;
}

// The unit of a strip's value as its label shows it.
QString graphUnit(int set, int strip) {
    static const char* const units[2][kStrips] = {
        {"мБар", "об/мин", "град.", "град.", "град.", "град.", "град."},
        {"%", "об/мин", "град.", "мг/такт", "воздух/топливо", "мс", "кг/час"}};
    return QString::fromUtf8(units[set == 1 ? 1 : 0][strip]);
}

} // namespace

fGraphik::fGraphik(Program& program, QWidget* mainWindow)
    : QMainWindow(mainWindow, Qt::Window), p_(program), main_(mainWindow) {
    setObjectName(QStringLiteral("fGraphik"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (mainWindow) setWindowIcon(mainWindow->windowIcon());
    setWindowTitle(QStringLiteral("Графический тест  ") + p_.state.AppTitle);

    buildControls();
    buildMenus();
    // Resizes are laid out from here on.
    area_->installEventFilter(this);

    // The whole of the screen that windows may take, frame and title bar
    // included (fitted again once the window manager has framed it).
    fitArea_ = p_.availableArea ? p_.availableArea() : QRect(0, 0, 1024, 768);
    move(fitArea_.topLeft());
    resize(fitArea_.size());

    Metki->setChecked(
        storedBool(p_.GetSetting(kSection, QStringLiteral("Метки"), QStringLiteral("True")), true));
    Plavno->setChecked(storedBool(
        p_.GetSetting(kSection, QStringLiteral("Плавно"), QStringLiteral("True")), true));
    const int set = p_.GetSetting(kSection, QStringLiteral("Набор"), QStringLiteral("0")).toInt();
    nb[0]->setChecked(set != 1);
    nb[1]->setChecked(set == 1);
    bool number = false;
    const int pause =
        p_.GetSetting(kSection, QStringLiteral("Обновление"), QStringLiteral("1")).toInt(&number);
    scrollPause_ = number ? std::clamp(pause, 0, kMaxScrollPause) : 1;

    // The stored scheme, as a click on its item: it is stored again and the
    // strips are laid out (once the window has its size).
    int stored = p_.GetSetting(kSection, QStringLiteral("Оформление"), QStringLiteral("0")).toInt();
    if (stored < 0 || stored > 1) stored = 0;
    selectScheme(stored);

    Timer1->start();
}

fGraphik::~fGraphik() = default;

void fGraphik::buildControls() {
    area_ = new QWidget(this);
    area_->setObjectName(QStringLiteral("area"));
    setCentralWidget(area_);
    QPalette pal = area_->palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    area_->setPalette(pal);
    area_->setAutoFillBackground(true);

    QFont valueFont = font();
    valueFont.setBold(true);
    valueFont.setPointSize(10);
    for (int k = 0; k < kStrips; ++k) {
        const auto i = static_cast<std::size_t>(k);
        auto* strip = new StripView(k, area_);
        connect(strip, &StripView::pressed, this,
                [this](int x, Qt::MouseButton button, const QPoint& global) {
                    if (button == Qt::RightButton)
                        Graf->popup(global);
                    else
                        cursorAt(x);
                });
        connect(strip, &StripView::dragged, this, &fGraphik::cursorAt);
        Picture1[i] = strip;

        auto* name = new QLabel(area_);
        name->setObjectName(indexed("Label2", k));
        name->setAlignment(Qt::AlignCenter);
        name->setFont(valueFont);
        colour(name, QColor(224, 224, 224), QColor(128, 128, 128));
        Label2[i] = name;

        auto* value = new QLabel(QStringLiteral("0"), area_);
        value->setObjectName(indexed("Label1", k));
        value->setAlignment(Qt::AlignCenter);
        value->setFont(valueFont);
        colour(value, QColor(255, 255, 255), QColor(0, 0, 0));
        Label1[i] = value;
    }
    // Neither set changes these two.
    Label2[1]->setText(QStringLiteral("FREQ"));
    Label2[2]->setText(QStringLiteral("UOZ"));

    Picture2 = new QLabel(area_);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setAccessibleName(QStringLiteral("Picture2"));
    Picture2->setFrameShape(QFrame::Box);
    Picture2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    colour(Picture2, QColor(0, 0, 0), QColor(255, 255, 192));
    Picture2->installEventFilter(this);
    Picture2->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTickMs);
    connect(Timer1, &QTimer::timeout, this, &fGraphik::timer1Tick);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kHelpMs);
    connect(Timer2, &QTimer::timeout, this, &fGraphik::timer2Tick);
}

void fGraphik::buildMenus() {
    auto item = [](QMenu* menu, const QString& name, const QString& text, const QKeySequence& key) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setShortcut(key);
        return a;
    };

    // The pop-up menu of the strips; its keys work in the whole window.
    Graf = new QMenu(QStringLiteral("График"), this);
    Graf->setObjectName(QStringLiteral("Graf"));
    Metki = item(Graf, QStringLiteral("Metki"), QStringLiteral("Метки"),
                 QKeySequence(Qt::CTRL | Qt::Key_M));
    Metki->setChecked(true);
    Stst = item(Graf, QStringLiteral("Stst"), QStringLiteral("Стоп"), QKeySequence(Qt::Key_F9));
    Plavno = item(Graf, QStringLiteral("Plavno"), QStringLiteral("Плавно"),
                  QKeySequence(Qt::CTRL | Qt::Key_P));
    addActions({Metki, Stst, Plavno});
    Graf->addSeparator();
    SaveCsv = Graf->addAction(QStringLiteral("Сохранить в CSV"));
    SaveCsv->setObjectName(QStringLiteral("SaveCsv"));
    connect(SaveCsv, &QAction::triggered, this, &fGraphik::saveCsv);
    connect(Stst, &QAction::toggled, this, [this](bool on) {
        for (StripView* s : Picture1)
            s->cursorLine->setVisible(on);
    });

    n = menuBar()->addMenu(QStringLiteral("Набор"));
    n->setObjectName(QStringLiteral("n"));
    O = menuBar()->addMenu(QStringLiteral("Оформление"));
    O->setObjectName(QStringLiteral("O"));
    const QString sets[2] = {QStringLiteral("Набор1"), QStringLiteral("Набор2")};
    const QKeySequence setKeys[2] = {QKeySequence(Qt::CTRL | Qt::Key_F1),
                                     QKeySequence(Qt::CTRL | Qt::Key_F2)};
    const QString schemes[2] = {QStringLiteral("Черным по белому"),
                                QStringLiteral("Белым по черному")};
    const QKeySequence schemeKeys[2] = {QKeySequence(Qt::CTRL | Qt::Key_B),
                                        QKeySequence(Qt::CTRL | Qt::Key_H)};
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<std::size_t>(i);
        nb[k] = item(n, indexed("nb", i), sets[k], setKeys[k]);
        Oform[k] = item(O, indexed("Oform", i), schemes[k], schemeKeys[k]);
        // The handlers set the check marks themselves (or leave them).
        connect(nb[k], &QAction::triggered, this, [this, k, i](bool on) {
            nb[k]->setChecked(!on);
            selectSet(i);
        });
        connect(Oform[k], &QAction::triggered, this, [this, k, i](bool on) {
            Oform[k]->setChecked(!on);
            selectScheme(i);
        });
    }
    h = menuBar()->addAction(QStringLiteral("Help"));
    h->setObjectName(QStringLiteral("h"));
    connect(h, &QAction::triggered, this, &fGraphik::showHelp);
}

// ------------------------------------------------------------------ layout

void fGraphik::layoutWindow() {
    if (stopped() || !area_->isVisible()) return;
    const GraphGeometry g = graphGeometry(area_->size());
    // At opening the window is laid out for its full size and then again
    // for the stored scheme, so the titles' font already follows the strips'
    // height at the first show.
    if (!laidOut_) stripHeightPx_ = g.strips[0].height();
    laidOut_ = true;
    QFont titleFont = font();
    titleFont.setPointSize(titlePointSize(stripHeightPx_));
    for (std::size_t k = 0; k < kStrips; ++k) {
        Label2[k]->setGeometry(g.nameLabels[k]);
        Label1[k]->setGeometry(g.valueLabels[k]);
        StripView* strip = Picture1[k];
        strip->setGeometry(g.strips[k]);
        strip->painter.setFont(titleFont);
        strip->painter.resize(g.strips[k].size());
        strip->setCursorX(clampCursorX(strip->cursorX(), g.strips[k].width()));
    }
    stripHeightPx_ = g.strips[0].height();
    W_ = g.strips[0].width();
    H_ = g.strips[0].height();
    history_.reset(W_);
    selectSet(channelSet());
}

void fGraphik::applyScheme(int i) {
    const Scheme& s = kSchemes[i];
    for (StripView* strip : Picture1) {
        strip->painter.setColours(s.background, s.foreground);
        strip->setCursorColour(s.cursor);
    }
}

void fGraphik::selectScheme(int i) {
    if (stopped()) return;
    Oform[0]->setChecked(i == 0);
    Oform[1]->setChecked(i == 1);
    applyScheme(i);
    p_.SaveSetting(kSection, QStringLiteral("Оформление"), QString::number(i));
    layoutWindow();
}

void fGraphik::selectSet(int i) {
    if (stopped()) return;
    nb[0]->setChecked(i == 0);
    nb[1]->setChecked(i == 1);
    const auto& channels = graphChannels(i);
    for (std::size_t k = 0; k < kStrips; ++k) {
        Picture1[k]->painter.clear();
        Picture1[k]->painter.moveTo(10, H_ / 3.0);
        Label1[k]->setText(QStringLiteral("0"));
    }
    for (std::size_t k : {1, 2, 0, 3, 4, 5, 6})
        Picture1[k]->painter.print(channels[k].title);
    for (std::size_t k : {0, 3, 4, 5, 6})
        Label2[k]->setText(channels[k].shortName);
    history_.reset(W_);
    for (StripView* strip : Picture1)
        strip->update();
}

bool fGraphik::event(QEvent* event) {
    const bool done = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        fitFrame();
        break;
    default:
        break;
    }
    return done;
}

void fGraphik::fitFrame() {
    if (!isVisible() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
    // The frame is known only once the window manager has put one round
    // the window; the client area is what is left of the screen area.
    const QSize frame = frameGeometry().size() - size();
    if (frame == fittedFrame_) return;
    fittedFrame_ = frame;
    resize(fitArea_.size() - frame);
    move(fitArea_.topLeft());
}

bool fGraphik::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        layoutWindow();
    } else if (watched == Picture2 && event->type() == QEvent::MouseButtonPress) {
        hideHelp();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------- acquisition

bool fGraphik::acquire(int set, std::vector<int>& bytes) {
    const int result = p_.ecu.EcuExchange(graphRequest(set));
    // A failing link is asked again, but not at the full rate; a disturbed
    // line settles while the timer waits, not in the next exchange.
    const int interval =
        result == kline::kOk ? kTickMs : std::max(kFailedTickMs, p_.ecu.settleLeftMs());
    if (Timer1->interval() != interval) Timer1->setInterval(interval);
    if (result != kline::kOk || stopped()) return false;
    const std::vector<int>& reply = p_.ecu.EcuReply();
    const auto need = static_cast<std::size_t>(graphReplyLength(set));
    if (reply.size() < need) return false;
    bytes.assign(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(need));
    return true;
}

void fGraphik::timer1Tick() {
    const int set = channelSet();
    std::vector<int> bytes;
    if (!acquire(set, bytes)) return;
    history_.push(bytes, graphReplyLength(set));
    drawSample(bytes);
}

void fGraphik::drawSample(const std::vector<int>& bytes) {
    const bool smooth = Plavno->isChecked();
    // Only what moved is repainted. With "Плавно" every step is shown at
    // once, all seven strips in one refresh; without it the picture takes
    // its eight steps at once and shows them with the new segment.
    std::array<QRegion, kStrips> moved;
    const StepShow how = smooth ? stepShow() : StepShow::Repaint;
    // The picture takes its eight steps at once where the screen is not
    // shown each step from it.
    if (!smooth || how == StepShow::Shifted)
        for (std::size_t k = 0; k < kStrips; ++k)
            moved[k] = Picture1[k]->painter.scroll(kScrollSteps);
    for (int step = 1; step <= kScrollSteps; ++step) {
        if (how == StepShow::Shifted)
            showShiftedStep(step, moved);
        else if (smooth)
            showScrollStep(how);
        common::Pause(scrollPause_);
    }
    const int set = channelSet();
    const auto& channels = graphChannels(set);
    for (std::size_t k = 0; k < kStrips; ++k) {
        const int strip = static_cast<int>(k);
        const int raw = graphRawValue(set, strip, bytes);
        Label1[k]->setText(graphLiveText(set, strip, raw));
        const int rise =
            segmentHeight(H_, graphPlottedValue(set, strip, raw), channels[k].fullScale);
        moved[k] += Picture1[k]->painter.drawSample(rise, Metki->isChecked());
        Picture1[k]->update(moved[k]);
    }
}

fGraphik::StepShow fGraphik::stepShow() {
    // What the window keeps of the strips is their images from here on.
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
    if (!std::all_of(Picture1.begin(), Picture1.end(),
                     [](const StripView* s) { return s->canMoveShown(); }))
        return StepShow::Repaint;
    // The X11 window's copy is shown from where a flush's offset says (as
    // for a window inside another), so step k can be shown as the copy as
    // it stood before the steps, k pixels to the right: one plain copy a
    // step, where moving the copy in place costs the X server two, one of
    // them onto itself.
    static const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    return x11 ? StepShow::Shifted : StepShow::InPlace;
}

void fGraphik::showShiftedStep(int step, const std::array<QRegion, kStrips>& moved) {
    // Step k leaves the columns left of k as they were; right of them the
    // strip shows what stood k pixels to the left before the steps.
    QRegion shown;
    for (std::size_t k = 0; k < kStrips; ++k) {
        const StripView* strip = Picture1[k];
        shown += (moved[k] & QRect(step, 0, strip->width() - step, strip->height()))
                     .translated(strip->mapTo(this, QPoint(0, 0)));
    }
    if (!shown.isEmpty()) backingStore()->flush(shown, windowHandle(), QPoint(-step, 0));
}

void fGraphik::showScrollStep(StepShow how) {
    QRegion shown;
    bool repaint = false;
    for (StripView* strip : Picture1) {
        const QRegion changed = strip->painter.scroll(1);
        if (changed.isEmpty()) continue;
        const QRegion there = how == StepShow::InPlace ? strip->moveShown(changed) : QRegion();
        if (there.isEmpty()) {
            strip->update(changed);
            repaint = true;
        }
        shown += there;
    }
    if (!shown.isEmpty()) backingStore()->flush(shown, windowHandle());
    if (repaint) QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

// ------------------------------------------------------- cursor and stop

void fGraphik::toggleStop() {
    Stst->toggle();
}

void fGraphik::cursorAt(int x) {
    for (StripView* strip : Picture1)
        strip->setCursorX(x);
    const int j = cursorSample(x, W_);
    if (j < 0) return;
    const int set = channelSet();
    const std::vector<int> sample = history_.sample(j);
    for (std::size_t k = 0; k < kStrips; ++k) {
        const int strip = static_cast<int>(k);
        Label1[k]->setText(graphCursorText(set, strip, graphRawValue(set, strip, sample)));
    }
}

void fGraphik::saveCsv() {
    const int set = channelSet();
    const auto& channels = graphChannels(set);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("График_%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm"))));
    const QString path = p_.dialogs.saveFile(QStringLiteral("Сохранить в CSV"), suggested,
                                             QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty()) return;
    QStringList header;
    for (int k = 0; k < kStrips; ++k)
        header << channels[static_cast<std::size_t>(k)].shortName + QStringLiteral(" (") +
                      graphUnit(set, k) + QLatin1Char(')');
    kline::csv::Writer file;
    bool written = file.open(path) && file.write(header);
    // The values as the cursor reads them from the history.
    for (int j = history_.stored() - 1; written && j >= 0; --j) {
        const std::vector<int> sample = history_.sample(j);
        QStringList row;
        for (int k = 0; k < kStrips; ++k)
            row << graphCursorText(set, k, graphRawValue(set, k, sample));
        written = file.write(row);
    }
    if (written) {
        emit csvSaved(path);
        return;
    }
    p_.BeepSignal();
    p_.dialogs.message(QStringLiteral("Файл не сохранён: ") + QDir::toNativeSeparators(path) +
                           QStringLiteral("\r\n") + QStringLiteral("Причина: ") + file.error(),
                       p_.state.AppTitle, common::Icon::Exclamation);
}

// -------------------------------------------------------------- help, keys

void fGraphik::showHelp() {
    Picture2->setText(QStringLiteral(" Клавишами вверх или вниз установите") + QLatin1Char('\n') +
                      QStringLiteral(" желаемую скорость обновления графика"));
    Picture2->adjustSize();
    Picture2->resize(Picture2->width() + 16, Picture2->height() + 12);
    Picture2->move((area_->width() - Picture2->width()) / 2,
                   (area_->height() - Picture2->height()) / 3);
    Picture2->show();
    Picture2->raise();
    Timer2->start();
}

void fGraphik::hideHelp() {
    Picture2->hide();
}

void fGraphik::timer2Tick() {
    Timer2->stop();
    hideHelp();
}

void fGraphik::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Up:
        if (scrollPause_ > 0) --scrollPause_;
        return;
    case Qt::Key_Down:
        if (scrollPause_ < kMaxScrollPause) ++scrollPause_;
        return;
    default:
        QMainWindow::keyPressEvent(event);
    }
}

void fGraphik::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        Timer1->stop();
        Timer2->stop();
        p_.SaveSetting(kSection, QStringLiteral("Метки"), boolText(Metki->isChecked()));
        p_.SaveSetting(kSection, QStringLiteral("Плавно"), boolText(Plavno->isChecked()));
        p_.SaveSetting(kSection, QStringLiteral("Обновление"), QString::number(scrollPause_));
        p_.SaveSetting(kSection, QStringLiteral("Набор"),
                       nb[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
        if (main_) main_->show();
    }
    QMainWindow::closeEvent(event);
}

} // namespace kvintor
