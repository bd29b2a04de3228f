#pragma once
// Test double of the dialogs seam: records every call and answers from a script.
#include "Dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace common {

struct MessageCall {
    QString text;
    QString caption;
    Icon icon;
    Buttons buttons;
    Answer defaultButton;
};

class RecordingDialogs : public Dialogs {
public:
    Answer message(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                   Answer defaultButton) override;
    QString openFile(const QString& caption, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& caption, const QString& suggestedPath, const QString& filter,
                     bool confirmOverwrite = true) override;

    // Answers for the next message boxes, in order; without one the default button.
    void answerNext(Answer a) { answers.push_back(a); }
    void fileNext(const QString& path) { files.push_back(path); }

    // Runs while a box is "open", before it answers: a real box runs an
    // event loop of its own, and a test can run one here too.
    std::function<void(const MessageCall&)> whileOpen;
    // Runs after the box has "closed": the real one hands the activation
    // back to the window below it.
    std::function<void(const MessageCall&)> afterClose;

    std::vector<MessageCall> messages;
    QStringList fileCaptions;
    QList<bool> overwriteConfirmed; // per save dialog: whether it asks itself
    std::deque<Answer> answers;
    std::deque<QString> files;
};

} // namespace common
