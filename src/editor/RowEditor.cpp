#include "RowEditor.h"

#include "FirmwareImage.h"
#include "RibbonView.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace editor {

namespace {
constexpr int kLabelWidth = 22;
constexpr int kLabelHeight = 13;
int centreX(int k) {
    return markerLeft(k) + kMarkerSize / 2;
}
} // namespace

RowEditor::RowEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1"));
    setAccessibleName(QStringLiteral("Picture1"));
    setFixedSize(kEditorWidth, kEditorHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, RibbonView::background());
    setPalette(pal);
    QFont small = font();
    small.setPixelSize(9);
    for (int k = 0; k < kColumns; ++k) {
        const auto i = static_cast<std::size_t>(k);
        Shape1[i] = new QFrame(this);
        Shape1[i]->setObjectName(QStringLiteral("Shape1(%1)").arg(k));
        Shape1[i]->setAccessibleName(Shape1[i]->objectName());
        Shape1[i]->setAutoFillBackground(true);
        Shape1[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        Shape1[i]->setGeometry(markerLeft(k), markerTop(0), kMarkerSize, kMarkerSize);
        Shape1[i]->hide();
        Label3[i] = new QLabel(this);
        Label3[i]->setObjectName(QStringLiteral("Label3(%1)").arg(k));
        Label3[i]->setAlignment(Qt::AlignCenter);
        Label3[i]->setFont(small);
        Label3[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        Label3[i]->hide();
    }
    for (int k = 1; k <= kColumns; ++k) {
        const int from = centreX(k - 1);
        const int to = k < kColumns ? centreX(k) : from + 22;
        Line1[static_cast<std::size_t>(k)].line =
            QLine(from, segmentY(markerTop(0)), to, segmentY(markerTop(0)));
    }
}

int RowEditor::markerTopOf(int k) const {
    return Shape1[static_cast<std::size_t>(k)]->y();
}

void RowEditor::placeMarker(int k, int top) {
    Shape1[static_cast<std::size_t>(k)]->move(markerLeft(k), top);
    // The segments on both sides end at the marker's centre.
    if (k > 0) Line1[static_cast<std::size_t>(k)].line.setP2(QPoint(centreX(k), segmentY(top)));
    Line1[static_cast<std::size_t>(k + 1)].line.setP1(QPoint(centreX(k), segmentY(top)));
}

void RowEditor::placeLabel(int k, int top, int value) {
    QLabel* l = Label3[static_cast<std::size_t>(k)];
    l->setText(degreesText(value));
    l->setGeometry(centreX(k) - kLabelWidth / 2, valueLabelTop(top), kLabelWidth, kLabelHeight);
}

void RowEditor::showRow(const std::array<int, kColumns>& values, const QColor& colour) {
    for (int k = 0; k < kColumns; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const int top = markerTop(values[i]);
        QPalette pal = Shape1[i]->palette();
        pal.setColor(QPalette::Window, colour);
        Shape1[i]->setPalette(pal);
        placeMarker(k, top);
        Shape1[i]->show();
        placeLabel(k, top, values[i]);
        Label3[i]->show();
        Line1[i + 1].visible = true;
    }
    Line1[kColumns].visible = false;
    update();
}

void RowEditor::pressAt(const QPoint& p) {
    const int k = columnAt(p.x());
    if (k >= 0 && !Shape1[static_cast<std::size_t>(k)]->isHidden()) {
        grabbed_ = k;
        grabOffset_ = p.y() - markerTopOf(k);
    } else {
        // Nothing grabbed: no drag follows.
        grabbed_ = kColumns - 1;
        grabOffset_ = -1;
        if (grabbed) grabbed(-1);
        return;
    }
    if (grabbed) grabbed(k);
}

void RowEditor::dragTo(const QPoint& p) {
    const int t = p.y() - grabOffset_;
    if (!dragAccepted(t, grabOffset_, height())) return;
    placeMarker(grabbed_, t);
    placeLabel(grabbed_, t, valueAtTop(t));
    update();
    if (dragged) dragged(grabbed_, valueAtTop(t));
}

void RowEditor::releaseAt(Qt::MouseButton button) {
    if (button == Qt::LeftButton && released) released();
}

void RowEditor::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintRowBackground(p);
    p.setPen(QPen(Qt::black, 1));
    for (int k = 1; k <= kColumns; ++k) {
        const Segment& s = Line1[static_cast<std::size_t>(k)];
        if (s.visible) p.drawLine(s.line);
    }
}

void RowEditor::mousePressEvent(QMouseEvent* event) {
    pressAt(event->position().toPoint());
}

void RowEditor::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) dragTo(event->position().toPoint());
}

void RowEditor::mouseReleaseEvent(QMouseEvent* event) {
    releaseAt(event->button());
}

} // namespace editor
