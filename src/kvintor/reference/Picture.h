#pragma once
// A picture control: one of the program's drawings, scaled into the
// control with its proportions kept and centred.
#include <QWidget>

class QSvgRenderer;

namespace kvintor {

class Picture : public QWidget {
    Q_OBJECT
  public:
    // The control takes its name as objectName and accessible name (a
    // picture has no text of its own).
    Picture(const QString& name, const QString& resource, QWidget* parent);
    ~Picture() override;

    QString resource() const { return resource_; }
    // Whether the drawing could be read.
    bool isValid() const;
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString resource_;
    QSvgRenderer* renderer_;
};

} // namespace kvintor
