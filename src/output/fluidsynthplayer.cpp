#include "fluidsynthplayer.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fluidsynth.h>

namespace {

// FluidSynth reports through a log; the last error explains a failed call.
QString& lastError()
{
    static QString error;
    return error;
}

void logToLastError(int level, const char* message, void*)
{
    if (level <= FLUID_ERR)
        lastError() = QString::fromLocal8Bit(message);
}

void installLog()
{
    static const bool installed = [] {
        fluid_set_log_function(FLUID_PANIC, logToLastError, nullptr);
        fluid_set_log_function(FLUID_ERR, logToLastError, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
        return true;
    }();
    Q_UNUSED(installed);
}

constexpr double defaultGain = 0.2;

} // namespace

QString installedSoundFont()
{
    static const QStringList candidates {
        QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"), QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
        QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"), QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3"),
        QStringLiteral("/usr/share/sounds/sf3/MuseScore_General.sf3"), QStringLiteral("/usr/share/soundfonts/default.sf2"),
        QStringLiteral("/usr/share/soundfonts/FluidR3_GM.sf2"),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

Outcome checkMidiFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return Failure { 53, QStringLiteral("cannot play %1: the file does not exist").arg(path) };
    if (!file.open(QIODevice::ReadOnly))
        return Failure { 75, QStringLiteral("cannot play %1: %2").arg(path, file.errorString()) };
    const QByteArray head = file.read(22);
    // MThd, a 6-byte header (format 0 to 2, at least one track), then the first MTrk chunk.
    const auto byteAt = [&head](int i) { return static_cast<unsigned char>(head[i]); };
    if (head.size() < 22 || !head.startsWith("MThd") || byteAt(4) || byteAt(5) || byteAt(6) || byteAt(7) != 6 || byteAt(8) || byteAt(9) > 2
        || (byteAt(10) == 0 && byteAt(11) == 0) || head.mid(14, 4) != "MTrk")
        return Failure { 321, QStringLiteral("cannot play %1: not a standard MIDI file").arg(path) };
    return std::nullopt;
}

Result<std::unique_ptr<FluidSynthPlayer>> FluidSynthPlayer::open(const QString& midiFile, Output output, double decibels)
{
    installLog();
    if (auto failure = checkMidiFile(midiFile))
        return *failure;
    const QString soundFont = installedSoundFont();
    if (soundFont.isEmpty())
        return Failure { 68, QStringLiteral("cannot play %1: no General MIDI sound font is installed (timgm6mb-soundfont)").arg(midiFile) };

    std::unique_ptr<FluidSynthPlayer> player(new FluidSynthPlayer);
    player->m_settings = new_fluid_settings();
    fluid_settings_setnum(player->m_settings, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(player->m_settings, "synth.gain", defaultGain * std::pow(10.0, decibels / 20.0));
    fluid_settings_setint(player->m_settings, "synth.reverb.active", 1);
    player->m_synth = new_fluid_synth(player->m_settings);
    if (!player->m_synth)
        return Failure { 68, QStringLiteral("cannot play %1: the synthesizer could not start").arg(midiFile) };
    if (fluid_synth_sfload(player->m_synth, QFile::encodeName(soundFont).constData(), 1) == FLUID_FAILED)
        return Failure { 68, QStringLiteral("cannot play %1: the sound font %2 could not be loaded").arg(midiFile, soundFont) };
    player->m_player = new_fluid_player(player->m_synth);
    if (!player->m_player || fluid_player_add(player->m_player, QFile::encodeName(midiFile).constData()) != FLUID_OK)
        return Failure { 321, QStringLiteral("cannot play %1: FluidSynth refused it").arg(midiFile) };
    fluid_player_set_loop(player->m_player, -1);
    if (output == Output::Device) {
        lastError().clear();
        player->m_driver = new_fluid_audio_driver(player->m_settings, player->m_synth);
        if (!player->m_driver)
            return Failure { 68, QStringLiteral("cannot play %1: no audio output could be opened%2")
                                     .arg(midiFile, lastError().isEmpty() ? QString() : QStringLiteral(" (") + lastError().trimmed() + u')') };
    }
    return player;
}

FluidSynthPlayer::~FluidSynthPlayer()
{
    // The driver pulls from the synthesizer, so it goes first.
    if (m_driver)
        delete_fluid_audio_driver(m_driver);
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
    }
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

void FluidSynthPlayer::play()
{
    if (fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING)
        fluid_player_play(m_player);
}

void FluidSynthPlayer::stop()
{
    fluid_player_stop(m_player);
    fluid_synth_all_sounds_off(m_synth, -1);
}

bool FluidSynthPlayer::playing() const
{
    return fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING;
}

void FluidSynthPlayer::render(float* interleaved, int frames)
{
    fluid_synth_write_float(m_synth, frames, interleaved, 0, 2, interleaved, 1, 2);
}
