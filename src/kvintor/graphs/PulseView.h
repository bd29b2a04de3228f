#pragma once
// A pulse picture of the oscilloscope on screen: the light cyan grid and the
// green pulse outline on black.
#include "PulseGeometry.h"

#include <QWidget>

namespace kvintor {

class PulseView : public QWidget {
    Q_OBJECT
  public:
    PulseView(const QString& name, const QSize& size, QWidget* parent);

    PulseOutline outline = designOutline();
    void place(int x);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kvintor
