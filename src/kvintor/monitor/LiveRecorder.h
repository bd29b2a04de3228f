#pragma once
// "Запись параметров в файл...": while the item is ticked, every page reply
// the main window's live panel shows becomes one row of a CSV file (see
// LiveRow.h). A failed poll writes no row and the recording goes on: an odd
// bad checksum is routine on a K-line. Unticking the item, a link lost for
// more than 5 s (told once), the end of the program (the exit dialogue, a
// signal) or a file that takes no more close the file; each row goes to the
// file as it is written, so the file always holds whole rows.
#include "link/Csv.h"
#include "main/LivePanel.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QAction;
class QTimer;

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
    // After a failed poll, the link counts as lost once no exchange of any
    // window has succeeded for longer than this; the recording then ends.
    static constexpr qint64 kLinkLostMs = 5000;
    // How often a link that failed is looked at.
    static constexpr int kLinkCheckMs = 250;

    LiveRecorder(Program& program, InitTest& main, QAction* item);

    bool recording() const { return file_.isOpen(); }
    QString path() const { return file_.path(); }
    // Asks for the file and starts; false when cancelled or not created.
    bool start();
    void stop();
    // Whether a link that failed has answered again or has been lost too
    // long (its timer asks this while the link is in doubt).
    void checkLink();
    // The clock of the rows (tests give their own).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    // The clock of a lost link, monotonic milliseconds (tests give their own).
    std::function<qint64()> linkClock;

  signals:
    // A recording has begun in this file.
    void started(const QString& path);

  private:
    void pageShown(int page, const std::vector<int>& reply, const PageValues& shown);
    void pollFailed();
    void linkAnswers();
    void warn(const QString& first, const QString& why);

    Program& p_;
    InitTest& main_;
    QAction* item_;
    QTimer* linkTimer_;
    kline::csv::Writer file_;
    int headerPage_ = -1;
    qint64 lostSinceMs_ = -1; // the failed poll that put the link in doubt
    long answeredBefore_ = 0; // exchanges that had succeeded by then
};

} // namespace kvintor
