#pragma once
// A visit as text: the customer's report (what this visit found, under the
// workshop's name, address and phone) as a PDF of A4 pages or as one
// self-contained HTML file, the journal's page of a visit (everything it
// holds), and the history of one ECU across its visits.
#include "JournalSettings.h"
#include "Visit.h"

#include <QString>
#include <functional>

class QTextDocument;

namespace kvintor::visits {

enum class Page {
    Report,  // for the customer: what the visit found
    Journal, // for the workshop: everything the visit holds
};

// The HTML of a visit; plotSource(i) is the image source of test i's plot.
QString visitHtml(const Visit& visit, const Workshop& workshop, Page page,
                  const std::function<QString(std::size_t)>& plotSource);
// A document of the visit with the plots as its resources.
void fillDocument(QTextDocument& document, const Visit& visit, const Workshop& workshop, Page page);

// The customer's report as an HTML file with the plots inside it.
QString selfContainedReport(const Visit& visit, const Workshop& workshop);
// Writes the report; false with the reason when the file could not be
// written.
bool writeReportPdf(const QString& path, const Visit& visit, const Workshop& workshop,
                    QString* why);
bool writeReportHtml(const QString& path, const Visit& visit, const Workshop& workshop,
                     QString* why);

// The visits of one ECU, the earliest first: which fault codes each read,
// and the faults that came back (read in more than one visit).
QString historyHtml(const QString& series, const std::vector<VisitSummary>& visits);

} // namespace kvintor::visits
