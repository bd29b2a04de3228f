#pragma once
// Picture3: the ribbon view of the current table on a persistent canvas, so
// that with tables overlaid new ribbons are painted over the old ones. The
// hover text names the cell under the mouse; a click picks a row.
#include "RibbonGeometry.h"

#include <QImage>
#include <QWidget>
#include <functional>

namespace editor {

class RibbonView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 325;
    static constexpr int kHeight = 360;

    explicit RibbonView(QWidget* parent = nullptr);

    // New ribbons of the table; the canvas is cleared first unless overlaid.
    void redraw(const Block& block, int table, const RibbonShape& shape, bool framed, bool overlay);
    const Ribbons& ribbons() const { return ribbons_; }
    const QImage& canvas() const { return canvas_; }
    static QColor background() { return QColor(212, 208, 200); }

    // A click (any button but the right one) on a row's ribbon.
    std::function<void(int row)> rowClicked;

    // What the mouse does, also for tests.
    void hoverAt(const QPoint& p);
    void clickAt(const QPoint& p, Qt::MouseButton button);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage canvas_;
    Ribbons ribbons_;
    const Block* block_ = nullptr;
    int table_ = 0;
    RibbonShape shape_;
};

} // namespace editor
