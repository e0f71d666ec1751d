#include "chmfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <optional>
#include <vector>

#include <chm_lib.h>

#include "chmlimits.h"
#include "textfile.h"


namespace {

constexpr qint64 maxObjectBytes = ChmLimits::maxObjectBytes;
constexpr int maxContentsDepth = 64;

int collectObject(chmFile*, chmUnitInfo* info, void* context)
{
    auto* objects = static_cast<QStringList*>(context);
    if (objects->size() < 100000)
        objects->append(QString::fromUtf8(info->path));
    return CHM_ENUMERATOR_CONTINUE;
}

QString decodeHtmlEntities(QString text)
{
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

quint64 littleEndian(const QByteArray& bytes, qsizetype at, int size)
{
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// chmlib follows the chain of directory listing chunks without looking for a loop, so a file
// whose chain runs back on itself would hold it forever. Walk the chain here first, bounded by
// how many chunks the file can hold.
bool directoryChainEnds(QFile& file)
{
    const qint64 size = file.size();
    file.seek(0);
    const QByteArray itsf = file.read(0x58);
    if (itsf.size() < 0x58)
        return false;
    const quint64 directory = littleEndian(itsf, 0x48, 8);
    if (directory >= static_cast<quint64>(size) || !file.seek(static_cast<qint64>(directory)))
        return false;
    const QByteArray itsp = file.read(0x54);
    if (itsp.size() < 0x54 || !itsp.startsWith("ITSP"))
        return false;
    const quint64 headerLength = littleEndian(itsp, 0x08, 4);
    const quint64 chunkLength = littleEndian(itsp, 0x10, 4);
    if (chunkLength < 0x14 || directory + headerLength >= static_cast<quint64>(size))
        return false;
    const quint64 chunks = (static_cast<quint64>(size) - directory - headerLength) / chunkLength;
    quint64 chunk = littleEndian(itsp, 0x20, 4);
    for (quint64 steps = 0; chunk != 0xFFFFFFFFu; ++steps) {
        if (chunk >= chunks || steps > chunks)
            return false;
        if (!file.seek(static_cast<qint64>(directory + headerLength + chunk * chunkLength)))
            return false;
        const QByteArray listing = file.read(0x14);
        if (listing.size() < 0x14 || !listing.startsWith("PMGL"))
            return false;
        chunk = littleEndian(listing, 0x10, 4);
    }
    return true;
}

// chmlib trusts the file's numbers: a damaged file can make it divide by zero, read out of
// bounds or loop. A probe program opens the file and reads every object first, in a process
// of its own; only a file it lived through, within a few seconds, is opened here.
std::optional<QString> probeFailure(const QString& path)
{
    // Beside the running program, or where it is installed beside bin; found through the
    // executable itself, so that a program without a Qt application finds it too.
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString directory = executable.isEmpty() ? QCoreApplication::applicationDirPath() : QFileInfo(executable).path();
    QString probe;
    for (const QString& candidate : QStringList { directory + QStringLiteral("/evelmora-chmprobe"), directory + QStringLiteral("/../libexec/evelmora/evelmora-chmprobe") }) {
        if (QFileInfo(candidate).isExecutable()) {
            probe = candidate;
            break;
        }
    }
    if (probe.isEmpty())
        return QStringLiteral("The help file %1 cannot be checked before it is opened: the program evelmora-chmprobe is not installed beside %2.").arg(path, directory);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(probe, { path });
    if (!process.waitForStarted(5000))
        return QStringLiteral("The help file %1 cannot be checked before it is opened: %2 does not start (%3).").arg(path, probe, process.errorString());
    if (!process.waitForFinished((ChmLimits::probeSeconds + 2) * 1000)) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("The help file %1 is damaged: its directory cannot be read.").arg(path);
    return std::nullopt;
}

} // namespace

Result<std::unique_ptr<ChmFile>> ChmFile::open(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Failure { FailureNumber::NoSuchFile, QStringLiteral("The help file %1 does not exist.").arg(path) };
    if (const QString reason = TextFile::notRegularReason(path); !reason.isEmpty())
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("The help file %1 cannot be read: %2").arg(path, reason) };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("The help file %1 cannot be read: %2").arg(path, file.errorString()) };
    if (file.read(4) != "ITSF")
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("The file %1 is not a compiled HTML help (.chm) file.").arg(path) };
    if (!directoryChainEnds(file))
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("The help file %1 is damaged: its directory cannot be read.").arg(path) };
    if (const auto failure = probeFailure(path))
        return Failure { FailureNumber::InvalidFileFormat, *failure };
    file.close();

    std::unique_ptr<ChmFile> chm(new ChmFile);
    chm->m_path = path;
    chm->m_handle = chm_open(QFile::encodeName(path).constData());
    if (!chm->m_handle)
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("The help file %1 is damaged: its directory cannot be read.").arg(path) };
    chm_enumerate(chm->m_handle, CHM_ENUMERATE_ALL, collectObject, &chm->m_objects);
    chm->readSystemData();
    if (chm->m_defaultTopic.isEmpty()) {
        for (const QString& object : std::as_const(chm->m_objects)) {
            if (object.endsWith(u".htm", Qt::CaseInsensitive) || object.endsWith(u".html", Qt::CaseInsensitive)) {
                chm->m_defaultTopic = object;
                break;
            }
        }
    }
    if (chm->m_contents.isEmpty()) {
        for (const QString& object : std::as_const(chm->m_objects)) {
            if (object.endsWith(u".hhc", Qt::CaseInsensitive)) {
                chm->m_contents = object;
                break;
            }
        }
    }
    if (chm->m_defaultTopic.isEmpty())
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("The help file %1 holds no page.").arg(path) };
    return chm;
}

ChmFile::~ChmFile()
{
    if (m_handle)
        chm_close(m_handle);
}

Result<QByteArray> ChmFile::read(const QString& objectPath) const
{
    QString path = objectPath.startsWith(u'/') ? objectPath : u'/' + objectPath;
    chmUnitInfo info {};
    if (chm_resolve_object(m_handle, path.toUtf8().constData(), &info) != CHM_RESOLVE_SUCCESS) {
        const auto found = std::find_if(m_objects.cbegin(), m_objects.cend(), [&path](const QString& o) { return o.compare(path, Qt::CaseInsensitive) == 0; });
        if (found == m_objects.cend() || chm_resolve_object(m_handle, found->toUtf8().constData(), &info) != CHM_RESOLVE_SUCCESS)
            return Failure { FailureNumber::NoSuchFile, QStringLiteral("%1 holds no page %2.").arg(m_path, path) };
    }
    if (info.length > static_cast<LONGUINT64>(maxObjectBytes))
        return Failure { FailureNumber::OutOfMemory, QStringLiteral("%1 in %2 is too large to show.").arg(path, m_path) };
    QByteArray bytes(static_cast<qsizetype>(info.length), Qt::Uninitialized);
    const LONGINT64 got = chm_retrieve_object(m_handle, &info, reinterpret_cast<unsigned char*>(bytes.data()), 0, static_cast<LONGINT64>(info.length));
    if (got < 0 || static_cast<LONGUINT64>(got) != info.length)
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("%1 in %2 cannot be read: the file is damaged.").arg(path, m_path) };
    return bytes;
}

// #SYSTEM: a version, then records of a 16-bit code, a 16-bit length and that many bytes.
void ChmFile::readSystemData()
{
    const auto system = read(QStringLiteral("/#SYSTEM"));
    if (!system)
        return;
    const QByteArray& data = *system;
    qsizetype pos = 4;
    const auto word = [&data](qsizetype at) { return static_cast<int>(static_cast<unsigned char>(data[at]) | (static_cast<unsigned char>(data[at + 1]) << 8)); };
    while (pos + 4 <= data.size()) {
        const int code = word(pos);
        const int length = word(pos + 2);
        pos += 4;
        if (pos + length > data.size())
            break;
        const QString text = QString::fromUtf8(data.mid(pos, length)).section(QChar(0), 0, 0);
        if (code == 0 && !text.isEmpty())
            m_contents = u'/' + text;
        else if (code == 2 && !text.isEmpty())
            m_defaultTopic = u'/' + text;
        else if (code == 3)
            m_title = text;
        pos += length;
    }
}

QString ChmFile::defaultTopic() const
{
    return m_defaultTopic;
}

QString ChmFile::title() const
{
    return m_title;
}

QString ChmFile::contentsFile() const
{
    return m_contents;
}

QStringList ChmFile::objects() const
{
    return m_objects;
}

QList<HelpTopic> parseContents(const QByteArray& hhc)
{
    // A flat walk over the tags keeps a stack of open lists instead of recursing.
    static const QRegularExpression tag(QStringLiteral("<\\s*(/?)\\s*(ul|object|param)\\b([^>]*)>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(QStringLiteral("(name|value)\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
                                              QRegularExpression::CaseInsensitiveOption);
    QList<HelpTopic> root;
    QList<QList<HelpTopic>*> lists { &root };
    HelpTopic current;
    bool inObject = false;
    const QString text = QString::fromUtf8(hhc);
    for (auto it = tag.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const bool closing = !match.captured(1).isEmpty();
        const QString name = match.captured(2).toLower();
        if (name == u"ul") {
            if (!closing) {
                QList<HelpTopic>* parent = lists.last();
                if (lists.size() >= maxContentsDepth || parent->isEmpty()) {
                    // A list with no entry to hang from, or too deep: its entries join the
                    // list it stands in.
                    lists.append(parent);
                } else {
                    lists.append(&parent->last().children);
                }
            } else if (lists.size() > 1) {
                lists.removeLast();
            }
        } else if (name == u"object") {
            if (!closing) {
                inObject = true;
                current = HelpTopic();
            } else if (inObject) {
                inObject = false;
                if (!current.name.isEmpty() || !current.local.isEmpty())
                    lists.last()->append(current);
            }
        } else if (name == u"param" && inObject) {
            QString key;
            QString value;
            for (auto a = attribute.globalMatch(match.captured(3)); a.hasNext();) {
                const auto m = a.next();
                const QString v = m.captured(3) + m.captured(4) + m.captured(5);
                if (m.captured(1).compare(u"name", Qt::CaseInsensitive) == 0)
                    key = v;
                else
                    value = decodeHtmlEntities(v);
            }
            if (key.compare(u"Name", Qt::CaseInsensitive) == 0 && current.name.isEmpty())
                current.name = value;
            else if (key.compare(u"Local", Qt::CaseInsensitive) == 0 && current.local.isEmpty())
                current.local = value;
        }
    }
    return root;
}
