#pragma once
// Lumeta's model, without widgets: the 64 KB firmware image and its file, the
// 514-byte window onto it (base and drag offset), and the commands that move
// the window and correct a byte. fTabl only wires these to its controls.
#include <QByteArray>
#include <QString>
#include <optional>

namespace finder {

inline constexpr int kImageSize = 65536;                 // bytes of a firmware image
inline constexpr int kColumns = 514;                     // bytes shown at once
inline constexpr int kRows = 256;                        // height of the profile
inline constexpr int kCentreColumn = 256;                // column of the centre line
inline constexpr int kLastStart = kImageSize - kColumns; // 65022: the last byte is 65535
inline constexpr int kTablesBase = 39659;                // the Mikas ignition tables
inline constexpr int kTablesCentre = kTablesBase + kCentreColumn;

// A number as the user types it: spaces around it, a sign, digits with a
// decimal point or comma, an exponent. Anything else (empty, letters, "inf")
// is not a number.
std::optional<double> parseNumber(const QString& text);

class ImageModel {
  public:
    enum class Load { Loaded, WrongLength, Unreadable };
    enum class Address { Shown, Clamped, NotANumber };
    enum class Correction { Ignored, Corrected, Refused };
    struct DragMove {
        bool dragPointer; // the drag pointer (true) or the normal one
        bool redraw;      // the view moved and must be drawn again
    };

    // --- the file ---
    // Reads a file as the image. Only files of exactly 65536 bytes load;
    // otherwise no image is loaded and the file name is forgotten.
    Load load(const QString& path);
    // The open dialogue was cancelled: no file is named any more (an image
    // already shown stays shown).
    void forgetFile() { fileName_.clear(); }
    // Writes the image over its file from offset 0. False when no image is
    // loaded, no file is named, or the write fails; the file is then intact.
    // A file with more than one name (hard links) is written where it is,
    // after a copy, so that every name sees the new bytes.
    bool write();
    // The same into another file, which becomes the image's file.
    bool writeTo(const QString& path);
    // True when the image holds what its file does not: the named file's
    // bytes differ (a file that cannot be read counts as different), or,
    // with no file named or the file gone, a byte was corrected since the
    // image was loaded or written.
    bool differsFromFile() const;

    bool isLoaded() const { return loaded_; }
    const QString& fileName() const { return fileName_; }
    const QByteArray& image() const { return image_; }
    int byteAt(int address) const;

    // --- the view ---
    qint64 base() const { return base_; }
    int dragOffset() const { return drag_; }
    // The first shown address after clamping the view into 0 … 65022 (the
    // first step of every redraw); base and drag offset follow the clamp.
    int normalise();
    int start() const { return static_cast<int>(base_ + drag_); } // after normalise()
    int centre() const { return start() + kCentreColumn; }

    // Centres the view on the address typed by the user. Clamped: the
    // address lay beyond the end and the view shows the last 514 bytes.
    Address showAddress(const QString& text);
    // Moves the view by the step typed by the user: direction +1 towards
    // higher addresses ("<"), -1 towards lower ones (">"). A step that is not
    // a number does not move the view.
    void step(const QString& stepText, int direction);
    // Shows the Mikas ignition tables (centre 39915).
    void jumpToTables();
    // The view stays at its base (a redraw after a change of colours).
    void clearDrag() { drag_ = 0; }

    // Dragging the profile with the left button; x and y in profile pixels.
    // Dragging to the left shows higher addresses.
    void press(double x);
    DragMove move(double x, double y, bool leftButton);
    void release();

    // Writes a typed value (0 … 255, rounded) into the byte at an address.
    // Ignored: nothing typed or no image. Refused: not such a number.
    Correction correct(int address, const QString& text);

  private:
    QByteArray image_;
    QString fileName_;
    bool loaded_ = false;
    bool corrected_ = false; // since loaded or written
    qint64 base_ = 0;
    int drag_ = 0;
    double pressX_ = 0;
};

} // namespace finder
