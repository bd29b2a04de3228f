#pragma once
// Fermel's main window: the menus "Файл" and "Параметры", the ribbon view
// of the current table (Picture3) with its four sliders and check boxes and
// colour legend, the row editor (Picture1) of the selected row, the table
// choice and the engine type.
#include "Fermel.h"
#include "ImageDocument.h"
#include "RibbonGeometry.h"

#include <QLabel>
#include <QMainWindow>
#include <array>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QMenu;
class QRadioButton;
class QSlider;

namespace editor {

class RibbonView;
class RowEditor;

// Figures of an axis drawn at given x positions; its text is the figures.
class AxisFigures : public QLabel {
    Q_OBJECT
  public:
    AxisFigures(std::vector<std::pair<int, int>> figures, QWidget* parent); // (x centre, value)

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<std::pair<int, int>> figures_;
};

class fRedact : public QMainWindow {
    Q_OBJECT
  public:
    explicit fRedact(FermelSeams& seams);
    ~fRedact() override;

    // ---- controls, under their names ----
    QMenu* mnuFile;
    std::array<QAction*, 7> Mnu{};
    QMenu* mnuParam;
    std::array<QAction*, 2> mUoz{};
    RibbonView* Picture3;
    RowEditor* Picture1;
    QGroupBox* Frame2; // "Настройка графика"
    std::array<QSlider*, 4> Slider1{};
    QCheckBox* Check1; // "Рамка"
    QCheckBox* Check3; // "Совместить таблицы"
    QLabel* Label1;    // "Обороты"
    std::array<QFrame*, 16> Shape2{};
    std::array<QLabel*, 16> Label2{};
    QFrame* Shape3;
    QLabel* Label5;
    QLabel* Label7;
    std::array<AxisFigures*, 2> Label4{};
    QLabel* Label6;
    QGroupBox* Frame1; // "Выбор таблицы зависимости"
    std::array<QRadioButton*, 4> Option1{};
    QCheckBox* Check2; // "ЗМЗ 4063"

    ImageDocument document;

    // ---- handlers ----
    void menuOpen();
    void menuFromEcu();
    void menuSave();
    void menuSaveInto();
    void menuUndoAll();
    void menuChanges();
    // A file given at start, as if chosen in the open dialogue.
    void openAtStart(const QString& path);
    void selectTable(int table);
    void overlayToggled(bool checked);
    void frameToggled(bool checked);
    void rowClicked(int row);
    void redisplay(); // both views of the current table
    void redrawRibbons();
    void redrawRow();
    void tablesDownloaded(); // the ECU's tables are in the working block

    int currentTable() const { return table_; }
    int selectedRow() const { return row_; }
    RibbonShape shape() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildRibbonSide(QWidget* central);
    void buildRowSide(QWidget* central);
    void opened(ImageDocument::Opened result);
    // A file is loaded: the save items on, the engine type fixed.
    void fileTaken();
    // The document's unsaved-changes check; afterwards the views show the
    // working block (the edits may be dropped) and the menus follow a file
    // the user chose to save into.
    bool unsavedChangesCheck(ImageDocument::Next next);
    // After a document action: the menus of a file it took, the views
    // when the working block changed.
    void follow(const QString& fileBefore, const Block& workingBefore);
    void engineToggled(bool checked);

    FermelSeams& seams_;
    int table_ = 3;
    int row_ = 0;
};

} // namespace editor
