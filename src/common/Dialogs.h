#pragma once
// Every message box and file dialog of the tool set goes through this seam, so
// that texts, captions, icons and default buttons can be checked exactly.
#include <QString>

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

} // namespace common
