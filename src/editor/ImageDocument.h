#pragma once
// The image being edited: the working block (what is shown and edited), the
// saved block (the state last read from or written to the file), the file
// and the engine type that places the block in it. Open, save, save into
// another image, undo all and the unsaved-changes check, with their dialogs
// and messages. Nothing outside the block is ever read into it or written,
// and of the block only the bytes that were read (from a file or the ECU)
// or edited: a byte never read keeps the target file's own value.
#include "FirmwareImage.h"

#include <QString>
#include <bitset>
#include <optional>

namespace common {
class Dialogs;
}

namespace editor {

// Title of every message box of Fermel.
extern const QString kTitle;
// Filter of the file dialogs.
extern const QString kImageFilter;

// Which bytes of a block hold data that was read or edited.
using KnownBytes = std::bitset<kBlockSize>;

// Writes the block into an existing image file at the engine type's offset:
// the known bytes, the file keeping its own at the others (all are known
// unless given). *written: the block as the file holds it afterwards.
// False, writing nothing, when the file is gone, is not 65536 bytes long or
// cannot be opened for writing; false as well when the write fails part way.
bool writeBlock(const QString& path, EngineType engine, const Block& block,
                const KnownBytes& known = KnownBytes().set(), Block* written = nullptr);

class ImageDocument {
  public:
    explicit ImageDocument(common::Dialogs& dialogs) : dialogs_(dialogs) {}

    enum class Opened { Yes, Cancelled, Refused };
    // What follows the unsaved-changes check.
    enum class Next {
        Replace,       // other data replaces the working block, or the program ends
        SaveHere,      // "Сохранить": the working block goes into the current file
        SaveElsewhere, // "Сохранить в файл...": the edits go into another image
    };

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
    // Writes the working block into the current file; with no file named,
    // asks for one (saveAs). On success the saved block follows; on failure
    // the user is told and the saved block stays as it was, so the edits
    // are still seen as unsaved. False on failure or when no file is chosen.
    bool save();
    // The save dialog and saveInto with its answer; the image written into
    // becomes the current file, its block the saved and working block.
    bool saveAs();
    // The save dialog, then saveInto with its answer.
    void saveIntoAnother();
    // Writes the working block into another existing image after asking;
    // the saved block and the current file stay. True when written.
    bool saveInto(const QString& target);
    // Drops every edit: the saved block over the working block.
    void undoAll();
    // Before data is replaced or written, and at close: asks whether edits
    // go into the file. True: go on; false: the user cancelled (or the
    // edits could not be written and are kept). With no file (or the file
    // gone) it asks before data would be dropped only, and "Да" asks for a
    // file; before "Сохранить в файл..." "Нет" keeps the edits for the
    // other image, the question being about the current file alone.
    bool unsavedChangesCheck(Next next = Next::Replace);

    bool changed() const { return working != saved; }
    std::vector<Change> changeList() const { return changes(saved, working); }
    // A cell dragged to a new value.
    void edit(int offset, std::uint8_t value);
    // A table read from the ECU: into the working block only.
    void setTable(int table, const std::uint8_t* bytes);

  private:
    void information(const QString& text);
    void writeFailed(const QString& path);
    bool saveInto(const QString& target, Block* written);

    common::Dialogs& dialogs_;
    KnownBytes known_;      // of the working block
    KnownBytes savedKnown_; // of the saved block
    // With no file: the block last written into another image, so that
    // data already saved there is not asked about again.
    std::optional<Block> writtenElsewhere_;
};

} // namespace editor
