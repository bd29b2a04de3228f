#include "fJournal.h"

#include "VisitJournal.h"
#include "VisitReport.h"
#include "common/Dialogs.h"
#include "main/Program.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kvintor::visits {

namespace {
constexpr int kIdRole = Qt::UserRole;

void printWithDialog(QTextDocument& document, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted) document.print(&printer);
}

QString codesText(const QList<int>& codes) {
    QStringList out;
    for (int c : codes)
        out << QString::number(c);
    return out.join(QStringLiteral(", "));
}
} // namespace

fJournal::fJournal(Program& program, VisitJournal& journal, QWidget* owner)
    : QWidget(owner, Qt::Window), print(printWithDialog), p_(program), journal_(journal) {
    setObjectName(QStringLiteral("fJournal"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Журнал автомобилей  ") + p_.state.AppTitle);
    if (owner) setWindowIcon(owner->windowIcon());
    resize(900, 640);

    Label1 = new QLabel(QStringLiteral("Поиск:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Text1"));
    Text1->setToolTip(QStringLiteral(" Серийный номер, двигатель, дата или код неисправности "));
    Label1->setBuddy(Text1);
    connect(Text1, &QLineEdit::textChanged, this, &fJournal::filter);

    List1 = new QTreeWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("List1"));
    List1->setRootIsDecorated(false);
    List1->setHeaderLabels({QStringLiteral("Серийный номер"), QStringLiteral("Двигатель"),
                            QStringLiteral("Дата"), QStringLiteral("Неисправности")});
    List1->header()->setStretchLastSection(true);
    List1->setColumnWidth(0, 170);
    List1->setColumnWidth(1, 220);
    List1->setColumnWidth(2, 130);
    connect(List1, &QTreeWidget::currentItemChanged, this, &fJournal::showChosen);

    Page1 = new QTextBrowser(this);
    Page1->setObjectName(QStringLiteral("Page1"));
    Page1->setAccessibleName(QStringLiteral("Page1"));
    Command1 = new QPushButton(QStringLiteral("Отчёт..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &fJournal::writeReport);
    Label2 = new QLabel(QStringLiteral("Замечание:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setAccessibleName(QStringLiteral("Text2"));
    Label2->setBuddy(Text2);
    Command2 = new QPushButton(QStringLiteral("Добавить"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &fJournal::addRemark);
    connect(Text2, &QLineEdit::returnPressed, this, &fJournal::addRemark);

    auto* visitTab = new QWidget;
    auto* visitLayout = new QVBoxLayout(visitTab);
    visitLayout->addWidget(Page1, 1);
    auto* remark = new QHBoxLayout;
    remark->addWidget(Label2);
    remark->addWidget(Text2, 1);
    remark->addWidget(Command2);
    remark->addSpacing(24);
    remark->addWidget(Command1);
    visitLayout->addLayout(remark);

    Page2 = new QTextBrowser(this);
    Page2->setObjectName(QStringLiteral("Page2"));
    Page2->setAccessibleName(QStringLiteral("Page2"));
    Tab1 = new QTabWidget(this);
    Tab1->setObjectName(QStringLiteral("Tab1"));
    Tab1->addTab(visitTab, QStringLiteral("Визит"));
    Tab1->addTab(Page2, QStringLiteral("История ЭБУ"));

    auto* search = new QHBoxLayout;
    search->addWidget(Label1);
    search->addWidget(Text1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(List1, 2);
    layout->addWidget(Tab1, 3);

    connect(&journal_, &VisitJournal::changed, this, &fJournal::reload);
    reload();
}

qint64 fJournal::chosenVisit() const {
    const QTreeWidgetItem* item = List1->currentItem();
    return item ? item->data(0, kIdRole).toLongLong() : 0;
}

void fJournal::choose(qint64 visit) {
    for (int i = 0; i < List1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = List1->topLevelItem(i);
        if (item->data(0, kIdRole).toLongLong() == visit) {
            List1->setCurrentItem(item);
            return;
        }
    }
}

void fJournal::reload() {
    qint64 chosen = chosenVisit();
    if (chosen == 0) chosen = journal_.currentVisit();
    List1->clear();
    QList<QTreeWidgetItem*> rows;
    for (const VisitSummary& s : journal_.store().visits()) {
        auto* item =
            new QTreeWidgetItem({s.series, s.engine, shownTime(s.opened), codesText(s.faultCodes)});
        item->setData(0, kIdRole, s.id);
        // Found by its ECU type too.
        item->setData(1, kIdRole, s.type);
        rows << item;
    }
    List1->addTopLevelItems(rows);
    filter();
    choose(chosen);
    if (!List1->currentItem() && List1->topLevelItemCount() > 0)
        List1->setCurrentItem(List1->topLevelItem(0));
    showChosen();
}

void fJournal::filter() {
    const QStringList words = Text1->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < List1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = List1->topLevelItem(i);
        QString all = item->data(1, kIdRole).toString();
        for (int c = 0; c < List1->columnCount(); ++c)
            all += QLatin1Char('\t') + item->text(c);
        // Every word typed is somewhere in the line.
        bool shown = true;
        for (const QString& w : words)
            shown = shown && all.contains(w, Qt::CaseInsensitive);
        item->setHidden(!shown);
    }
}

void fJournal::showChosen() {
    const qint64 id = chosenVisit();
    const auto visit = id ? journal_.store().visit(id) : std::nullopt;
    Command1->setEnabled(visit.has_value());
    const bool writable = visit && journal_.recording();
    Text2->setEnabled(writable);
    Command2->setEnabled(writable);
    if (!visit) {
        Page1->clear();
        Page2->clear();
        return;
    }
    fillDocument(*Page1->document(), *visit, journal_.settings().workshop, Page::Journal);
    const QString series = visit->opening.ecu.series;
    if (series.isEmpty())
        Page2->setHtml(QStringLiteral("<p>") +
                       QStringLiteral("Серийный номер ЭБУ не определён.").toHtmlEscaped() +
                       QStringLiteral("</p>"));
    else
        Page2->setHtml(historyHtml(series, journal_.store().history(series)));
}

void fJournal::writeReport() {
    const auto visit = journal_.store().visit(chosenVisit());
    if (!visit) return;
    QString series = visit->opening.ecu.series;
    series.replace(QRegularExpression(QStringLiteral("[^\\w.-]")), QStringLiteral("_"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("Отчёт_%1_%2.pdf")
            .arg(series.isEmpty() ? QStringLiteral("Kvintor") : series,
                 visit->opening.at.toString(QStringLiteral("yyyy-MM-dd_HH-mm"))));
    QString path = p_.dialogs.saveFile(QStringLiteral("Отчёт для клиента"), suggested,
                                       QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    // The same report as one HTML file beside it.
    const QFileInfo pdf(path);
    const QString html = pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".html"));
    const Workshop workshop = journal_.settings().workshop;
    QString why;
    QString failed;
    if (!writeReportPdf(path, *visit, workshop, &why))
        failed = path;
    else if (!writeReportHtml(html, *visit, workshop, &why))
        failed = html;
    if (!failed.isEmpty()) {
        p_.BeepSignal();
        p_.dialogs.message(QStringLiteral("Отчёт не сохранён: ") +
                               QDir::toNativeSeparators(failed) + QStringLiteral("\r\n") +
                               QStringLiteral("Причина: ") + why,
                           p_.state.AppTitle, common::Icon::Exclamation);
        return;
    }
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    fillDocument(document, *visit, workshop, Page::Report);
    if (print) print(document, this);
}

void fJournal::addRemark() {
    const QString text = Text2->text().trimmed();
    if (text.isEmpty() || !Command2->isEnabled()) return;
    if (journal_.addRemark(chosenVisit(), text)) Text2->clear();
}

void fJournal::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kvintor::visits
