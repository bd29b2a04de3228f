#pragma once
// "Схема адаптера": the circuit of a K-line adapter for a PC serial port,
// a schematic of our own drawing kept as a picture in the program.
#include <QDialog>

class QPainter;

namespace kvintor {

// The schematic's resource path.
extern const char* const kAdapterDiagram;

// Draws the circuit into a rectangle of the given size, its proportions
// kept, on white (no window needed). False when the picture is missing.
bool paintAdapterDiagram(QPainter& painter, const QSize& size);

class fkLine : public QDialog {
    Q_OBJECT
public:
    explicit fkLine(QWidget* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace kvintor
