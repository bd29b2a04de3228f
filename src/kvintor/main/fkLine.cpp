#include "fkLine.h"

#include <QKeyEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace kvintor {

const char* const kAdapterDiagram = ":/kvintor/adapter.svg";

bool paintAdapterDiagram(QPainter& painter, const QSize& size) {
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QSvgRenderer picture{QString::fromLatin1(kAdapterDiagram)};
    if (!picture.isValid()) return false;
    QSizeF shown = picture.defaultSize();
    shown.scale(size, Qt::KeepAspectRatio);
    const QPointF corner((size.width() - shown.width()) / 2, (size.height() - shown.height()) / 2);
    picture.render(&painter, QRectF(corner, shown));
    return true;
}

fkLine::fkLine(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("fkLine"));
    setWindowTitle(QStringLiteral("Принципиальная схема адаптера  K-Line"));
    setAccessibleName(QStringLiteral("Принципиальная схема адаптера  K-Line"));
    if (owner) setWindowIcon(owner->windowIcon());
    resize(880, 560);
}

void fkLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintAdapterDiagram(painter, size());
}

void fkLine::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kvintor
