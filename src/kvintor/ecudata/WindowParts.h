#pragma once
// Parts the ECU data windows share: the list whose clicked row is marked
// with two lines, and the busy pointer that every way out of a handler
// gives back.
#include <QDialog>
#include <QTreeWidget>
#include <Qt>

namespace kvintor::ecudata {

// A report list (no tree lines, whole rows). A click on a row marks it with
// two lines across the list, 10 pixels in from either side, at the row's
// top and bottom edges. The mark lasts until the list is repainted as a
// whole: its rows change, it scrolls or resizes, or repaintList() is called.
class MarkedList : public QTreeWidget {
    Q_OBJECT
  public:
    // The name is the list's object name and, as it has no text of its
    // own, its accessible name.
    MarkedList(const QString& name, QWidget* parent);
    ~MarkedList() override;

    void markRow(QTreeWidgetItem* item);
    void repaintList();
    // The marking lines' y in the list's viewport; none when unmarked.
    bool marked() const { return markTop_ >= 0; }
    int markTop() const { return markTop_; }
    int markBottom() const { return markBottom_; }
    static constexpr int kMarkInset = 10;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void clearMark();
    int markTop_ = -1;
    int markBottom_ = -1;
};

// Shows a busy pointer over a window for as long as it lives.
class BusyPointer {
  public:
    BusyPointer(QWidget* window, Qt::CursorShape shape);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    QWidget* window_;
};

// A modal window that starts its work when it becomes active: on a switch
// from another window, or on being shown where no window manager hands it
// the activation. A message box of its own closing is no activation.
class ActivatedDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ActivatedDialog(QWidget* owner);
    virtual void activated() = 0;

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool activeSinceShow_ = false;
};

// Gives a window the owner's icon, as every window of the program has.
void takeOwnersIcon(QWidget* window, QWidget* owner);

} // namespace kvintor::ecudata
