#pragma once
// The settings window: COM port, the adapter's DTR and RTS options, sound,
// autostart and the report log. The serial port is closed while it is open
// and reopened when it closes.
#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace kvintor {

class Program;

class fNastr : public QDialog {
    Q_OBJECT
public:
    fNastr(Program& program, QWidget* owner);
    // After the window has closed: reopens the port with the chosen settings.
    void finish();

    QGroupBox* Frame1;
    std::array<QRadioButton*, 5> Option1{}; // 1..4
    QCheckBox* Check1;
    QCheckBox* Check2;
    QGroupBox* Frame2;
    QRadioButton* Option5;
    QRadioButton* Option6;
    QRadioButton* Option7;
    QRadioButton* Option8;
    QGroupBox* Frame3;
    QCheckBox* Check3;
    QCheckBox* Check4;
    QCheckBox* Check5;
    QPushButton* Command1;
    QPushButton* Command2;

private:
    void load();
    void cancel();
    void accept() override;
    int selectedPort() const;

    Program& p_;
};

} // namespace kvintor
