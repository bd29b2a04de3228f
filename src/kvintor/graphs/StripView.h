#pragma once
// A strip of the graph window on screen: shows its painter's persistent
// image, carries the cursor line and reports the mouse.
#include "StripPainter.h"

#include <QWidget>

namespace kvintor {

class StripView : public QWidget {
    Q_OBJECT
  public:
    StripView(int index, QWidget* parent);

    StripPainter painter;
    // The cursor line Line1(k): x in the strip's pixels, from y 0 to the
    // strip's height.
    QWidget* cursorLine;
    int cursorX() const { return cursorX_; }
    void setCursorX(int x);
    void setCursorColour(const QColor& colour);
    // Fits the cursor line to the strip's height (after a layout).
    void fitCursorLine();
    // Whether the steps of the scroll can be shown by moving the strip's
    // copy on screen in place: the strip is shown, nothing covers it and
    // its window keeps a copy (what it shows must be the image, nothing
    // waiting to be repainted).
    bool canMoveShown() const;
    // Moves the copy on screen one pixel to the right where `moved` says
    // the image changed in its last step; answers the window's region to
    // show, empty where the platform cannot move it (repaint it then).
    QRegion moveShown(const QRegion& moved);

  signals:
    // A press with any button (global position for the pop-up menu).
    void pressed(int x, Qt::MouseButton button, const QPoint& global);
    // A move with the left button held.
    void dragged(int x);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    int cursorX_ = 0;
};

} // namespace kvintor
