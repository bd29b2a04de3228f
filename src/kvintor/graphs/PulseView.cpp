#include "PulseView.h"

#include <QPainter>

namespace kvintor {

PulseView::PulseView(const QString& name, const QSize& size, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setAccessibleName(name);
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PulseView::place(int x) {
    placePulse(outline, x);
    update();
}

void PulseView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kPulseBackground);
    drawPulseGrid(p, width(), height());
    drawPulseOutline(p, outline);
}

} // namespace kvintor
