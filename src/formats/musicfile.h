#pragma once

#include <QString>

#include "failure.h"

// What a music file is, from its first bytes, before any player sees it.
namespace MusicFile {

enum class Kind { Midi, Wave, Ogg, Flac, Mp3 };

// The kind of a file the player may be given; a missing, unreadable, empty or unknown file
// is refused with the reason.
Result<Kind> kind(const QString& path);

// Whether the file is a standard MIDI file (a header chunk, then a track), with a reason when
// it is not. FluidSynth takes missing and malformed files without a word.
Outcome checkMidi(const QString& path);

} // namespace MusicFile
