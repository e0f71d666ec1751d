#include "musicfile.h"

#include <QFile>
#include <QFileInfo>

#include "textfile.h"

namespace MusicFile {
namespace {

// The first bytes of a file a player may be given; the failures are the player's own.
Result<QByteArray> firstBytes(const QString& path, qint64 bytes)
{
    if (!QFileInfo::exists(path) || QFileInfo(path).isDir())
        return Failure { FailureNumber::NoSuchFile, QStringLiteral("cannot play %1: the file does not exist").arg(path) };
    if (const QString reason = TextFile::notRegularReason(path); !reason.isEmpty())
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot play %1: %2").arg(path, reason) };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot play %1: %2").arg(path, file.errorString()) };
    return file.read(bytes);
}

} // namespace

Result<Kind> kind(const QString& path)
{
    auto read = firstBytes(path, 12);
    if (!read)
        return read.failure();
    const QByteArray& head = *read;
    if (head.startsWith("MThd"))
        return Kind::Midi;
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return Kind::Wave;
    if (head.startsWith("OggS"))
        return Kind::Ogg;
    if (head.startsWith("fLaC"))
        return Kind::Flac;
    if (head.startsWith("ID3") || (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF && (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0))
        return Kind::Mp3;
    return Failure { FailureNumber::InvalidFileFormat,
                     QStringLiteral("cannot play %1: %2").arg(path, head.isEmpty() ? QStringLiteral("the file is empty")
                                                                                  : QStringLiteral("not a MIDI, WAV, Ogg, MP3 or FLAC file")) };
}

Outcome checkMidi(const QString& path)
{
    auto read = firstBytes(path, 22);
    if (!read)
        return read.failure();
    const QByteArray& head = *read;
    // MThd, a 6-byte header (format 0 to 2, at least one track), then the first MTrk chunk.
    const auto byteAt = [&head](int i) { return static_cast<unsigned char>(head[i]); };
    if (head.size() < 22 || !head.startsWith("MThd") || byteAt(4) || byteAt(5) || byteAt(6) || byteAt(7) != 6 || byteAt(8) || byteAt(9) > 2
        || (byteAt(10) == 0 && byteAt(11) == 0) || head.mid(14, 4) != "MTrk")
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("cannot play %1: not a standard MIDI file").arg(path) };
    return {};
}

} // namespace MusicFile
