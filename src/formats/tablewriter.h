#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The text tables as the build writes them, which the tables' reader takes back as they were:
// tab-separated UTF-8 with a header line, described by a schema.ini, and the connection file
// that names them.
namespace TableWriter {

// One row; num is its position, counted as the rows are written.
struct Row final {
    QString english;
    QString french;
    QString subfield;
    QString label; // of the translation this table shows
};

QByteArray table(const QList<Row>& rows);
QByteArray schema();
QByteArray connection(const QString& title, const QString& tableFolder, const QString& letterStarts);

} // namespace TableWriter
