#include "productcontent.h"

#include <QDir>
#include <QJsonArray>
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
    const QJsonObject root = document.object();
    ProductContent content;
    QString missing;
    const auto text = [&missing](const QJsonObject& object, const QString& key) {
        const QJsonValue value = object.value(key);
        if (!value.isString() && missing.isEmpty())
            missing = key;
        return value.toString();
    };
    const auto lines = [&missing](const QJsonObject& object, const QString& key) {
        QStringList result;
        const QJsonValue value = object.value(key);
        if (!value.isArray() && missing.isEmpty())
            missing = key;
        for (const QJsonValue& line : value.toArray())
            result.append(line.toString());
        return result;
    };
    content.companyLatin = text(root, QStringLiteral("companyLatin"));
    content.companyArabic = text(root, QStringLiteral("companyArabic"));
    content.author = text(root, QStringLiteral("author"));
    content.legalNotice = text(root, QStringLiteral("legalNotice"));
    const QJsonObject publisher = root.value(QStringLiteral("publisher")).toObject();
    content.publisher = { text(publisher, QStringLiteral("name")),        text(publisher, QStringLiteral("technicalDirector")),
                          lines(publisher, QStringLiteral("address")),    text(publisher, QStringLiteral("email")),
                          text(publisher, QStringLiteral("phone")),       text(publisher, QStringLiteral("fax")),
                          text(publisher, QStringLiteral("development")), lines(publisher, QStringLiteral("secretaries")) };
    const QJsonObject writer = root.value(QStringLiteral("writer")).toObject();
    const QJsonObject profession = writer.value(QStringLiteral("profession")).toObject();
    const QJsonObject affiliations = writer.value(QStringLiteral("affiliations")).toObject();
    content.writer = { text(writer, QStringLiteral("name")),         text(profession, QStringLiteral("en")),   text(profession, QStringLiteral("fr")),
                       lines(affiliations, QStringLiteral("en")),    lines(affiliations, QStringLiteral("fr")), lines(writer, QStringLiteral("address")),
                       text(writer, QStringLiteral("email")),        text(writer, QStringLiteral("phone")),    text(writer, QStringLiteral("fax")),
                       text(writer, QStringLiteral("mobile")) };
    if (!missing.isEmpty())
        return Failure { FailureNumber::MalformedTable, QStringLiteral("cannot read %1: no text for \"%2\"").arg(path, missing) };
    return content;
}
