#pragma once
// The simulator's control panel: the car's engine and throttle, injection or
// carburettor, stored faults, line faults, and the last requests seen. For
// demonstrations, training, and trying out the tool set without a car.
#include "Simulator.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace sim {

class ControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(std::shared_ptr<Simulator> simulator, QWidget* parent = nullptr);
    void setDevicePath(const QString& path);

    // Controls, named for tests.
    QPushButton* startButton;
    QPushButton* stopButton;
    QSlider* throttle;
    QComboBox* fuelling;
    QSpinBox* faultCode;
    QCheckBox* faultPresent;
    QPushButton* addFault;
    QPushButton* clearFaults;
    QComboBox* lineFault;
    QLabel* state;
    QLabel* device;
    QPlainTextEdit* requests;

signals:
    void lineFaultChanged(sim::LineFault fault);

private:
    void refresh();

    std::shared_ptr<Simulator> sim_;
    QTimer* timer_;
};

} // namespace sim
