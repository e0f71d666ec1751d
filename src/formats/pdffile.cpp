#include "pdffile.h"

#include <QFile>

namespace PdfFile {

QString whyIncomplete(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const qint64 size = file.size();
    if (size <= 0)
        return QStringLiteral("the file is empty (is the disk full?)");
    file.seek(std::max<qint64>(0, size - 1024));
    if (!file.read(1024).contains("%%EOF"))
        return QStringLiteral("the file is incomplete (is the disk full?)");
    return {};
}

} // namespace PdfFile
