#pragma once
// "Журнал автомобилей": the list of visits (serial number, engine, date,
// fault codes), searched by any of them; the page of the chosen visit with
// everything it holds, its remarks and the customer's report ("Отчёт..."
// writes the PDF and the HTML file and offers to print); and the history of
// the chosen visit's ECU across its visits. It never talks to the ECU.
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTextDocument;
class QTreeWidget;

namespace kvintor {
class Program;
}

namespace kvintor::visits {

class VisitJournal;

class fJournal : public QWidget {
    Q_OBJECT
  public:
    fJournal(Program& program, VisitJournal& journal, QWidget* owner);

    QLabel* Label1;        // "Поиск:"
    QLineEdit* Text1;      // the search
    QTreeWidget* List1;    // the visits
    QTabWidget* Tab1;      // "Визит", "История ЭБУ"
    QTextBrowser* Page1;   // the visit's page
    QPushButton* Command1; // "Отчёт..."
    QLabel* Label2;        // "Замечание:"
    QLineEdit* Text2;
    QPushButton* Command2; // "Добавить"
    QTextBrowser* Page2;   // the ECU's history

    // Reads the list again (keeping the chosen visit).
    void reload();
    // The visit chosen in the list (0: none).
    qint64 chosenVisit() const;
    void choose(qint64 visit);
    // "Отчёт...".
    void writeReport();
    void addRemark();

    // Prints a document through the print dialog (tests give their own).
    std::function<void(QTextDocument&, QWidget*)> print;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void filter();
    void showChosen();

    Program& p_;
    VisitJournal& journal_;
};

} // namespace kvintor::visits
