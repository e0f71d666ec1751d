#pragma once

#include <memory>

#include "music.h"

class FluidSynthPlayer;
class QAudioOutput;
class QMediaPlayer;

// The program's player: MIDI through FluidSynth; WAV, Ogg, MP3 and FLAC through Qt
// Multimedia. A file neither accepts is refused when it is given, with the reason.
class SystemMediaPlayer final : public MediaPlayer {
public:
    SystemMediaPlayer();
    ~SystemMediaPlayer() override;

    Outcome setFileName(const QString& path) override;
    Outcome stop() override;
    Outcome play() override;

    // MMControl1's Volume: hundredths of a decibel.
    static constexpr int volume = -600;

private:
    std::unique_ptr<FluidSynthPlayer> m_midi;
    std::unique_ptr<QMediaPlayer> m_audio;
    std::unique_ptr<QAudioOutput> m_output;
};

class QtFileOpenDialog final : public FileOpenDialog {
public:
    Result<QString> showOpen(const QString& initialDirectory) override;

private:
    QString m_lastFile;
};
