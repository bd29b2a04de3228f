#pragma once
// "Запись параметров в файл...": while the item is ticked, every page reply
// the main window's live panel shows becomes one row of a CSV file (see
// LiveRow.h). Unticking the item, a link failure of the panel, the end of
// the program (the exit dialogue, a signal) or a file that takes no more
// close the file; each row is flushed as it is written, so the file always
// holds whole rows.
#include "link/Csv.h"
#include "main/LivePanel.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QAction;

namespace kvintor {

class InitTest;
class Program;

// The file name offered: the ECU's serial number (from "Серия - ..." of
// the status bar) and the date and time; "Kvintor" when the serial number
// is unknown. Characters no file name may hold become "_".
QString recordingFileName(const QString& seriesText, const QDateTime& now);

class LiveRecorder : public QObject {
    Q_OBJECT
  public:
    LiveRecorder(Program& program, InitTest& main, QAction* item);

    bool recording() const { return file_.isOpen(); }
    QString path() const { return file_.path(); }
    // Asks for the file and starts; false when cancelled or not created.
    bool start();
    void stop();
    // The clock of the rows (tests give their own).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

  private:
    void pageShown(int page, const std::vector<int>& reply, const PageValues& shown);
    void warn(const QString& first, const QString& why);

    Program& p_;
    InitTest& main_;
    QAction* item_;
    kline::csv::Writer file_;
    int headerPage_ = -1;
};

} // namespace kvintor
