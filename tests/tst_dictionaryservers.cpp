// The dictionary as the DICT server and the StarDict reader of Debian serve it: the real dictd,
// dict and sdcv on what `export` writes, checked against the tool's own look-up.

#include <unistd.h>
#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "direction.h"
#include "dictzip.h"
#include "lookupcommand.h"
#include "tablestool.h"
#include "termexport.h"
#include "windowdata.h"

using namespace Qt::StringLiterals;

namespace
{

QString tool(const QString& name)
{
    const QString path = QStandardPaths::findExecutable(name, { u"/usr/sbin"_s, u"/usr/bin"_s });
    if (path.isEmpty())
        qFatal("%s is needed (./test installs it)", qPrintable(name));
    return path;
}

CommandAnswer runTool(const QStringList& arguments)
{
    return TablesTool::run(arguments, QFileInfo(QStringLiteral(TABLES_TOOL)).path());
}

// Lines run together: the layout wraps long lines, the comparisons look at the words.
QString flat(const QString& text)
{
    return text.simplified();
}

QString output(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return u"(did not finish)"_s;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Debian's dictd on a free loopback port, as nobody when the tests run as root, serving the
// databases a configuration in `folder` names; stopped with the object.
class DictServer final
{
public:
    DictServer(const QString& folder, const QStringList& databases)
    {
        // Its configuration, log and pid file in a folder it may write.
        if (::geteuid() == 0 && ::chown(QFile::encodeName(m_home.path()).constData(), 65534, 65534) != 0)
            return;
        QString configuration = u"access { allow * }\n"_s;
        for (const QString& name : databases)
            configuration += u"database %1 { data \"%2/%1.dict.dz\" index \"%2/%1.index\" }\n"_s.arg(name, folder);
        QFile file(m_home.filePath(u"dictd.conf"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(configuration.toUtf8()) < 0)
            return;
        file.close();
        for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost))
                continue;
            const quint16 port = probe.serverPort();
            probe.close();
            const QStringList arguments { u"-c"_s, file.fileName(), u"-p"_s, QString::number(port), u"--listen-to"_s,
                u"127.0.0.1"_s, u"--locale"_s, u"C.UTF-8"_s, u"-d"_s, u"nodetach"_s, u"-L"_s,
                m_home.filePath(u"dictd.log"_s), u"--pid-file"_s, m_home.filePath(u"dictd.pid"_s) };
            if (::geteuid() == 0)
                m_process.start(u"setpriv"_s,
                    QStringList { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, tool(u"dictd"_s) }
                        + arguments);
            else
                m_process.start(tool(u"dictd"_s), arguments);
            if (!m_process.waitForStarted(10000))
                continue;
            // Up when it answers.
            for (int wait = 0; wait < 100 && m_process.state() == QProcess::Running; ++wait) {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, port);
                if (socket.waitForConnected(200) && socket.waitForReadyRead(2000)
                    && socket.readLine().startsWith("220")) {
                    m_port = port;
                    break;
                }
                QTest::qWait(50);
            }
        }
    }
    ~DictServer()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    quint16 port() const { return m_port; }
    QString log() const
    {
        QFile file(m_home.filePath(u"dictd.log"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : u"(no log)"_s;
    }

private:
    QTemporaryDir m_home;
    QProcess m_process;
    quint16 m_port = 0;
};

// The answer to the next DEFINE sent: the definitions' texts, or nothing on no match. The
// requests go out together, so that no answer waits on the round trip of the one before.
QStringList nextDefinitions(QTcpSocket& socket)
{
    QStringList definitions;
    QString current;
    bool inText = false;
    for (;;) {
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(10000))
                return { u"(no answer)"_s };
        }
        QString line = QString::fromUtf8(socket.readLine()).chopped(2);
        if (inText) {
            if (line == u".") {
                definitions << current;
                current.clear();
                inText = false;
            } else {
                current += (line.startsWith(u".."_s) ? line.mid(1) : line) + u'\n';
            }
        } else if (line.startsWith(u"151"_s)) {
            inText = true;
        } else if (line.startsWith(u"250"_s) || line.startsWith(u"552"_s)) {
            return definitions;
        } else if (!line.startsWith(u"150"_s)) {
            return { line };
        }
    }
}

} // namespace

class TestDictionaryServers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dictzipChunksInflateAlone();
    void dictdServesTheDictionary();
    void dictdAgreesWithTheLookUp();
    void sdcvReadsTheDictionary();
    void exportsRefuseWhatTheyCannotWrite();

private:
    QString lookedUp(const QString& language, const QString& word);

    QTemporaryDir m_dir;
    QString m_data;
    QString m_dictd;
    QString m_stardict;
};

void TestDictionaryServers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_data = m_dir.filePath(u"data"_s);
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), m_data }).status, 0);
    // The server reads its folder as nobody.
    if (::geteuid() == 0)
        QCOMPARE(::chown(QFile::encodeName(m_dir.path()).constData(), 65534, 65534), 0);
    m_dictd = m_dir.filePath(u"dictd"_s);
    m_stardict = m_dir.filePath(u"stardict"_s);
    for (const auto& [format, folder] :
        { std::pair { u"dictd"_s, m_dictd }, std::pair { u"stardict"_s, m_stardict } }) {
        const CommandAnswer answer = runTool({ u"export"_s, m_data, u"--format"_s, format, u"--output"_s, folder });
        QVERIFY2(answer.status == 0, qPrintable(answer.err));
        QVERIFY2(answer.err.contains(u"headwords written to "_s + folder), qPrintable(answer.err));
    }
}

QString TestDictionaryServers::lookedUp(const QString& language, const QString& word)
{
    return runTool({ u"lookup"_s, m_data, language, word }).out.trimmed();
}

void TestDictionaryServers::dictzipChunksInflateAlone()
{
    // Three chunks and a bit, of text that does not compress to nothing.
    QByteArray data;
    QRandomGenerator random(31);
    while (data.size() < 3 * 58315 + 1000)
        data += QByteArray::number(random.generate()) + ' ';
    const Result<QByteArray> packed = Dictzip::compress(data, "t.dict", 0);
    QVERIFY(packed);
    const QByteArray& file = *packed;
    // The chunk table in the extra field, then the name, then the chunks one after the other.
    const auto u16 = [&file](qsizetype at) { return quint32(quint8(file[at])) | quint32(quint8(file[at + 1])) << 8; };
    QCOMPARE(file.mid(12, 2), QByteArray("RA"));
    const quint32 chunkLength = u16(18);
    const quint32 count = u16(20);
    QCOMPARE(count, 4u);
    QList<qsizetype> starts { file.indexOf('\0', 12 + qsizetype(u16(10))) + 1 };
    for (quint32 i = 0; i < count; ++i)
        starts << starts.last() + qsizetype(u16(22 + 2 * i));
    // The stream's last block, in no chunk, then the CRC and the length.
    QVERIFY(file.size() - starts.last() > 8 && file.size() - starts.last() < 16);
    // A server keeps one inflate stream and reads the chunks a request needs, in any order.
    z_stream stream {};
    QCOMPARE(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    for (const quint32 i : { 3u, 0u, 2u, 1u, 3u }) {
        QByteArray out(int(chunkLength), '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.constData() + starts[i]));
        stream.avail_in = uInt(starts[i + 1] - starts[i]);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        QCOMPARE(inflate(&stream, Z_PARTIAL_FLUSH), Z_OK);
        QCOMPARE(stream.avail_in, 0u);
        out.resize(out.size() - qsizetype(stream.avail_out));
        QCOMPARE(out, data.mid(qsizetype(i) * chunkLength, chunkLength));
    }
    inflateEnd(&stream);
    // And gzip reads it whole.
    QProcess gzip;
    gzip.start(tool(u"gzip"_s), { u"-dc"_s });
    gzip.write(file);
    gzip.closeWriteChannel();
    QVERIFY(gzip.waitForFinished(30000));
    QCOMPARE(gzip.exitCode(), 0);
    QCOMPARE(gzip.readAllStandardOutput(), data);
}

void TestDictionaryServers::dictdServesTheDictionary()
{
    DictServer server(m_dictd, { u"evelmora-fr-en"_s, u"evelmora-en-fr"_s });
    QVERIFY2(server.port() != 0, qPrintable(u"dictd did not start: "_s + server.log()));
    const QString dict = tool(u"dict"_s);
    const QStringList to { u"-h"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(server.port()) };
    const auto ask = [&](const QStringList& arguments) { return output(dict, to + arguments); };

    const QString databases = ask({ u"-D"_s });
    QVERIFY2(
        databases.contains(u"evelmora-fr-en"_s) && databases.contains(u"eVelmora, psychologie, français-anglais"_s),
        qPrintable(databases));
    QVERIFY2(databases.contains(u"evelmora-en-fr"_s) && databases.contains(u"eVelmora, psychology, English-French"_s),
        qPrintable(databases));
    const QString info = ask({ u"-i"_s, u"evelmora-en-fr"_s });
    QVERIFY2(info.contains(u"dictionary of psychological sciences, from English to French"_s)
            && !info.contains(u"00-database"_s),
        qPrintable(info));

    // The entry the look-up shows is in the definition, under both spellings.
    const QString delire = lookedUp(u"fr"_s, u"délire"_s);
    QVERIFY(delire.startsWith(u"délire\t"_s));
    for (const QString& word : { u"délire"_s, u"DELIRE"_s }) {
        const QString defined = ask({ u"-d"_s, u"evelmora-fr-en"_s, word });
        QVERIFY2(flat(defined).contains(flat(u"délire\n"_s)) && flat(defined).contains(delire.section(u'\t', 1)),
            qPrintable(defined));
    }
    const QString anxiety = ask({ u"-d"_s, u"evelmora-fr-en"_s, u"anxiete"_s });
    QVERIFY2(
        anxiety.contains(u"1 definition found"_s) && anxiety.contains(u"anxiété"_s) && anxiety.contains(u"anxiety"_s),
        qPrintable(anxiety));
    QVERIFY(ask({ u"-d"_s, u"evelmora-en-fr"_s, u"anxiety"_s })
                .contains(lookedUp(u"en"_s, u"anxiety"_s).section(u'\t', 0, 0)));

    // Matches name the headword as written, the folded line included.
    const QString exact = ask({ u"-d"_s, u"evelmora-fr-en"_s, u"-m"_s, u"-s"_s, u"exact"_s, u"anxiete"_s });
    QVERIFY2(exact.contains(u"anxiété"_s), qPrintable(exact));
    const QString prefix = ask({ u"-d"_s, u"evelmora-fr-en"_s, u"-m"_s, u"-s"_s, u"prefix"_s, u"anxi"_s });
    QVERIFY2(prefix.contains(u"anxiété"_s) && prefix.contains(u"anxiolytique"_s), qPrintable(prefix));
    const QString lev = ask({ u"-d"_s, u"evelmora-en-fr"_s, u"-m"_s, u"-s"_s, u"lev"_s, u"anxiy"_s });
    QVERIFY2(!lev.contains(u"anxiety"_s), qPrintable(lev)); // two letters short
    const QString oneEdit = ask({ u"-d"_s, u"evelmora-en-fr"_s, u"-m"_s, u"-s"_s, u"lev"_s, u"anxity"_s });
    QVERIFY2(oneEdit.contains(u"anxiety"_s), qPrintable(oneEdit));
}

void TestDictionaryServers::dictdAgreesWithTheLookUp()
{
    DictServer server(m_dictd, { u"evelmora-fr-en"_s, u"evelmora-en-fr"_s });
    QVERIFY2(server.port() != 0, qPrintable(u"dictd did not start: "_s + server.log()));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(socket.waitForConnected(5000) && socket.waitForReadyRead(5000));
    socket.readLine();
    // Seeded, so that a failure comes back; every headword finds its text, the translation the
    // look-up shows is in it, and so is every other translation of the headword.
    QRandomGenerator random(2628);
    for (const bool french : { true, false }) {
        const auto entries = TermExport::entries(
            m_data, french ? TermExport::Tables::FrenchToEnglish : TermExport::Tables::EnglishToFrench);
        QVERIFY(entries);
        WindowData window
            = WindowData::open(french ? Direction::frenchToEnglish() : Direction::englishToFrench(), m_data);
        QStringList words;
        while (words.size() < 100) {
            const TermSource::Entry& entry = (*entries)[random.bounded(entries->size())];
            const QString word = french ? entry.french : entry.english;
            if (!word.contains(u'"') && !word.contains(u'\\'))
                words << word;
        }
        const QString database = french ? u"evelmora-fr-en"_s : u"evelmora-en-fr"_s;
        for (const QString& word : words)
            socket.write(u"DEFINE %1 \"%2\"\r\n"_s.arg(database, word).toUtf8());
        for (const QString& word : words) {
            const QStringList texts = nextDefinitions(socket);
            QVERIFY2(!texts.isEmpty(), qPrintable(word));
            const QString all = flat(texts.join(u'\n'));
            for (const TermSource::Entry& entry : *entries) {
                if ((french ? entry.french : entry.english) == word)
                    QVERIFY2(all.contains(flat(french ? entry.shownEnglish() : entry.shownFrench())),
                        qPrintable(word + u": "_s + all));
            }
            const QString shown = LookupCommand::run(window, french ? u"fr"_s : u"en"_s, word).out.trimmed();
            QVERIFY2(all.contains(flat(shown.section(u'\t', french ? 1 : 0, french ? 1 : 0))),
                qPrintable(word + u": "_s + shown + u" / "_s + all));
        }
    }
}

void TestDictionaryServers::sdcvReadsTheDictionary()
{
    // A home of its own: sdcv also reads the user's dictionaries and keeps a history there.
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, home.path());
    environment.insert(u"STARDICT_DATA_DIR"_s, home.path());
    const auto read = [&](const QStringList& words) {
        const QString text = output(tool(u"sdcv"_s),
            QStringList { u"--data-dir"_s, m_stardict, u"-n"_s, u"-e"_s, u"-j"_s } + words, environment);
        QList<QJsonArray> answers;
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
            answers << QJsonDocument::fromJson(line.toUtf8()).array();
        return answers;
    };
    const QList<QJsonArray> anxiety = read({ u"anxiete"_s, u"anxiety"_s });
    QCOMPARE(anxiety.size(), 2);
    // Without its accents the French headword is found, and only in the French dictionary.
    QCOMPARE(anxiety[0].size(), 1);
    const QJsonObject french = anxiety[0][0].toObject();
    QCOMPARE(french[u"dict"_s].toString(), u"eVelmora, psychologie, français-anglais"_s);
    QCOMPARE(french[u"word"_s].toString(), u"anxiété"_s);
    QVERIFY(flat(french[u"definition"_s].toString()).contains(lookedUp(u"fr"_s, u"anxiété"_s).section(u'\t', 1)));
    QVERIFY(flat(anxiety[1][0].toObject()[u"definition"_s].toString())
                .contains(lookedUp(u"en"_s, u"anxiety"_s).section(u'\t', 0, 0)));

    // A sample of headwords, each found as written: the index is in the reader's order.
    const auto entries = TermExport::entries(m_data, TermExport::Tables::FrenchToEnglish);
    QVERIFY(entries);
    QRandomGenerator random(1931);
    QStringList words;
    for (int i = 0; i < 150; ++i)
        words << (*entries)[random.bounded(entries->size())].french;
    const QList<QJsonArray> answers = read(words);
    QCOMPARE(answers.size(), words.size());
    for (qsizetype i = 0; i < words.size(); ++i) {
        bool found = false;
        for (const QJsonValue& answer : answers[i])
            found = found || answer.toObject()[u"word"_s].toString() == words[i];
        QVERIFY2(found, qPrintable(words[i]));
    }
}

void TestDictionaryServers::exportsRefuseWhatTheyCannotWrite()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a-file"_s);
    QFile(file).open(QIODevice::WriteOnly);
    struct Case {
        QStringList options;
        QString message;
    };
    const QList<Case> cases {
        { { u"--format"_s, u"dictd"_s }, u"--output FOLDER is needed"_s },
        { { u"--format"_s, u"stardict"_s, u"--output"_s, u"-"_s }, u"--output FOLDER is needed"_s },
        { { u"--format"_s, u"dictd"_s, u"--output"_s, file }, file + u" is not a folder"_s },
        { { u"--format"_s, u"stardict"_s, u"--output"_s, file + u"/below"_s },
            u"cannot make the folder "_s + file + u"/below"_s },
        { { u"--format"_s, u"dictd"_s, u"--output"_s, dir.path(), u"--subfield"_s, u"clinical"_s },
            u"--subfield is for --format anki"_s },
    };
    for (const Case& c : cases) {
        const CommandAnswer answer = runTool(QStringList { u"export"_s, m_data } + c.options);
        QCOMPARE(answer.status, 2);
        QVERIFY2(answer.err.contains(c.message), qPrintable(answer.err));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList { u"a-file"_s });
}

QTEST_GUILESS_MAIN(TestDictionaryServers)
#include "tst_dictionaryservers.moc"
