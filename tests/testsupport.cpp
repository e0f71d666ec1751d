#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

ProgramRun runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return { process.exitCode(), QString::fromUtf8(process.readAll()) };
}

void writeTextFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

static QByteArray table(const QList<Entry>& entries)
{
    QByteArray text = "English,Frensh,num\n";
    // A null text is written as an empty unquoted field: a missing value.
    const auto quote = [](const QString& field) {
        if (field.isNull())
            return QByteArray();
        QString escaped = field;
        escaped.replace(u'"', QStringLiteral("\"\""));
        return (u'"' + escaped + u'"').toUtf8();
    };
    for (const Entry& entry : entries)
        text += quote(entry.english) + ',' + quote(entry.french) + ',' + entry.num.toUtf8() + '\n';
    return text;
}

void writeDictionary(const QString& dataDir, const QList<Entry>& french, const QList<Entry>& english)
{
    writeTextFile(dataDir, QStringLiteral("d0.UDL"), "[oledb]\n; Everything after this line is an OLE DB initstring\nProvider=text;Data Source=fr\n");
    writeTextFile(dataDir, QStringLiteral("d2.UDL"), "Provider=TEXT;Data Source=\"en\"\n");
    writeTextFile(dataDir, QStringLiteral("fr/PS.txt"), table(french));
    writeTextFile(dataDir, QStringLiteral("en/PS.txt"), table(english));
}

QList<Entry> numbered(const QList<QPair<QString, QString>>& englishFrench)
{
    QList<Entry> entries;
    for (const auto& [english, french] : englishFrench)
        entries.append({ english, french, QString::number(entries.size()) });
    return entries;
}

QByteArray contentJson(const QString& companyLatin, const QString& companyArabic, const QString& author, const QString& notice)
{
    const QString json = QStringLiteral(R"({"companyLatin": "%1", "companyArabic": "%2", "author": "%3", "legalNotice": "%4",
        "publisher": {"name": "publisher.name", "technicalDirector": "publisher.technicalDirector",
                      "address": ["publisher.address1", "publisher.address2", "publisher.address3"], "email": "publisher.email",
                      "phone": "publisher.phone", "fax": "publisher.fax", "development": "publisher.development",
                      "secretaries": ["publisher.secretary1", "publisher.secretary2"]},
        "writer": {"name": "writer.name", "profession": {"en": "writer.profession.en", "fr": "writer.profession.fr"},
                   "affiliations": {"en": ["en1", "en2", "en3", "en4", "en4b", "en5", "en6"], "fr": ["fr1", "fr2", "fr3", "fr4", "fr5", "fr6"]},
                   "address": ["writer.address1", "writer.address2", "writer.address3"], "email": "writer.email",
                   "phone": "writer.phone", "fax": "writer.fax", "mobile": "writer.mobile"}})");
    return json.arg(companyLatin, companyArabic, author, notice).toUtf8();
}
