#include "fRazn.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace editor {

fRazn::fRazn(const std::vector<Change>& list, EngineType engine, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("fRazn"));
    setWindowTitle(QStringLiteral("Изменеия в файле прошивки"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Адрес       Данное         Заменено на"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("List1"));
    // Plain text keeps the runs of spaces of the heading.
    Label1->setTextFormat(Qt::PlainText);
    // The list is filled once, when the window is made.
    for (const Change& c : list)
        List1->addItem(changeLine(c, engine));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List1);
    resize(360, 300);
}

} // namespace editor
