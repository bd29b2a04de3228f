#pragma once
// "Загрузка таблиц из ЭБУ   Микас 7.ХХ": holds the serial port while it is
// open, probes the link until the ECU answers (requests 1 and 81), then reads
// the four tables of the block with command 37 into the working block. At
// most four downloads per opening; the fifth time the window gives up.
#include "FermelLink.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QRadioButton;
class QTimer;

namespace editor {

struct FermelSeams;
class ImageDocument;

class fHten : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kAttempts = 5;
    // A tick whose exchanges fail at once still waits this long for the next.
    static constexpr int kMinTickMs = 15;
    static QColor idleColour() { return QColor(224, 224, 224); }

    // downloaded: the tables are in; the main window updates its menus and view.
    fHten(FermelSeams& seams, ImageDocument& document, std::function<void()> downloaded,
          QWidget* owner);
    ~fHten() override;

    QLabel* Label1;
    std::array<QRadioButton*, 3> Option1{}; // COM1 and COM2 at 1 and 2
    QTimer* Timer1;

    // Handlers.
    void activate();       // the window opens
    void setUpPort(int n); // a port option, or the stored one at opening
    void timer1Tick();
    // True when a failure is reported (the probe then starts again).
    bool tableDownload();

    int attempts() const { return attempts_; }
    FermelLink& link() { return link_; }
    bool finished() const { return finished_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int r) override;

  private:
    void blink();
    void setStatusColour(const QColor& c);
    void finish();

    FermelSeams& seams_;
    ImageDocument& doc_;
    std::function<void()> downloaded_;
    FermelLink link_;
    int attempts_ = kAttempts;
    bool activated_ = false;
    bool finished_ = false;
};

} // namespace editor
