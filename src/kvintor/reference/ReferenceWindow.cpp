#include "ReferenceWindow.h"

#include "Picture.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kvintor {

namespace {

constexpr int kTextWidth = 360; // the instruction column, pixels
constexpr QSize kPictureSize{340, 250};

QLabel* textLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() + 1);
    label->setFont(f);
    return label;
}

} // namespace

ReferenceWindow::ReferenceWindow(const ReferenceSheet& sheet, const QString& caption,
                                 QWidget* owner)
    : QDialog(owner) {
    setObjectName(QString::fromLatin1(sheet.name));
    setWindowTitle(caption);
    setWindowIcon(owner ? owner->windowIcon() : QApplication::windowIcon());

    column_ = new QVBoxLayout(this);
    column_->setSizeConstraint(QLayout::SetFixedSize);
    column_->setContentsMargins(12, 12, 12, 12);
    column_->setSpacing(10);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setLineWidth(1);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->setContentsMargins(10, 6, 10, 6);
    Label1 = new QLabel(QString::fromUtf8(sheet.heading), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() + 2);
    Label1->setFont(bold);
    frameLayout->addWidget(Label1);
    column_->addWidget(Frame1);

    Image1 = new Picture(QStringLiteral("Image1"), QString::fromLatin1(sheet.picture), this);
    int n = 2;
    for (const char* text : sheet.texts)
        texts.push_back(
            textLabel(QStringLiteral("Label%1").arg(n++), QString::fromUtf8(text), this));

    if (sheet.name == QLatin1String("fZnach")) return; // its own arrangement
    auto* row = new QHBoxLayout;
    row->setSpacing(14);
    Image1->setFixedSize(kPictureSize);
    row->addWidget(Image1, 0, Qt::AlignTop);
    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(8);
    for (QLabel* label : texts) {
        label->setFixedWidth(kTextWidth);
        textColumn->addWidget(label);
    }
    textColumn->addStretch(1);
    row->addLayout(textColumn);
    column_->addLayout(row);
}

void ReferenceWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

fZnach::fZnach(const QString& caption, QWidget* owner)
    : ReferenceWindow(*referenceSheet(QStringLiteral("fZnach")), caption, owner) {
    for (QLabel* label : texts)
        column_->addWidget(label);

    // The grid: "Параметр" and "Ед. измерения" over both header rows, the
    // title over the engine columns, the engine types below it.
    Grid1 = new QTableWidget(kZnachHeaderRows + kZnachParameters, kZnachColumns, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setAccessibleName(QStringLiteral("Grid1"));
    Grid1->horizontalHeader()->hide();
    Grid1->verticalHeader()->hide();
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionMode(QAbstractItemView::NoSelection);
    Grid1->setFocusPolicy(Qt::NoFocus);
    Grid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QBrush headerBrush(palette().color(QPalette::Button));
    QFont headerFont = Grid1->font();
    headerFont.setBold(true);
    auto put = [&](int r, int c, const QString& text, bool header) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        // The parameter names read down the left edge; everything else is centred.
        const bool name = r >= kZnachHeaderRows && c == 0;
        item->setTextAlignment(name ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter)
                                    : Qt::Alignment(Qt::AlignCenter));
        if (header) {
            item->setBackground(headerBrush);
            item->setFont(headerFont);
        }
        Grid1->setItem(r, c, item);
    };
    put(0, 0, QString::fromUtf8(kZnachColumnTitles[0]), true);
    put(0, 1, QString::fromUtf8(kZnachColumnTitles[1]), true);
    put(0, 2, QString::fromUtf8(kZnachEnginesTitle), true);
    Grid1->setSpan(0, 0, 2, 1);
    Grid1->setSpan(0, 1, 2, 1);
    Grid1->setSpan(0, 2, 1, kZnachColumns - 2);
    for (int c = 2; c < kZnachColumns; ++c)
        put(1, c, QString::fromUtf8(kZnachColumnTitles[static_cast<std::size_t>(c)]), true);
    for (int r = 0; r < kZnachParameters; ++r)
        for (int c = 0; c < kZnachColumns; ++c)
            put(kZnachHeaderRows + r, c,
                QString::fromUtf8(
                    kZnachRows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]),
                c == 0);
    Grid1->resizeColumnsToContents();
    for (int c = 0; c < kZnachColumns; ++c)
        Grid1->setColumnWidth(c, std::max(Grid1->columnWidth(c) + 16, c < 2 ? 96 : 92));
    Grid1->resizeRowsToContents();
    int w = 2 * Grid1->frameWidth();
    for (int c = 0; c < kZnachColumns; ++c)
        w += Grid1->columnWidth(c);
    int h = 2 * Grid1->frameWidth();
    for (int r = 0; r < Grid1->rowCount(); ++r)
        h += Grid1->rowHeight(r);
    Grid1->setFixedSize(w, h);
    column_->addWidget(Grid1);
    for (QLabel* label : texts)
        label->setFixedWidth(w);

    auto* row = new QHBoxLayout;
    Label3 = new QLabel(znachGlossary().join(QLatin1Char('\n')), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(Label3, 1);
    Image1->setFixedSize(200, 150);
    row->addWidget(Image1, 0, Qt::AlignBottom | Qt::AlignRight);
    column_->addLayout(row);
}

QString fZnach::cell(int row, int column) const {
    const QTableWidgetItem* item = Grid1->item(row, column);
    return item ? item->text() : QString();
}

} // namespace kvintor
