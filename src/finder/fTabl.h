#pragma once
// Lumeta's one window: a 64 KB firmware image drawn 514 bytes at a time as a
// bar profile, moved by address, step or drag; the byte under the centre line
// with the name of its known table; one byte corrected and the image written
// back; the profile saved as a picture on the desktop.
#include "ImageModel.h"

#include <QCursor>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace common {
class Dialogs;
class Platform;
class SettingsStore;
} // namespace common

namespace finder {

class ProfileView;

class fTabl : public QWidget {
    Q_OBJECT
  public:
    // app: the settings' application name, the executable's own name.
    fTabl(common::SettingsStore& settings, common::Dialogs& dialogs, common::Platform& platform,
          QString app, QWidget* parent = nullptr);

    // Opens an image as if chosen in the open dialogue.
    void openPath(const QString& path);

    static QString caption();
    static QString messageTitle(); // boxes without a title of their own

    const ImageModel& model() const { return model_; }
    bool inverted() const { return inverted_; }
    const QCursor& dragPointer() const { return dragPointer_; }

    ProfileView* Picture1;
    QFrame* Line1;
    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QLabel* Label3;
    QLineEdit* Text3;
    QLabel* Label7;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label2;
    QLabel* Label6;
    QLineEdit* Text4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command4;
    QCheckBox* Check1;
    QCheckBox* Check2;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void redraw();
    void showAtAddress();             // Command1
    void stepView(int direction);     // Command2 (+1), Command3 (-1)
    void correctByte();               // Command5
    void writeBack();                 // Command6
    void savePicture();               // Command7
    void showTables();                // Command8
    void openFile();                  // Command4
    void invertColours(bool checked); // Check1
    void showDesktop(bool checked);   // Check2
    // Before another file opens and before the window closes: false when the
    // user cancels (or the changes he wanted kept could not be written).
    bool unsavedChangesCheck();
    // Writes the image over its file; says so when that fails.
    bool writeImage();

    void dragPress(QPointF at);
    void dragMove(QPointF at, bool leftButton);
    void dragRelease();

    common::SettingsStore& settings_;
    common::Dialogs& dialogs_;
    common::Platform& platform_;
    QString app_;
    ImageModel model_;
    bool inverted_ = false;
    QCursor dragPointer_;
};

} // namespace finder
