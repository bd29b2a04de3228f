#include "fOtchet.h"

#include "Program.h"
#include "common/Dialogs.h"

#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace kvintor {

QString wholeCharacters(QByteArray bytes) {
    // UTF-8: a cut at a byte offset may land inside a character; the piece
    // of it at either end is left out rather than shown as a broken sign.
    int first = 0;
    while (first < bytes.size() && (static_cast<unsigned char>(bytes[first]) & 0xC0) == 0x80) ++first;
    int end = static_cast<int>(bytes.size());
    int lead = end - 1;
    while (lead >= first && (static_cast<unsigned char>(bytes[lead]) & 0xC0) == 0x80) --lead;
    if (lead >= first) {
        const auto b = static_cast<unsigned char>(bytes[lead]);
        const int need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (end - lead < need) end = lead;
    }
    return QString::fromUtf8(bytes.mid(first, end - first));
}

fOtchet::fOtchet(Program& p, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("fOtchet"));
    setWindowTitle(QStringLiteral("Отчёт  ") + p.state.AppTitle);
    resize(640, 420);
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);

    QFile file(p.report().path());
    if (!file.exists()) {
        QFont f = Text1->font();
        f.setPointSize(14);
        Text1->setFont(f);
        Text1->setPlainText(QStringLiteral("\n\n\n           Отчет  еще  не  создан.\n"));
        Text1->setEnabled(false);
        return;
    }
    const qint64 size = file.size();
    if (!file.open(QIODevice::ReadOnly)) return; // shows what it got: nothing
    if (size <= kShown) {
        Text1->setPlainText(QString::fromUtf8(file.readAll()));
        return;
    }
    p.dialogs.message(QStringLiteral("Файл  отчета  слишком  дольшой,  будет  показан  не  полностью."),
                      p.state.AppTitle, common::Icon::Exclamation);
    // 54 800 bytes from byte (length - 54 801), counting from 1: the last
    // two bytes are not shown. A file of 54 801 bytes has no byte 0 to start
    // from; it starts at its first byte.
    const qint64 start = std::max<qint64>(0, size - kShown - 2);
    file.seek(start);
    Text1->setPlainText(wholeCharacters(file.read(std::min(kShown, size - 2 - start))));
}

bool fOtchet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::FocusIn) {
        QTextCursor c = Text1->textCursor();
        c.movePosition(QTextCursor::End);
        Text1->setTextCursor(c);
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kvintor
