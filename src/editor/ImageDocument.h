#pragma once
// The image being edited: the working block (what is shown and edited), the
// saved block (the state last read from or written to the file), the file
// and the engine type that places the block in it. Open, save, save into
// another image, undo all and the unsaved-changes check, with their dialogs
// and messages. Nothing outside the block is ever read into it or written.
#include "FirmwareImage.h"

#include <QString>

namespace common {
class Dialogs;
}

namespace editor {

// Title of every message box of Fermel.
extern const QString kTitle;
// Filter of the file dialogs.
extern const QString kImageFilter;

// Writes the block into an existing image file at the engine type's offset.
// False, writing nothing, when the file is gone, is not 65536 bytes long or
// cannot be opened for writing; false as well when the write fails part way.
bool writeBlock(const QString& path, EngineType engine, const Block& block);

class ImageDocument {
  public:
    explicit ImageDocument(common::Dialogs& dialogs) : dialogs_(dialogs) {}

    enum class Opened { Yes, Cancelled, Refused };

    Block working{};
    Block saved{};
    QString fileName;
    EngineType engine = EngineType::Standard;

    // The open dialog, then openFile with its answer.
    Opened open();
    // Opens the image chosen by the user (spaces trimmed). An empty name
    // forgets the current file; a missing, unreadable or wrongly sized file
    // is refused with its message and changes nothing.
    Opened openFile(const QString& chosen);
    // Writes the working block into the current file. On success the saved
    // block follows; on failure the user is told and the saved block stays
    // as it was, so the edits are still seen as unsaved. False on failure or
    // when no file is open.
    bool save();
    // The save dialog, then saveInto with its answer.
    void saveIntoAnother();
    // Writes the working block into another existing image after asking;
    // the saved block and the current file stay. True when written.
    bool saveInto(const QString& target);
    // Drops every edit: the saved block over the working block.
    void undoAll() { working = saved; }
    // Before data is replaced or written, and at close: asks whether edits
    // go into the file. True: go on; false: the user cancelled (or the
    // edits could not be written and are kept).
    bool unsavedChangesCheck();

    bool changed() const { return working != saved; }
    std::vector<Change> changeList() const { return changes(saved, working); }
    // A table read from the ECU: into the working block only.
    void setTable(int table, const std::uint8_t* bytes);

  private:
    void information(const QString& text);
    void writeFailed(const QString& path);

    common::Dialogs& dialogs_;
};

} // namespace editor
