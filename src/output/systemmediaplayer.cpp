#include "systemmediaplayer.h"

#include <cmath>

#include <QApplication>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include "fluidsynthplayer.h"

Result<AudioKind> audioKind(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return Failure { MusicFailure::FileNotFound, QStringLiteral("cannot play %1: the file does not exist").arg(path) };
    if (!file.open(QIODevice::ReadOnly))
        return Failure { 75, QStringLiteral("cannot play %1: %2").arg(path, file.errorString()) };
    const QByteArray head = file.read(12);
    if (head.startsWith("MThd"))
        return AudioKind::Midi;
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return AudioKind::Wave;
    if (head.startsWith("OggS"))
        return AudioKind::Ogg;
    if (head.startsWith("fLaC"))
        return AudioKind::Flac;
    if (head.startsWith("ID3") || (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF && (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0))
        return AudioKind::Mp3;
    return Failure { MusicFailure::InvalidFileFormat,
                     QStringLiteral("cannot play %1: %2").arg(path, head.isEmpty() ? QStringLiteral("the file is empty")
                                                                                  : QStringLiteral("not a MIDI, WAV, Ogg, MP3 or FLAC file")) };
}

SystemMediaPlayer::SystemMediaPlayer() = default;
SystemMediaPlayer::~SystemMediaPlayer() = default;

Outcome SystemMediaPlayer::setFileName(const QString& path)
{
    // The file it had is dropped whatever becomes of the new one.
    m_midi.reset();
    m_audio.reset();
    m_output.reset();
    auto kind = audioKind(path);
    if (!kind)
        return kind.failure();
    const double decibels = volume / 100.0;
    if (*kind == AudioKind::Midi) {
        auto player = FluidSynthPlayer::open(path, FluidSynthPlayer::Output::Device, decibels);
        if (!player)
            return player.failure();
        m_midi = std::move(*player);
        m_midi->play(); // AutoStart
        return std::nullopt;
    }
    if (QMediaDevices::audioOutputs().isEmpty())
        return Failure { MusicFailure::DeviceUnavailable, QStringLiteral("cannot play %1: no audio output could be opened (the system has none)").arg(path) };
    m_output = std::make_unique<QAudioOutput>();
    m_output->setVolume(static_cast<float>(std::pow(10.0, decibels / 20.0)));
    m_audio = std::make_unique<QMediaPlayer>();
    m_audio->setAudioOutput(m_output.get());
    m_audio->setLoops(QMediaPlayer::Infinite);
    m_audio->setSource(QUrl::fromLocalFile(path));
    m_audio->play();
    return std::nullopt;
}

Outcome SystemMediaPlayer::stop()
{
    if (m_midi)
        m_midi->stop();
    if (m_audio)
        m_audio->stop();
    return std::nullopt;
}

Outcome SystemMediaPlayer::play()
{
    if (m_midi)
        m_midi->play();
    if (m_audio && m_audio->playbackState() != QMediaPlayer::PlayingState)
        m_audio->play();
    return std::nullopt;
}

Result<QString> QtFileOpenDialog::showOpen(const QString& initialDirectory)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDirectory(initialDirectory);
    if (!m_lastFile.isEmpty())
        dialog.selectFile(m_lastFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return Failure { MusicFailure::Cancelled, QStringLiteral("Cancel was selected.") };
    m_lastFile = dialog.selectedFiles().front();
    return m_lastFile;
}
