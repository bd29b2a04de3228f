#pragma once
// The report window: the report log's content, or its last 54 800
// characters when the file is larger.
#include <QDialog>

class QPlainTextEdit;

namespace kvintor {

class Program;

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
