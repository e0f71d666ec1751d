// The check a music file passes before FluidSynth sees it, and the guess of its kind.
#include <cstdint>

#include <QFile>
#include <QTemporaryDir>

#include "musicfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("piece.mid")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    const Outcome midi = MusicFile::checkMidi(file.fileName());
    const auto kind = MusicFile::kind(file.fileName());
    // A file the check passes is one the kind guess takes for MIDI.
    if (midi && (!kind || *kind != MusicFile::Kind::Midi))
        __builtin_trap();
    return 0;
}
