#pragma once
// The simulator's control panel: the car's engine (start, stop, throttle,
// injection or carburettor, temperatures, a weak cylinder, the
// carburettor's mixture screw) and what its outputs show, the stored
// faults, the ECU's error paths (refused writes, a silent command, a chosen
// answer for a variable, text or table, a reset of its state), line faults,
// and the last requests seen. For demonstrations, training, and trying out
// the tool set without a car.
#include "Simulator.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
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
    // Shows a line fault set elsewhere (standard input) without acting on it.
    void showLineFault(LineFault fault);
    // Brings the readings up to date (also every 250 ms by itself).
    void refresh();

    // Controls, named for tests (objectName as the member's name).
    // The engine.
    QPushButton* startButton;
    QPushButton* stopButton;
    QSlider* throttle;
    QComboBox* fuelling;
    QSpinBox* coolant;
    QPushButton* setCoolant;
    QSpinBox* airTemp;
    QPushButton* setAirTemp;
    QComboBox* weakCylinder; // 0 none, 1..4
    QSpinBox* weakShare;     // percent of the cylinder's work
    QSlider* mixtureScrew;   // 0 rich .. 100 lean
    QLabel* state;
    QLabel* outputs;
    // Faults.
    QSpinBox* faultCode;
    QCheckBox* faultPresent;
    QPushButton* addFault;
    QPushButton* endFault;
    QPushButton* clearFaults;
    QLabel* faultList;
    // The ECU's answers.
    QCheckBox* refuseWrites;
    QSpinBox* refuseStatus;
    QSpinBox* silenceCommand;
    QPushButton* silence;
    QPushButton* unsilenceAll;
    QLabel* silenced;
    QSpinBox* variableNumber;
    QSpinBox* variableValue;
    QPushButton* setVariable;
    QPushButton* releaseVariable;
    QSpinBox* textNumber;
    QLineEdit* textValue;
    QPushButton* setText;
    QSpinBox* tableNumber;
    QSpinBox* tableFill;
    QPushButton* fillTable;
    QPushButton* resetEcu;
    // The line.
    QComboBox* lineFault;
    QLabel* device;
    QPlainTextEdit* requests;

  signals:
    void lineFaultChanged(sim::LineFault fault);

  private:
    QWidget* buildEngine();
    QWidget* buildFaults();
    QWidget* buildAnswers();
    QWidget* buildLine();
    void connectEngine();
    void connectEcu();
    void refreshRequests();

    std::shared_ptr<Simulator> sim_;
    QTimer* timer_;
    QLabel* throttleValue_;
    QLabel* screwValue_;
};

} // namespace sim
