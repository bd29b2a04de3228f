#include "QtDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace common {

namespace {

QMessageBox::StandardButton toStandard(Answer a) {
    switch (a) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    case Answer::Retry: return QMessageBox::Retry;
    case Answer::Abort: return QMessageBox::Abort;
    case Answer::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons toStandard(Buttons b) {
    switch (b) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toStandard(Icon i) {
    switch (i) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

Answer fromStandard(int b, Answer fallback) {
    switch (b) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Retry: return Answer::Retry;
    case QMessageBox::Abort: return Answer::Abort;
    case QMessageBox::Ignore: return Answer::Ignore;
    default: return fallback;
    }
}

// A file dialog on a filter: the patterns are those of caseBlindFilter, and
// the user sees each entry's description alone, exactly as written (Qt's own
// dialog would squeeze its doubled spaces).
QString runFileDialog(QWidget* owner, const QString& caption, const QString& start,
                      const QString& filter, bool save, bool confirmOverwrite) {
    QFileDialog dialog(owner, caption, start, caseBlindFilter(filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
    if (save && !confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
    dialog.setOptions(options);
    QTimer::singleShot(0, &dialog, [&dialog, filter] {
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (!types) return; // the desktop's own dialog
        for (int i = 0; i < types->count(); ++i)
            types->setItemText(i, filterDescription(filter, i));
    });
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QWidget* QtDialogs::owner() const {
    // A box belongs over the window that asked, so that closing it hands
    // the activation back there (an adjustment window, not the main one).
    if (QWidget* active = QApplication::activeWindow()) return active;
    return parent_;
}

Answer QtDialogs::message(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                          Answer defaultButton) {
    QMessageBox box(toStandard(icon), caption, text, toStandard(buttons),
                    owner());
    box.setDefaultButton(toStandard(defaultButton));
    const QMessageBox::StandardButtons all = toStandard(buttons);
    if (all.testFlag(QMessageBox::Cancel)) box.setEscapeButton(QMessageBox::Cancel);
    const int r = box.exec();
    return fromStandard(r, all.testFlag(QMessageBox::Cancel) ? Answer::Cancel : defaultButton);
}

QString QtDialogs::openFile(const QString& caption, const QString& folder, const QString& filter) {
    return runFileDialog(owner(), caption, folder, filter, false, false);
}

QString QtDialogs::saveFile(const QString& caption, const QString& suggestedPath,
                            const QString& filter, bool confirmOverwrite) {
    return runFileDialog(owner(), caption, suggestedPath, filter, true, confirmOverwrite);
}

} // namespace common
