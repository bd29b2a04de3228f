#pragma once
// "Схема адаптера": the circuit of a K-line adapter for a PC serial port,
// drawn by the program itself.
#include <QDialog>

class QPainter;

namespace kvintor {

// Draws the circuit into a rectangle of the given size (no window needed).
void paintAdapterDiagram(QPainter& painter, const QSize& size);

class fkLine : public QDialog {
    Q_OBJECT
public:
    explicit fkLine(QWidget* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kvintor
