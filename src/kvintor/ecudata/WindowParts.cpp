#include "WindowParts.h"

#include "common/ActivationWatch.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

namespace kvintor::ecudata {

MarkedList::MarkedList(const QString& name, QWidget* parent) : QTreeWidget(parent) {
    setObjectName(name);
    setAccessibleName(name);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { markRow(item); });
    // New rows repaint the whole list: the mark goes with the old ones.
    QAbstractItemModel* m = model();
    connect(m, &QAbstractItemModel::modelReset, this, &MarkedList::clearMark);
    connect(m, &QAbstractItemModel::rowsInserted, this, &MarkedList::clearMark);
    connect(m, &QAbstractItemModel::rowsRemoved, this, &MarkedList::clearMark);
    connect(m, &QAbstractItemModel::layoutChanged, this, &MarkedList::clearMark);
}

MarkedList::~MarkedList() {
    // The model goes with the list's children, after this part of the list:
    // its last signals must not reach a list half taken down.
    disconnect(model(), nullptr, this, nullptr);
}

void MarkedList::markRow(QTreeWidgetItem* item) {
    // The list is repainted first, then the lines drawn over it.
    clearMark();
    if (!item) return;
    const QRect row = visualItemRect(item);
    if (!row.isValid()) return;
    markTop_ = row.top();
    markBottom_ = row.bottom();
    viewport()->update();
}

void MarkedList::repaintList() {
    clearMark();
    viewport()->update();
}

void MarkedList::clearMark() {
    if (markTop_ < 0) return;
    markTop_ = markBottom_ = -1;
    viewport()->update();
}

void MarkedList::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (markTop_ < 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::WindowText));
    const int right = viewport()->width() - kMarkInset;
    painter.drawLine(kMarkInset, markTop_, right, markTop_);
    painter.drawLine(kMarkInset, markBottom_, right, markBottom_);
}

void MarkedList::scrollContentsBy(int dx, int dy) {
    clearMark();
    QTreeWidget::scrollContentsBy(dx, dy);
}

void MarkedList::resizeEvent(QResizeEvent* event) {
    clearMark();
    QTreeWidget::resizeEvent(event);
}

BusyPointer::BusyPointer(QWidget* window, Qt::CursorShape shape) : window_(window) {
    window_->setCursor(shape);
}

BusyPointer::~BusyPointer() {
    window_->unsetCursor();
}

ActivatedDialog::ActivatedDialog(QWidget* owner) : QDialog(owner) {
    common::ActivationWatch::instance();
}

void ActivatedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activeSinceShow_ = false;
    QTimer::singleShot(0, this, [this] {
        if (!activeSinceShow_ && isVisible()) {
            activeSinceShow_ = true;
            activated();
        }
    });
}

void ActivatedDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        !common::ActivationWatch::instance().takeReturnFromMessageBox()) {
        activeSinceShow_ = true;
        activated();
    }
}

void takeOwnersIcon(QWidget* window, QWidget* owner) {
    if (owner) window->setWindowIcon(owner->windowIcon());
}

} // namespace kvintor::ecudata
