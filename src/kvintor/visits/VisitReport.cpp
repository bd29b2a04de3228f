#include "VisitReport.h"

#include "ecudata/AdaptTables.h"
#include "ecudata/FaultText.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>
#include <map>
#include <set>

namespace kvintor::visits {

namespace ed = ecudata;

namespace {

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

// Plots are drawn this wide on the page (the windows' plots are about
// 420 to 530 pixels).
constexpr int kPlotWidth = 420;

QString table(const QStringList& header, const std::vector<QStringList>& rows) {
    QString h = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
    if (!header.isEmpty()) {
        h += QStringLiteral("<tr>");
        for (const QString& c : header)
            h += QStringLiteral("<th align=\"left\">") + esc(c) + QStringLiteral("</th>");
        h += QStringLiteral("</tr>");
    }
    for (const QStringList& row : rows) {
        h += QStringLiteral("<tr>");
        for (const QString& c : row)
            h += QStringLiteral("<td>") + esc(c) + QStringLiteral("</td>");
        h += QStringLiteral("</tr>");
    }
    return h + QStringLiteral("</table>");
}

QString heading(const QString& text) {
    return QStringLiteral("<h2>") + esc(text) + QStringLiteral("</h2>");
}
QString para(const QString& text) {
    return QStringLiteral("<p>") + esc(text) + QStringLiteral("</p>");
}
QString mark(bool on) {
    return on ? QStringLiteral("да") : QString();
}

QString tableName(int t) {
    if (t < 1 || t > ed::kAdaptTables) return QString::number(t);
    return QString::fromUtf8(ed::kAdaptTableList[static_cast<std::size_t>(t - 1)].caption);
}

QString deviation(double bytes) {
    const double v = bytes / 256;
    const QString s = QLocale().toString(v, 'f', 3);
    return v > 0 ? QStringLiteral("+") + s : s;
}

// A title without its colon ("Номер кузова:" is "Номер кузова").
QString bare(const QString& title) {
    QString t = title.trimmed();
    if (t.endsWith(QLatin1Char(':'))) t.chop(1);
    return t;
}

QString faultsSection(const Visit& v, Page page) {
    QString h = heading(QStringLiteral("Неисправности"));
    if (v.faultReads.empty()) return h + para(QStringLiteral("Неисправности не считывались."));
    auto rows = [](const std::vector<FaultSeen>& faults) {
        std::vector<QStringList> out;
        for (const FaultSeen& f : faults)
            out.push_back({QString::number(f.code), f.text, mark(f.flags & ed::kPresentNow),
                           mark(f.flags & ed::kRepeated)});
        return out;
    };
    const QStringList header{QStringLiteral("Код"), QStringLiteral("Неисправность"),
                             QStringLiteral("Текущая"), QStringLiteral("Многократная")};
    if (page == Page::Journal) {
        for (const FaultRead& read : v.faultReads) {
            h += para(QStringLiteral("Чтение ") + shownTime(read.at) + QLatin1Char(':'));
            h += read.faults.empty() ? para(QStringLiteral("Неисправностей нет."))
                                     : table(header, rows(read.faults));
        }
        return h;
    }
    const std::vector<FaultSeen> found = faultsFound(v);
    if (found.empty()) return h + para(QStringLiteral("Неисправностей не обнаружено."));
    h += table(header, rows(found));
    if (v.faultReads.back().faults.empty())
        h += para(QStringLiteral("После сброса неисправностей не обнаружено."));
    return h;
}

QString tablesSection(const Visit& v, Page page) {
    if (v.tables.empty()) return QString();
    std::vector<TableSummary> shown;
    if (page == Page::Journal) {
        shown = v.tables;
    } else {
        // The customer sees each table as it was read last.
        std::map<int, TableSummary> last;
        for (const TableSummary& t : v.tables)
            last[t.table] = t;
        for (const auto& [n, t] : last)
            shown.push_back(t);
    }
    std::vector<QStringList> rows;
    const QLocale locale;
    for (const TableSummary& t : shown) {
        QStringList row{tableName(t.table), ed::adaptCell(t.minimum, locale),
                        ed::adaptCell(t.maximum, locale), deviation(t.meanDeviation)};
        if (page == Page::Journal) row.prepend(shownTime(t.at));
        rows.push_back(row);
    }
    QStringList header{QStringLiteral("Таблица"), QStringLiteral("Мин."), QStringLiteral("Макс."),
                       QStringLiteral("Среднее отклонение от 1,000")};
    if (page == Page::Journal) header.prepend(QStringLiteral("Время"));
    return heading(QStringLiteral("Адаптация топливоподачи")) + table(header, rows);
}

QString testsSection(const Visit& v, Page page,
                     const std::function<QString(std::size_t)>& plotSource) {
    if (v.tests.empty()) return QString();
    QString h = heading(QStringLiteral("Тесты двигателя"));
    for (std::size_t i = 0; i < v.tests.size(); ++i) {
        const TestRecord& t = v.tests[i];
        h += QStringLiteral("<h3>") + esc(t.title) + QStringLiteral("</h3>");
        if (page == Page::Journal) h += para(shownTime(t.at));
        std::vector<QStringList> rows;
        for (const TestFigure& f : t.figures)
            rows.push_back({f.caption, f.value});
        h += table({}, rows);
        if (!t.png.isEmpty())
            h += QStringLiteral("<p><img src=\"%1\" width=\"%2\"></p>")
                     .arg(plotSource(i))
                     .arg(kPlotWidth);
    }
    return h;
}

QString adjustmentsSection(const Visit& v, Page page) {
    if (v.adjustments.empty()) return QString();
    std::vector<QStringList> rows;
    for (const Adjustment& a : v.adjustments) {
        QStringList row{a.what, a.value, a.stored ? QStringLiteral("да") : QStringLiteral("нет")};
        if (page == Page::Journal) row.prepend(shownTime(a.at));
        rows.push_back(row);
    }
    QStringList header{QStringLiteral("Регулировка"), QStringLiteral("Значение"),
                       QStringLiteral("Сохранено в ЭБУ")};
    if (page == Page::Journal) header.prepend(QStringLiteral("Время"));
    return heading(QStringLiteral("Регулировки")) + table(header, rows);
}

} // namespace

QString visitHtml(const Visit& v, const Workshop& w, Page page,
                  const std::function<QString(std::size_t)>& plotSource) {
    const VisitOpening& o = v.opening;
    QString h = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>") +
                esc(QStringLiteral("Отчёт о диагностике автомобиля")) +
                QStringLiteral("</title></head><body>");
    if (page == Page::Report) {
        if (!w.name.isEmpty())
            h += QStringLiteral("<p><b>") + esc(w.name) + QStringLiteral("</b>");
        else
            h += QStringLiteral("<p>");
        if (!w.address.isEmpty()) h += QStringLiteral("<br>") + esc(w.address);
        if (!w.phone.isEmpty())
            h += QStringLiteral("<br>") + esc(QStringLiteral("Телефон: ") + w.phone);
        h += QStringLiteral("</p><h1>") + esc(QStringLiteral("Отчёт о диагностике автомобиля")) +
             QStringLiteral("</h1>");
    } else {
        h += QStringLiteral("<h1>") + esc(QStringLiteral("Визит ") + shownTime(o.at)) +
             QStringLiteral("</h1>");
    }
    h += para(QStringLiteral("Дата: ") + shownTime(o.at));

    std::vector<QStringList> car;
    auto add = [&car](const QString& title, const QString& value) {
        if (!value.isEmpty()) car.push_back({title, value});
    };
    add(QStringLiteral("Двигатель"), o.ecu.engine);
    add(QStringLiteral("Тип ЭБУ"), o.ecu.type);
    add(QStringLiteral("Серийный номер ЭБУ"), o.ecu.series);
    add(QStringLiteral("Версия ПЗУ"), o.ecu.rom);
    for (const TextRow& row : o.passport)
        if (row.value != o.ecu.series && row.value != o.ecu.rom) add(bare(row.title), row.value);
    h += heading(QStringLiteral("Автомобиль и ЭБУ")) + table({}, car);
    if (page == Page::Journal) {
        if (!v.computer.isEmpty()) h += para(QStringLiteral("Компьютер: ") + v.computer);
        std::vector<QStringList> ids;
        for (const TextRow& row : o.identification)
            ids.push_back({row.title, row.value});
        if (!ids.empty()) h += heading(QStringLiteral("Идентификация ЭБУ")) + table({}, ids);
        if (!o.configuration.isEmpty()) {
            std::vector<QStringList> names;
            for (const QString& n : o.configuration)
                names.push_back({n});
            h += heading(QStringLiteral("Комплектация")) + table({}, names);
        }
    }
    h += faultsSection(v, page);
    h += tablesSection(v, page);
    h += testsSection(v, page, plotSource);
    h += adjustmentsSection(v, page);
    if (page == Page::Journal && !v.files.empty()) {
        std::vector<QStringList> rows;
        for (const SavedFile& f : v.files)
            rows.push_back({shownTime(f.at), f.kind, QDir::toNativeSeparators(f.path)});
        h += heading(QStringLiteral("Файлы")) + table({}, rows);
    }
    if (!v.remarks.empty()) {
        h += heading(QStringLiteral("Замечания мастера"));
        for (const Remark& r : v.remarks)
            h += para(page == Page::Journal ? shownTime(r.at) + QStringLiteral("  ") + r.text
                                            : r.text);
    }
    return h + QStringLiteral("</body></html>");
}

void fillDocument(QTextDocument& document, const Visit& v, const Workshop& w, Page page) {
    for (std::size_t i = 0; i < v.tests.size(); ++i) {
        if (v.tests[i].png.isEmpty()) continue;
        document.addResource(QTextDocument::ImageResource,
                             QUrl(QStringLiteral("plot%1.png").arg(i)),
                             QImage::fromData(v.tests[i].png, "PNG"));
    }
    document.setHtml(
        visitHtml(v, w, page, [](std::size_t i) { return QStringLiteral("plot%1.png").arg(i); }));
}

QString selfContainedReport(const Visit& v, const Workshop& w) {
    return visitHtml(v, w, Page::Report, [&v](std::size_t i) {
        return QStringLiteral("data:image/png;base64,") +
               QString::fromLatin1(v.tests[i].png.toBase64());
    });
}

bool writeReportHtml(const QString& path, const Visit& v, const Workshop& w, QString* why) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(selfContainedReport(v, w).toUtf8()) < 0 ||
        !file.commit()) {
        if (why) *why = file.errorString();
        return false;
    }
    return true;
}

bool writeReportPdf(const QString& path, const Visit& v, const Workshop& w, QString* why) {
    // QPdfWriter does not tell a file it could not write: the file is tried
    // first.
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly)) {
            if (why) *why = probe.errorString();
            return false;
        }
    }
    {
        QPdfWriter writer(path);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setResolution(150);
        writer.setTitle(QStringLiteral("Отчёт о диагностике автомобиля"));
        writer.setCreator(QStringLiteral("Kvintor"));
        QTextDocument document;
        // A face with Cyrillic letters; the writer embeds what is used.
        document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        fillDocument(document, v, w, Page::Report);
        document.print(&writer);
    }
    if (QFileInfo(path).size() > 0) return true;
    if (why) *why = QStringLiteral("файл пуст");
    return false;
}

QString historyHtml(const QString& series, const std::vector<VisitSummary>& visits) {
    QString h = QStringLiteral("<html><body><h2>") + esc(QStringLiteral("История ЭБУ ") + series) +
                QStringLiteral("</h2>");
    if (visits.empty())
        return h + para(QStringLiteral("Визитов нет.")) + QStringLiteral("</body></html>");
    std::set<int> codes;
    for (const VisitSummary& s : visits)
        for (int c : s.faultCodes)
            codes.insert(c);
    QStringList header{QStringLiteral("Код"), QStringLiteral("Неисправность")};
    for (const VisitSummary& s : visits)
        header << shownTime(s.opened);
    header << QStringLiteral("Визитов");
    std::vector<QStringList> rows;
    for (int code : codes) {
        QString text = ed::faultText(code);
        if (text.isEmpty()) text = QString::number(code) + QStringLiteral("  не  определена");
        QStringList row{QString::number(code), text};
        int seen = 0;
        for (const VisitSummary& s : visits) {
            const bool in = s.faultCodes.contains(code);
            seen += in ? 1 : 0;
            row << (in ? QStringLiteral("X") : QString());
        }
        row << (seen > 1 ? QStringLiteral("%1, повторяется").arg(seen) : QString::number(seen));
        rows.push_back(row);
    }
    h += para(QStringLiteral("Визитов: %1").arg(visits.size()));
    h += codes.empty() ? para(QStringLiteral("Неисправностей не считано ни в одном визите."))
                       : table(header, rows);
    return h + QStringLiteral("</body></html>");
}

} // namespace kvintor::visits
