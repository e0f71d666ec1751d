#include "productcontent.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include "textfile.h"

Result<ProductContent> ProductContent::read(const QString& programDirectory)
{
    const QString path = QDir(programDirectory).filePath(QStringLiteral("content.json"));
    auto bytes = TextFile::read(path, 64 * 1024);
    if (!bytes)
        return bytes.failure();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (!document.isObject())
        return Failure { FailureNumber::MalformedTable,
                         QStringLiteral("cannot read %1: %2 at offset %3").arg(path, error.errorString()).arg(error.offset) };
    const QJsonObject object = document.object();
    ProductContent content;
    const std::pair<const char16_t*, QString*> fields[] = {
        { u"companyLatin", &content.companyLatin },
        { u"companyArabic", &content.companyArabic },
        { u"author", &content.author },
        { u"legalNotice", &content.legalNotice },
    };
    for (const auto& [key, target] : fields) {
        const QJsonValue value = object.value(QStringView(key));
        if (!value.isString())
            return Failure { FailureNumber::MalformedTable, QStringLiteral("cannot read %1: no text for \"%2\"").arg(path, QStringView(key)) };
        *target = value.toString();
    }
    return content;
}
