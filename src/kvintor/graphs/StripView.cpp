#include "StripView.h"

#include <QBackingStore>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

namespace kvintor {

StripView::StripView(int index, QWidget* parent) : QWidget(parent), cursorLine(new QWidget(this)) {
    const QString name = QStringLiteral("Picture1(%1)").arg(index);
    setObjectName(name);
    setAccessibleName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QString line = QStringLiteral("Line1(%1)").arg(index);
    cursorLine->setObjectName(line);
    cursorLine->setAccessibleName(line);
    cursorLine->setAutoFillBackground(true);
    cursorLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    cursorLine->hide();
}

void StripView::setCursorX(int x) {
    cursorX_ = x;
    cursorLine->setGeometry(x, 0, 1, height());
}

void StripView::fitCursorLine() {
    setCursorX(cursorX_);
}

void StripView::setCursorColour(const QColor& colour) {
    QPalette pal = cursorLine->palette();
    pal.setColor(QPalette::Window, colour);
    cursorLine->setPalette(pal);
}

bool StripView::canMoveShown() const {
    const QWidget* top = window();
    return isVisible() && updatesEnabled() && nativeParentWidget() == top && top->backingStore() &&
           top->windowHandle() && top->windowHandle()->isExposed() &&
           visibleRegion() == QRegion(rect());
}

QRegion StripView::moveShown(const QRegion& moved) {
    const QPoint at = mapTo(window(), QPoint(0, 0));
    // The pixels one to the left of those that changed, those the step
    // took, in the window; none from the last column.
    const QRegion source =
        moved.translated(at.x() - 1, at.y()) & QRect(at, QSize(width() - 1, height()));
    if (source.isEmpty() || !window()->backingStore()->scroll(source, 1, 0)) return {};
    return source.translated(1, 0);
}

void StripView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    const QRect shown = r & painter.image().rect();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(shown.topLeft(), painter.image(), shown);
    // Only before the first layout is the image smaller than the strip.
    for (const QRect& rest : QRegion(r).subtracted(shown))
        p.fillRect(rest, painter.background());
}

void StripView::mousePressEvent(QMouseEvent* event) {
    emit pressed(static_cast<int>(event->position().x()), event->button(),
                 event->globalPosition().toPoint());
}

void StripView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) emit dragged(static_cast<int>(event->position().x()));
}

} // namespace kvintor
