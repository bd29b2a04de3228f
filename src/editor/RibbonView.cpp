#include "RibbonView.h"

#include <QMouseEvent>
#include <QPainter>

namespace editor {

RibbonView::RibbonView(QWidget* parent)
    : QWidget(parent), canvas_(kWidth, kHeight, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("Picture3"));
    setAccessibleName(QStringLiteral("Picture3"));
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    canvas_.fill(background());
    QPainter p(&canvas_);
    paintRibbons(p, ribbons_, false, canvas_.size());
}

void RibbonView::redraw(const Block& block, int table, const RibbonShape& shape, bool framed,
                        bool overlay) {
    block_ = &block;
    table_ = table;
    shape_ = shape;
    ribbons_ = makeRibbons(block, table, shape, kHeight);
    if (!overlay) canvas_.fill(background());
    QPainter p(&canvas_);
    paintRibbons(p, ribbons_, framed, canvas_.size());
    update();
}

void RibbonView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
}

void RibbonView::hoverAt(const QPoint& pos) {
    if (!block_) {
        setToolTip(QStringLiteral(" График "));
        return;
    }
    if (const auto text = hoverText(ribbons_, *block_, table_, shape_, pos)) setToolTip(*text);
}

void RibbonView::clickAt(const QPoint& pos, Qt::MouseButton button) {
    if (button == Qt::RightButton) return;
    const int r = ribbons_.rowAt(pos);
    if (r >= 0 && rowClicked) rowClicked(r);
}

void RibbonView::mouseMoveEvent(QMouseEvent* event) {
    hoverAt(event->position().toPoint());
}

void RibbonView::mousePressEvent(QMouseEvent* event) {
    clickAt(event->position().toPoint(), event->button());
}

} // namespace editor
