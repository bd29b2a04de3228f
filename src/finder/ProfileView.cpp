#include "ProfileView.h"

#include "ImageModel.h"
#include "Profile.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>

namespace finder {

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kColumns, kRows);
    picture_ = QImage(kColumns, kRows, QImage::Format_RGB32);
    picture_.fill(profileBackground(false));
    // Moves without a pressed button change the pointer back to normal.
    setMouseTracking(true);

    line_ = new QFrame(this);
    line_->setObjectName(QStringLiteral("Line1"));
    line_->setAccessibleName(QStringLiteral("Line1"));
    line_->setGeometry(kCentreColumn, 0, 1, kRows);
    line_->setAutoFillBackground(true);
    QPalette red = line_->palette();
    red.setColor(QPalette::Window, QColor(255, 0, 0));
    line_->setPalette(red);
    line_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ProfileView::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void ProfileView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

void ProfileView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit pressed(event->position());
}

void ProfileView::mouseMoveEvent(QMouseEvent* event) {
    emit moved(event->position(), event->buttons().testFlag(Qt::LeftButton));
}

void ProfileView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit released();
}

} // namespace finder
