#pragma once
// The change list "Изменеия в файле прошивки": one line per byte of the
// table block whose working value differs from the saved one.
#include "FirmwareImage.h"

#include <QDialog>
#include <vector>

class QLabel;
class QListWidget;

namespace editor {

class fRazn : public QDialog {
    Q_OBJECT
  public:
    fRazn(const std::vector<Change>& list, EngineType engine, QWidget* owner);

    QLabel* Label1;
    QListWidget* List1;
};

} // namespace editor
