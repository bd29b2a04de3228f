#pragma once
// "О программе": the program title, a blinking picture and three links:
// the update check, a letter to the author and the author's site. Also the
// splash shown while the program starts.
#include <QDialog>
#include <array>
#include <memory>

class QLabel;
class QTimer;

namespace kvintor {

class DialUp;
class Picture;
class Program;

// Settings of the window (section "fmAbout"): where updates come from, the
// author's addresses and the dial-up entry to hang up after a check.
namespace about {
extern const char* const kSection;
extern const char* const kUpdateServer; // FTP address holding Versiy.txt
extern const char* const kUpdateUser;   // empty: anonymous
extern const char* const kUpdatePassword;
extern const char* const kDownloadPage; // opened when a newer version exists
extern const char* const kAuthorMail;   // "Сообщить автору"
extern const char* const kSite;         // the credits link
extern const char* const kDialUpEntry;  // empty: nothing is hung up
extern const char* const kDefaultUpdateServer;
extern const char* const kDefaultDownloadPage;
extern const char* const kDefaultAuthorMail;
extern const char* const kDefaultSite;
} // namespace about

class fmAbout : public QDialog {
    Q_OBJECT
  public:
    enum class Use { Splash, Window };
    // A splash has no owner and is released by the program; a window opened
    // from the menu is owned by the main window and releases itself.
    fmAbout(Program& program, QWidget* owner, Use use);
    ~fmAbout() override;

    // ---- controls, under their names ----
    QLabel* Label1; // the program title
    QLabel* Label2; // what the program is for
    QLabel* Label5; // " Обновить программу "
    QLabel* Label6; // "Сообщить автору"
    QLabel* Label8; // the author's site
    Picture* Image1;
    Picture* Image2; // blinks
    QTimer* Timer1;
    std::array<QLabel*, 3> links() const { return {Label5, Label6, Label8}; }

    // The dial-up layer (the system's unless a test sets another).
    DialUp* dialUp;

    // ---- handlers ----
    void checkForUpdate(); // Label5
    void writeToAuthor();  // Label6
    void openSite();       // Label8
    void blink();          // Timer1
    // Mouse over one link: that one bold, the others regular; over the
    // window's background (nullptr): all regular.
    void hover(QLabel* link);
    bool checking() const { return checking_; }

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void activated();
    // Hangs up, stops the blinking, gives back the English keyboard layout;
    // showMain: also shows the main window.
    void unload(bool showMain);
    void hangUp();
    QString setting(const char* key, const char* def = "") const;

    Program& p_;
    bool checking_ = false;
    bool unloaded_ = false;
    std::shared_ptr<bool> cancel_ = std::make_shared<bool>(false);
    QString dialUpEntry_;
};

} // namespace kvintor
