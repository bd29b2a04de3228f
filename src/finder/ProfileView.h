#pragma once
// Picture1 of fTabl: the bar profile, 514 × 256 pixels, with the centre line
// Line1 drawn over it at x = 256. Mouse presses, moves and releases of the
// left button are passed on for dragging the profile.
#include <QImage>
#include <QWidget>

class QFrame;

namespace finder {

class ProfileView : public QWidget {
    Q_OBJECT
  public:
    explicit ProfileView(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    QFrame* line() const { return line_; }

  signals:
    void pressed(QPointF at);
    void moved(QPointF at, bool leftButton);
    void released();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
    QFrame* line_;
};

} // namespace finder
