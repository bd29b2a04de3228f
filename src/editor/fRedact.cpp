// The main window's controls and their places; the handlers are in
// fRedactActions.cpp.
#include "fRedact.h"
#include "common/CheckBoxAccess.h"

#include "RibbonView.h"
#include "RowEditor.h"
#include "common/SettingsStore.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>

namespace editor {

namespace {

template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

// Controls with no text of their own are found by their name.
template <typename W> W* namedAccessible(W* w, const QString& name) {
    w->setAccessibleName(name);
    return named(w, name);
}

// A picture box's sunken border around a drawing of the given size.
QFrame* pictureFrame(QWidget* parent, int x, int y, int w, int h) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Sunken);
    f->setLineWidth(2);
    f->setGeometry(x, y, w + 4, h + 4);
    return f;
}

QFrame* swatch(QWidget* parent, const QString& name, const QColor& colour) {
    auto* s = namedAccessible(new QFrame(parent), name);
    s->setAutoFillBackground(true);
    QPalette pal = s->palette();
    pal.setColor(QPalette::Window, colour);
    s->setPalette(pal);
    return s;
}

constexpr int kRightX = 420; // the column of frames right of the legend
constexpr int kEditorY = 400;

} // namespace

AxisFigures::AxisFigures(std::vector<std::pair<int, int>> figures, QWidget* parent)
    : QLabel(parent), figures_(std::move(figures)) {
    QStringList texts;
    for (const auto& f : figures_)
        texts << QString::number(f.second);
    setText(texts.join(QLatin1Char(' ')));
}

void AxisFigures::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    for (const auto& [x, value] : figures_) {
        const QRect box(x - 20, 0, 40, height());
        p.drawText(box, Qt::AlignCenter, QString::number(value));
    }
}

fRedact::fRedact(FermelSeams& seams) : document(seams.dialogs), seams_(seams) {
    common::installCheckBoxAccess();
    setObjectName(QStringLiteral("fRedact"));
    setWindowTitle(QStringLiteral("Fermel"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    buildMenus();
    buildRibbonSide(central);
    buildRowSide(central);

    Check2->setChecked(engineFromSetting(seams_.settings.GetSetting(
                           settingsApp(), QStringLiteral("Redact"), QStringLiteral("Dvigatel"),
                           QStringLiteral("0"))) == EngineType::Zmz4063);
    document.engine = Check2->isChecked() ? EngineType::Zmz4063 : EngineType::Standard;
    connect(Check2, &QCheckBox::toggled, this, &fRedact::engineToggled);
    Option1[3]->setChecked(true);
    central->setFixedSize(kRightX + 225, kEditorY + 190);
}

fRedact::~fRedact() = default;

void fRedact::buildMenus() {
    mnuFile = named(menuBar()->addMenu(QStringLiteral("Файл")), QStringLiteral("mnuFile"));
    const QString captions[7] = {
        QStringLiteral("Открыть"),           QStringLiteral("Из ЭБУ"),
        QStringLiteral("Сохранить"),         QStringLiteral("Сохранить в файл..."),
        QStringLiteral("Сохранить в ЭБУ"),   QStringLiteral("Отменить все"),
        QStringLiteral("Показать изменения")};
    for (int i = 0; i < 7; ++i) {
        Mnu[static_cast<std::size_t>(i)] =
            named(mnuFile->addAction(captions[i]), QStringLiteral("Mnu(%1)").arg(i));
    }
    for (int i : {2, 3, 4, 5})
        Mnu[static_cast<std::size_t>(i)]->setEnabled(false);
    connect(Mnu[0], &QAction::triggered, this, &fRedact::menuOpen);
    connect(Mnu[1], &QAction::triggered, this, &fRedact::menuFromEcu);
    connect(Mnu[2], &QAction::triggered, this, &fRedact::menuSave);
    connect(Mnu[3], &QAction::triggered, this, &fRedact::menuSaveInto);
    connect(Mnu[5], &QAction::triggered, this, &fRedact::menuUndoAll);
    connect(Mnu[6], &QAction::triggered, this, &fRedact::menuChanges);

    mnuParam = named(menuBar()->addMenu(QStringLiteral("Параметры")), QStringLiteral("mnuParam"));
    mUoz[0] = named(mnuParam->addAction(QStringLiteral("УОЗ от температуры ОЖ")),
                    QStringLiteral("mUoz(0)"));
    mUoz[0]->setEnabled(false);
    mUoz[1] = named(mnuParam->addAction(QStringLiteral("УОЗ от оборотов и разряжения")),
                    QStringLiteral("mUoz(1)"));
    mUoz[1]->setCheckable(true);
    mUoz[1]->setChecked(true);
    // The only dependence there is: the item stays ticked.
    connect(mUoz[1], &QAction::toggled, mUoz[1], [this] { mUoz[1]->setChecked(true); });
}

void fRedact::buildRibbonSide(QWidget* central) {
    QFrame* box = pictureFrame(central, 8, 8, RibbonView::kWidth, RibbonView::kHeight);
    Picture3 = new RibbonView(box);
    Picture3->move(2, 2);
    Picture3->rowClicked = [this](int r) { rowClicked(r); };

    // The colour legend, row 15 at the top.
    const int legendX = 8 + RibbonView::kWidth + 14;
    Label1 = named(new QLabel(QStringLiteral("Обороты"), central), QStringLiteral("Label1"));
    Label1->setGeometry(legendX, 8, 70, 16);
    for (int d = 0; d < 16; ++d) {
        const auto i = static_cast<std::size_t>(d);
        Shape2[i] = swatch(central, QStringLiteral("Shape2(%1)").arg(d), rowColour(15 - d));
        Shape2[i]->setFrameShape(QFrame::Box);
        Shape2[i]->setGeometry(legendX, 30 + 21 * d, 16, 13);
        Label2[i] = named(new QLabel(QString::number(legendSpeed(15 - d)), central),
                          QStringLiteral("Label2(%1)").arg(d));
        Label2[i]->setGeometry(legendX + 22, 28 + 21 * d, 44, 16);
    }

    Frame2 = named(new QGroupBox(QStringLiteral("Настройка графика"), central),
                   QStringLiteral("Frame2"));
    Frame2->setGeometry(kRightX, 8, 215, 190);
    for (int i = 0; i < 4; ++i) {
        const SliderRange& range = kSliderRanges[i];
        auto* s = namedAccessible(new QSlider(i == 0 ? Qt::Vertical : Qt::Horizontal, Frame2),
                                  QStringLiteral("Slider1(%1)").arg(i));
        s->setRange(range.min, range.max);
        s->setValue(range.initial);
        if (i == 0)
            s->setGeometry(12, 26, 22, 150);
        else
            s->setGeometry(46, 22 + 32 * (i - 1), 156, 24);
        connect(s, &QSlider::valueChanged, this, [this] { redrawRibbons(); });
        Slider1[static_cast<std::size_t>(i)] = s;
    }
    Check1 = named(new QCheckBox(QStringLiteral("Рамка"), Frame2), QStringLiteral("Check1"));
    Check1->setGeometry(46, 122, 160, 22);
    Check3 = named(new QCheckBox(QStringLiteral("Совместить таблицы"), Frame2),
                   QStringLiteral("Check3"));
    Check3->setGeometry(46, 150, 165, 22);
    connect(Check1, &QCheckBox::toggled, this, &fRedact::frameToggled);
    connect(Check3, &QCheckBox::toggled, this, &fRedact::overlayToggled);

    Frame1 = named(new QGroupBox(QStringLiteral("Выбор таблицы зависимости"), central),
                   QStringLiteral("Frame1"));
    Frame1->setGeometry(kRightX, 206, 215, 130);
    for (int t = 0; t < kTables; ++t) {
        auto* o =
            named(new QRadioButton(tableCaption(t), Frame1), QStringLiteral("Option1(%1)").arg(t));
        o->setGeometry(12, 24 + 25 * t, 195, 22);
        connect(o, &QRadioButton::clicked, this, [this, t] { selectTable(t); });
        Option1[static_cast<std::size_t>(t)] = o;
    }
    Check2 = named(new QCheckBox(QStringLiteral("ЗМЗ 4063"), central), QStringLiteral("Check2"));
    Check2->setGeometry(kRightX + 12, 344, 190, 22);
}

void fRedact::buildRowSide(QWidget* central) {
    QFrame* box = pictureFrame(central, 8, kEditorY, kEditorWidth, kEditorHeight);
    Picture1 = new RowEditor(box);
    Picture1->move(2, 2);
    Picture1->grabbed = [this](int k) {
        Label7->setText(k < 0 ? QStringLiteral("Не выбран") : QString::number(airFlow(k)));
    };
    Picture1->dragged = [this](int k, int value) {
        document.edit(cellOffset(table_, k, row_), static_cast<std::uint8_t>(value));
    };
    Picture1->released = [this] { redrawRibbons(); };

    // Air-flow figures under the markers, alternating in two lines.
    std::array<std::vector<std::pair<int, int>>, 2> figures;
    for (int k = 0; k < kColumns; ++k)
        figures[static_cast<std::size_t>(k % 2)].push_back(
            {markerLeft(k) + kMarkerSize / 2, airFlow(k)});
    for (int i = 0; i < 2; ++i) {
        auto* l = named(new AxisFigures(figures[static_cast<std::size_t>(i)], central),
                        QStringLiteral("Label4(%1)").arg(i));
        l->setGeometry(10, kEditorY + kEditorHeight + 6 + 15 * i, kEditorWidth, 15);
        Label4[static_cast<std::size_t>(i)] = l;
    }
    Label6 = named(new QLabel(QStringLiteral("Расход воздуха мг/такт"), central),
                   QStringLiteral("Label6"));
    Label6->setGeometry(10, kEditorY + kEditorHeight + 40, kEditorWidth, 16);
    Label6->setAlignment(Qt::AlignCenter);

    // The selected row and the grabbed column.
    const int x = kRightX + 12;
    Shape3 = swatch(central, QStringLiteral("Shape3"), rowColour(0));
    Shape3->setGeometry(x, kEditorY + 12, 22, 14);
    Label5 = named(new QLabel(QString::number(engineSpeed(0)), central), QStringLiteral("Label5"));
    Label5->setGeometry(x + 30, kEditorY + 11, 80, 16);
    Label7 = named(new QLabel(central), QStringLiteral("Label7"));
    Label7->setGeometry(x, kEditorY + 40, 150, 16);
}

} // namespace editor
