#include "RecordingDialogs.h"

#include <QDir>

namespace common {

Answer RecordingDialogs::message(const QString& text, const QString& caption, Icon icon,
                                 Buttons buttons, Answer defaultButton) {
    messages.push_back({text, caption, icon, buttons, defaultButton});
    const MessageCall call = messages.back();
    if (whileOpen) whileOpen(call);
    Answer a = defaultButton;
    if (!answers.empty()) {
        a = answers.front();
        answers.pop_front();
    }
    if (afterClose) afterClose(call);
    return a;
}

QString RecordingDialogs::openFile(const QString& caption, const QString&, const QString& filter) {
    fileCaptions << caption;
    fileFilters << filter;
    if (files.empty()) return QString();
    QString f = files.front();
    files.pop_front();
    return f;
}

QString RecordingDialogs::saveFile(const QString& caption, const QString& suggestedPath,
                                   const QString& filter, bool confirmOverwrite) {
    overwriteConfirmed << confirmOverwrite;
    return openFile(caption, suggestedPath, filter);
}

QStringList RecordingDialogs::listed(const QString& folder, int entry) const {
    if (fileFilters.isEmpty()) return {};
    const QStringList patterns = filterPatterns(caseBlindFilter(fileFilters.last()), entry);
    if (patterns.isEmpty()) return {};
    return QDir(folder).entryList(patterns, QDir::Files | QDir::Hidden | QDir::CaseSensitive,
                                  QDir::Name);
}

} // namespace common
