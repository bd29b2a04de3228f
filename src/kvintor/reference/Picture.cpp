#include "Picture.h"

#include <QPainter>
#include <QSvgRenderer>

namespace kvintor {

Picture::Picture(const QString& name, const QString& resource, QWidget* parent)
    : QWidget(parent), resource_(resource), renderer_(new QSvgRenderer(resource, this)) {
    setObjectName(name);
    setAccessibleName(name);
}

Picture::~Picture() = default;

bool Picture::isValid() const {
    return renderer_->isValid();
}

QSize Picture::sizeHint() const {
    return renderer_->isValid() ? renderer_->defaultSize() : QSize(32, 32);
}

void Picture::paintEvent(QPaintEvent*) {
    if (!renderer_->isValid()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QSizeF shown = renderer_->defaultSize();
    shown.scale(size(), Qt::KeepAspectRatio);
    const QPointF corner((width() - shown.width()) / 2, (height() - shown.height()) / 2);
    renderer_->render(&painter, QRectF(corner, shown));
}

} // namespace kvintor
