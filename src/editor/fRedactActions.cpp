// The main window's handlers: the file menu, the ECU window, the change
// list, the table choice, the view's options and closing.
#include "RibbonView.h"
#include "RowEditor.h"
#include "common/Dialogs.h"
#include "common/SettingsStore.h"
#include "fHten.h"
#include "fRazn.h"
#include "fRedact.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QRadioButton>
#include <QSlider>

namespace editor {

int runModal(FermelSeams& seams, QDialog& dialog) {
    return seams.execModal ? seams.execModal(dialog) : dialog.exec();
}

RibbonShape fRedact::shape() const {
    return {Slider1[0]->value(), Slider1[1]->value(), Slider1[2]->value(), Slider1[3]->value()};
}

// ------------------------------------------------------------ the file menu

void fRedact::fileTaken() {
    for (int i : {2, 3, 5})
        Mnu[static_cast<std::size_t>(i)]->setEnabled(true);
    // The block's place cannot change under a loaded file.
    Check2->setEnabled(false);
}

void fRedact::follow(const QString& fileBefore, const Block& workingBefore) {
    if (!document.fileName.isEmpty() && document.fileName != fileBefore) fileTaken();
    // Whatever happened to the working block, the views show it as it is.
    if (document.working != workingBefore) redisplay();
}

bool fRedact::unsavedChangesCheck(ImageDocument::Next next) {
    const QString file = document.fileName;
    const Block working = document.working;
    const bool goOn = document.unsavedChangesCheck(next);
    follow(file, working);
    return goOn;
}

void fRedact::opened(ImageDocument::Opened result) {
    switch (result) {
    case ImageDocument::Opened::Yes:
        fileTaken();
        redisplay();
        break;
    case ImageDocument::Opened::Cancelled:
        Check2->setEnabled(true);
        redisplay();
        break;
    case ImageDocument::Opened::Refused:
        break;
    }
}

void fRedact::menuOpen() {
    if (!unsavedChangesCheck(ImageDocument::Next::Replace)) return;
    opened(document.open());
}

void fRedact::openAtStart(const QString& path) {
    opened(document.openFile(path));
}

void fRedact::menuFromEcu() {
    if (!unsavedChangesCheck(ImageDocument::Next::Replace)) return;
    for (int i : {2, 3, 5})
        Mnu[static_cast<std::size_t>(i)]->setEnabled(false);
    const Block before = document.working;
    fHten window(
        seams_, document, [this] { tablesDownloaded(); }, this);
    runModal(seams_, window);
    // Closed by hand part way, the window leaves the tables it read.
    follow(document.fileName, before);
}

void fRedact::tablesDownloaded() {
    Mnu[2]->setEnabled(false);
    Mnu[3]->setEnabled(true);
    Mnu[5]->setEnabled(false);
    redisplay();
}

void fRedact::menuSave() {
    if (!unsavedChangesCheck(ImageDocument::Next::SaveHere)) return;
    const QString file = document.fileName;
    const Block working = document.working;
    document.save();
    follow(file, working);
}

void fRedact::menuSaveInto() {
    if (!unsavedChangesCheck(ImageDocument::Next::SaveElsewhere)) return;
    document.saveIntoAnother();
}

void fRedact::menuUndoAll() {
    document.undoAll();
    redisplay();
}

void fRedact::menuChanges() {
    const std::vector<Change> list = document.changeList();
    if (list.empty()) {
        seams_.dialogs.message(QStringLiteral("Изменения  в  файле  прошивки  не  обнаружены."),
                               kTitle, common::Icon::Information);
        return;
    }
    fRazn window(list, document.engine, this);
    runModal(seams_, window);
}

void fRedact::engineToggled(bool checked) {
    document.engine = checked ? EngineType::Zmz4063 : EngineType::Standard;
}

// ---------------------------------------------------------------- the views

void fRedact::redrawRibbons() {
    Picture3->redraw(document.working, table_, shape(), Check1->isChecked(), Check3->isChecked());
}

void fRedact::redrawRow() {
    std::array<int, kColumns> values{};
    for (int k = 0; k < kColumns; ++k)
        values[static_cast<std::size_t>(k)] =
            document.working[static_cast<std::size_t>(cellOffset(table_, k, row_))];
    Picture1->showRow(values, rowColour(row_));
}

void fRedact::redisplay() {
    redrawRibbons();
    redrawRow();
}

void fRedact::selectTable(int table) {
    table_ = table;
    // The row editor follows the table too, so that the markers always show
    // the cells a drag writes into.
    redisplay();
}

void fRedact::overlayToggled(bool checked) {
    if (checked) return;
    for (int t = 0; t < kTables; ++t) {
        if (Option1[static_cast<std::size_t>(t)]->isChecked()) {
            selectTable(t);
            return;
        }
    }
}

void fRedact::frameToggled(bool checked) {
    Shape3->setFrameShape(checked ? QFrame::Box : QFrame::NoFrame);
    redrawRibbons();
}

void fRedact::rowClicked(int row) {
    Label5->setText(QString::number(engineSpeed(row)));
    QPalette pal = Shape3->palette();
    pal.setColor(QPalette::Window, rowColour(row));
    Shape3->setPalette(pal);
    row_ = row;
    redrawRow();
}

// ------------------------------------------------------------------ closing

void fRedact::closeEvent(QCloseEvent* event) {
    seams_.settings.SaveSetting(settingsApp(), QStringLiteral("Redact"), QStringLiteral("Dvigatel"),
                                engineSetting(document.engine));
    if (!unsavedChangesCheck(ImageDocument::Next::Replace)) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace editor
