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
#include "musicfile.h"

SystemMediaPlayer::SystemMediaPlayer() = default;
SystemMediaPlayer::~SystemMediaPlayer() = default;

Outcome SystemMediaPlayer::setFileName(const QString& path)
{
    // The file it had is dropped whatever becomes of the new one.
    m_midi.reset();
    m_audio.reset();
    m_output.reset();
    auto kind = MusicFile::kind(path);
    if (!kind)
        return kind.failure();
    const double decibels = volume / 100.0;
    if (*kind == MusicFile::Kind::Midi) {
        auto player = FluidSynthPlayer::open(path, FluidSynthPlayer::Output::Device, decibels);
        if (!player)
            return player.failure();
        m_midi = std::move(*player);
        m_midi->play(); // AutoStart
        return {};
    }
    if (QMediaDevices::audioOutputs().isEmpty())
        return Failure { FailureNumber::DeviceUnavailable, QStringLiteral("cannot play %1: no audio output could be opened (the system has none)").arg(path) };
    m_output = std::make_unique<QAudioOutput>();
    m_output->setVolume(static_cast<float>(std::pow(10.0, decibels / 20.0)));
    m_audio = std::make_unique<QMediaPlayer>();
    m_audio->setAudioOutput(m_output.get());
    m_audio->setLoops(QMediaPlayer::Infinite);
    m_audio->setSource(QUrl::fromLocalFile(path));
    m_audio->play();
    return {};
}

Outcome SystemMediaPlayer::stop()
{
    if (m_midi)
        m_midi->stop();
    if (m_audio)
        m_audio->stop();
    return {};
}

Outcome SystemMediaPlayer::play()
{
    if (m_midi)
        m_midi->play();
    if (m_audio && m_audio->playbackState() != QMediaPlayer::PlayingState)
        m_audio->play();
    return {};
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
        return Failure { FailureNumber::DialogCancelled, QStringLiteral("Cancel was selected.") };
    m_lastFile = dialog.selectedFiles().front();
    return m_lastFile;
}
