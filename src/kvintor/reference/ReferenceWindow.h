#pragma once
// The reference windows: a framed heading, the instruction texts and a
// drawing of the component and its test set-up, all fixed; one class for
// all of them, filled from their sheet. The typical values window adds its
// grid and glossary. Read-only: nothing here talks to the ECU.
#include "ReferenceSheets.h"

#include <QDialog>
#include <vector>

class QFrame;
class QLabel;
class QTableWidget;
class QVBoxLayout;

namespace kvintor {

class Picture;

class ReferenceWindow : public QDialog {
    Q_OBJECT
  public:
    // caption: the program title; owner: the main window (its icon is
    // taken over).
    ReferenceWindow(const ReferenceSheet& sheet, const QString& caption, QWidget* owner);

    QFrame* Frame1;             // the frame around the heading
    QLabel* Label1;             // the heading
    std::vector<QLabel*> texts; // Label2, Label3: the instruction texts
    Picture* Image1;            // the drawing

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    QVBoxLayout* column_; // the window's rows, top to bottom
};

// "Типовые параметры": the typical values of the engine types as a grid,
// with a glossary of the parameter names.
class fZnach : public ReferenceWindow {
    Q_OBJECT
  public:
    fZnach(const QString& caption, QWidget* owner);

    QTableWidget* Grid1;
    QLabel* Label3; // the glossary

    // The text of a grid cell as shown (row 0 and 1 are the header rows).
    QString cell(int row, int column) const;
};

} // namespace kvintor
