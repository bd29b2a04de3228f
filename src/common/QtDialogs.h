#pragma once
// The real dialogs: QMessageBox and QFileDialog.
#include "Dialogs.h"

class QWidget;

namespace common {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer message(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                   Answer defaultButton) override;
    QString openFile(const QString& caption, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& caption, const QString& suggestedPath, const QString& filter,
                     bool confirmOverwrite = true) override;

private:
    QWidget* owner() const;
    QWidget* parent_;
};

} // namespace common
