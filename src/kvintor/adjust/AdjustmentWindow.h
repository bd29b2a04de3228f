#pragma once
// The shared adjustment window: one or two sliders that take over ECU
// set-points while the engine runs. On activation it reads what the ECU
// holds; letting go of a slider (left button, arrow key) puts the value in
// force; the right button or Backspace gives the set-point back to the ECU;
// closing gives back the channels the table says. All windows differ only
// by their table entry (Channels.h).
#include "Channels.h"

#include <QIcon>
#include <QSlider>
#include <QWidget>
#include <array>

class QLabel;

namespace kvintor {

class InitTest;
class Program;

// A slider that tells when it is let go of: by the left or the right mouse
// button, or by a key (after it has moved for the key itself).
class SetPointSlider : public QSlider {
    Q_OBJECT
  public:
    explicit SetPointSlider(QWidget* parent);

  signals:
    void letGo(Qt::MouseButton button);
    void keyLetGo(int key);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

class AdjustmentWindow : public QWidget {
    Q_OBJECT
  public:
    AdjustmentWindow(Program& program, InitTest& main, const adjust::WindowEntry& entry);
    ~AdjustmentWindow() override;

    // ---- controls, under their names (index 1 only in two-slider windows) ----
    std::array<SetPointSlider*, 2> Slider1{};
    std::array<QLabel*, 2> Label1{};
    QLabel* Label2 = nullptr; // title of Slider1(0) in the two-slider windows
    QLabel* Label3 = nullptr; // title of Slider1(1)

    const adjust::WindowEntry& entry() const { return entry_; }
    int channels() const { return static_cast<int>(entry_.channels.size()); }
    bool isClosing() const { return closing_; }

    // ---- operations ----
    void ReadCurrentValue();
    void ShowSliderValue(int i);
    void ApplySliderValue(int i);
    void ReleaseOverride(int i);

    // The place the window takes when it opens: the stored one, or the
    // default beside the main window.
    QPoint startPosition() const;

  signals:
    // A set-point is in force: what the window adjusts, the variable
    // written, the value as the label shows it.
    void applied(const QString& what, int variable, const QString& shown);

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildControls();
    void setSliderQuietly(int i, int value);
    void keyLetGo(int i, int key);
    void storePosition();

    Program& p_;
    InitTest& main_;
    const adjust::WindowEntry& entry_;
    bool closing_ = false; // set when closing starts; a closed window stays so
    bool reading_ = false;
    bool readSinceShown_ = false;
    bool shownOnce_ = false;
};

// The window's icon, shared by all nine.
QIcon adjustmentIcon();

} // namespace kvintor
