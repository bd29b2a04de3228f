#pragma once
// The report window: the report log's content, or its last 54 800
// characters when the file is larger.
#include <QDialog>

class QPlainTextEdit;

namespace kvintor {

class Program;

// The text of a piece of the UTF-8 report cut at byte offsets: a character
// cut at either end is left out.
QString wholeCharacters(QByteArray bytes);

class fOtchet : public QDialog {
    Q_OBJECT
public:
    static constexpr qint64 kShown = 54800;

    fOtchet(Program& program, QWidget* owner);
    QPlainTextEdit* Text1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kvintor
