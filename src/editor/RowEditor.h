#pragma once
// Picture1: the row editor. Sixteen 5 x 5 markers (Shape1) stand at the
// values of the selected row, joined by segments (Line1) and labelled in
// degrees (Label3). A marker is grabbed with any button and dragged with the
// left one; each step of the drag reports the new value.
#include "RowGeometry.h"

#include <QLine>
#include <QWidget>
#include <array>
#include <functional>

class QFrame;
class QLabel;

namespace editor {

class RowEditor : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kColumns = 16;

    explicit RowEditor(QWidget* parent = nullptr);

    // A drawn line of the editor; Line1(1) .. Line1(16) (index 0 unused).
    struct Segment {
        QLine line;
        bool visible = false;
    };

    std::array<QFrame*, kColumns> Shape1{};
    std::array<QLabel*, kColumns> Label3{};
    std::array<Segment, kColumns + 1> Line1{};

    // Shows a row: the values of its sixteen cells in the row's colour.
    void showRow(const std::array<int, kColumns>& values, const QColor& colour);

    int grabbedColumn() const { return grabbed_; }
    int grabOffset() const { return grabOffset_; }
    int markerTopOf(int k) const;

    // Column grabbed (-1: none, "Не выбран"), value dragged, left button released.
    std::function<void(int k)> grabbed;
    std::function<void(int k, int value)> dragged;
    std::function<void()> released;

    // What the mouse does, also for tests.
    void pressAt(const QPoint& p);
    void dragTo(const QPoint& p);
    void releaseAt(Qt::MouseButton button);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void placeMarker(int k, int top);
    void placeLabel(int k, int top, int value);

    int grabbed_ = kColumns - 1;
    int grabOffset_ = -1;
};

} // namespace editor
