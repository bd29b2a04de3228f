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

    // The files of a folder that the last file dialog lists under entry i of
    // its filter: its patterns as the dialogs are handed them, compared
    // case-sensitively, as the strictest desktop's dialog compares them.
    QStringList listed(const QString& folder, int entry) const;

    std::vector<MessageCall> messages;
    QStringList fileCaptions;
    QStringList fileFilters;        // per file dialog, as the program gave it
    QList<bool> overwriteConfirmed; // per save dialog: whether it asks itself
    std::deque<Answer> answers;
    std::deque<QString> files;
};

} // namespace common
