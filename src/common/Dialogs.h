#pragma once
// Every message box and file dialog of the tool set goes through this seam, so
// that texts, captions, icons and default buttons can be checked exactly.
#include <QString>
#include <QStringList>

namespace common {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows a message box and answers the pressed button. Closing the box
    // without a button answers Cancel where the box has one, else the default.
    virtual Answer message(const QString& text, const QString& caption, Icon icon,
                           Buttons buttons = Buttons::Ok, Answer defaultButton = Answer::Ok) = 0;
    // File dialogs: an empty text when the user cancels.
    virtual QString openFile(const QString& caption, const QString& folder,
                             const QString& filter) = 0;
    // confirmOverwrite: the dialog itself asks before an existing file is
    // chosen (off where the program asks its own question).
    virtual QString saveFile(const QString& caption, const QString& suggestedPath, const QString& filter,
                             bool confirmOverwrite = true) = 0;
};

// A file dialog's filter: entries "description (pattern pattern ...)" joined
// by ";;". The form the dialogs are handed: every pattern matches names
// without regard to case, also where the desktop's own dialog compares them
// case-sensitively ("*.bin" becomes "*.[bB][iI][nN]" there), and "*.*" lists
// every file, with an extension or without ("*").
QString caseBlindFilter(const QString& filter);
// The patterns of one entry of a filter; empty when there is no such entry.
QStringList filterPatterns(const QString& filter, int entry);
// The description of one entry of a filter, as the user sees it.
QString filterDescription(const QString& filter, int entry);

} // namespace common
