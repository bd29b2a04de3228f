#pragma once
// The settings window: COM port and the device each port stands for, the
// adapter's DTR and RTS options, sound, autostart and the report log. The
// serial port is closed while it is open and reopened when it closes.
#include <QDialog>
#include <QMap>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

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
    // The device of each port: the serial devices present, or one typed.
    QLabel* Label1;
    std::array<QComboBox*, 5> Combo1{}; // 1..4
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
    // Where other folders add their frames, under "Дополнительно".
    QVBoxLayout* moreFrames;

  private:
    void load();
    void cancel();
    void accept() override;
    void reject() override;
    int selectedPort() const;
    QString deviceShown(int n) const;
    // A device typed or picked for port n: the port's option follows a probe of it.
    void deviceChanged(int n);

    Program& p_;
    QMap<int, QString> runDevices_;    // the port map's own devices at opening
    std::array<QString, 5> atOpening_; // each port's device at opening
    std::array<QString, 5> probed_;    // each port's device last probed
};

} // namespace kvintor
