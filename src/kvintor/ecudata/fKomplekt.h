#pragma once
// The ECU passport window: the ECU's identification texts, the configuration
// decoded into the names of what the firmware has switched on, and seven
// passport fields the workshop may edit and write back into the ECU.
#include "WindowParts.h"

#include <QDate>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kvintor {

class Program;

class fKomplekt : public ecudata::ActivatedDialog {
    Q_OBJECT
  public:
    fKomplekt(Program& program, QWidget* owner);

    ecudata::MarkedList* ListView1; // identification rows
    QListWidget* List2;             // configuration
    std::array<QLineEdit*, 7> Text1{};
    QCheckBox* Check1;               // date stamp of field 0
    std::array<QLabel*, 7> Label1{}; // captions of fields 1..6 (0 unused)
    QLabel* Label2;                  // the fields that could not be read
    QPushButton* Command1;           // "Записать в ЭБУ"

    // Today, for the date stamp (tests give a day of their own).
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    // The first activation reads the passport.
    void activated() override;
    void ReadPassport();
    void WritePassport();
    void dateStamp(bool checked);
    // A field the ECU did not give when the window read it.
    bool unread(int k) const { return unread_[static_cast<std::size_t>(k)]; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void writeFields();

    Program& p_;
    bool read_ = false;
    std::array<bool, 7> unread_{};
    std::array<bool, 7> typed_{}; // the mechanic has typed into the field
};

} // namespace kvintor
