#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <sys/stat.h>

namespace TextFile {

QString notRegularReason(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return {};
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("it is a directory");
    const QString kind = S_ISFIFO(status.st_mode) ? QStringLiteral("a named pipe (FIFO)")
        : S_ISCHR(status.st_mode)                 ? QStringLiteral("a character device")
        : S_ISBLK(status.st_mode)                 ? QStringLiteral("a block device")
        : S_ISSOCK(status.st_mode)                ? QStringLiteral("a socket")
                                                  : QStringLiteral("not a file");
    return QStringLiteral("it is not a regular file but ") + kind;
}

Result<QByteArray> read(const QString& path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the file ") + path };
    if (const QString reason = notRegularReason(path); !reason.isEmpty())
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot read ") + path + QStringLiteral(": ") + reason };
    if (info.size() > maxBytes)
        return Failure { FailureNumber::CannotReadFile,
                         QStringLiteral("cannot read %1: %2 bytes, more than the %3 allowed")
                             .arg(path)
                             .arg(info.size())
                             .arg(maxBytes) };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString() };
    // The size was checked above; asking read() for the limit instead would size the buffer for
    // it on every read.
    QByteArray bytes = file.readAll();
    if (bytes.size() > maxBytes)
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot read %1: more than %2 bytes").arg(path).arg(maxBytes) };
    if (file.error() != QFileDevice::NoError)
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString() };
    return bytes;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    // The 0x80..0x9F row is where Windows-1252 differs from Latin-1; unassigned codes stay as
    // their C1 control, as Windows maps them.
    static constexpr char16_t row80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? row80[b - 0x80] : char16_t(b));
    }
    return text;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

std::optional<QString> decodeMarkedUtf16(QByteArrayView bytes)
{
    const bool little = bytes.startsWith("\xFF\xFE");
    if (!little && !bytes.startsWith("\xFE\xFF"))
        return {};
    QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
    return QString(decoder.decode(bytes.sliced(2)));
}

QString findCaseInsensitive(const QString& directory, const QString& name)
{
    const QDir dir(directory);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

} // namespace TextFile
