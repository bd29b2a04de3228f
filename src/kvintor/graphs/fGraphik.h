#pragma once
// The graph window "Графический тест": seven strip charts of one of two
// channel sets, acquired by Timer1 and scrolled right as samples come, with
// marks, two colour schemes, a cursor read-out of the recorded history while
// "Стоп" freezes the picture, and a help note (Timer2).
#include "GraphChannels.h"
#include "GraphHistory.h"
#include "StripView.h"

#include <QMainWindow>
#include <array>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace kvintor {

class Program;

class fGraphik : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 1;
    // After a failed exchange the acquisition ticks no faster than this.
    static constexpr int kFailedTickMs = 15;
    static constexpr int kHelpMs = 5000;

    fGraphik(Program& program, QWidget* mainWindow);
    ~fGraphik() override;

    // ---- controls, under their names ----
    std::array<StripView*, 7> Picture1{};
    std::array<QLabel*, 7> Label1{}; // values
    std::array<QLabel*, 7> Label2{}; // short names
    QLabel* Picture2 = nullptr;      // the help note
    QTimer* Timer1 = nullptr;        // acquisition
    QTimer* Timer2 = nullptr;        // hides the help note
    QMenu* Graf = nullptr;           // the strips' pop-up menu "График"
    QAction* Metki = nullptr;
    QAction* Stst = nullptr;
    QAction* Plavno = nullptr;
    QAction* SaveCsv = nullptr; // "Сохранить в CSV": the recorded history as a table
    QMenu* n = nullptr;
    std::array<QAction*, 2> nb{};
    QMenu* O = nullptr;
    std::array<QAction*, 2> Oform{};
    QAction* h = nullptr;

    // ---- handlers ----
    void selectSet(int i);
    void selectScheme(int i);
    void toggleStop();
    void timer1Tick();
    void timer2Tick();
    void showHelp();
    void hideHelp();
    void cursorAt(int x);
    // "Сохранить в CSV": the history of the current set, oldest sample
    // first, one column per strip headed by its short name and unit.
    void saveCsv();
    // Draws a sample just acquired: 8 one-pixel scroll steps of every
    // strip, each followed by the scroll pause, then a segment in each.
    void drawSample(const std::vector<int>& bytes);
    // The layout of every resize, scheme change and first show.
    void layoutWindow();

    // ---- state ----
    int channelSet() const { return nb[1]->isChecked() ? 1 : 0; }
    int scheme() const { return Oform[1]->isChecked() ? 1 : 0; }
    bool stopped() const { return Stst->isChecked(); }
    int scrollPause() const { return scrollPause_; }
    int stripWidth() const { return W_; }
    int stripHeight() const { return H_; }
    // The recorded samples (raw reply bytes), newest first.
    const GraphHistory& history() const { return history_; }

  signals:
    // The graph's values were saved in this CSV file.
    void csvSaved(const QString& path);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    void applyScheme(int i);
    // Sends the set's request; the reply when it is usable, else nothing.
    bool acquire(int set, std::vector<int>& bytes);
    // The frame, not only the client area, fills the screen's free area.
    void fitFrame();
    // How the steps of "Плавно" reach the screen: by moving the window's
    // copy of the strips in place, by showing that copy shifted (X11), or
    // by repainting what moved (a strip covered, or no copy to move).
    enum class StepShow { InPlace, Shifted, Repaint };
    StepShow stepShow();
    // Step `step` (1 .. 8) of every strip shown from the window's copy as
    // it stood before the steps; `moved` is what the eight steps move.
    void showShiftedStep(int step, const std::array<QRegion, kStrips>& moved);
    // One one-pixel step of every strip, shown at once, in place or by
    // repainting what moved.
    void showScrollStep(StepShow how);

    Program& p_;
    QWidget* main_ = nullptr;
    QWidget* area_ = nullptr;
    GraphHistory history_;
    int scrollPause_ = 1;
    int W_ = 0;
    int H_ = 0;
    int stripHeightPx_ = 0; // before the next layout (the titles' font size)
    bool laidOut_ = false;
    bool closed_ = false;
    QRect fitArea_;
    QSize fittedFrame_{0, 0};
};

} // namespace kvintor
