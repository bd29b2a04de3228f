#pragma once
// Reading back what the recordings wrote: through Python's csv module, as a
// program that never saw our writer would, and byte for byte.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringList>

// The records of a CSV file as Python's csv reader sees them (UTF-8 with an
// optional byte-order mark); empty when Python failed.
inline QList<QStringList> readCsvWithPython(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                 "    json.dump(list(csv.reader(f)), sys.stdout)\n"),
                  path});
    QList<QStringList> out;
    if (!python.waitForFinished(10000) || python.exitCode() != 0) return out;
    for (const QJsonValue& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue& f : row.toArray()) fields << f.toString();
        out << fields;
    }
    return out;
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
