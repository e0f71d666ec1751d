#include "fluidsynthplayer.h"

#include <cmath>
#include <mutex>

#include <QFile>
#include <QLibrary>
#include <QFileInfo>
#include <QStringList>

#include <fluidsynth.h>

#include "musicfile.h"

namespace {

// FluidSynth and the audio libraries it brings are loaded on the first MIDI piece, not at
// start-up: the program starts faster without them, and plays without them if it must.
struct FluidSynthApi {
#define EVELMORA_FLUID_FUNCTIONS(X)                                                                                     \
    X(new_fluid_settings) X(fluid_settings_setnum) X(fluid_settings_setint) X(delete_fluid_settings) X(new_fluid_synth) \
    X(fluid_synth_sfload) X(delete_fluid_synth) X(fluid_synth_all_sounds_off) X(fluid_synth_write_float)                \
    X(new_fluid_player) X(fluid_player_add) X(fluid_player_set_loop) X(fluid_player_play) X(fluid_player_stop)          \
    X(fluid_player_get_status) X(delete_fluid_player) X(new_fluid_audio_driver) X(delete_fluid_audio_driver)           \
    X(fluid_set_log_function)
#define EVELMORA_FLUID_POINTER(name) decltype(&::name) name = nullptr;
    EVELMORA_FLUID_FUNCTIONS(EVELMORA_FLUID_POINTER)
#undef EVELMORA_FLUID_POINTER
    bool loaded = false;
};

const FluidSynthApi& fluid()
{
    static const FluidSynthApi api = [] {
        FluidSynthApi a;
        QLibrary library(QStringLiteral("fluidsynth"), 3);
        if (!library.load())
            return a;
        bool all = true;
#define EVELMORA_FLUID_RESOLVE(name)                                                        \
    a.name = reinterpret_cast<decltype(a.name)>(library.resolve(#name));                    \
    all = all && a.name;
        EVELMORA_FLUID_FUNCTIONS(EVELMORA_FLUID_RESOLVE)
#undef EVELMORA_FLUID_RESOLVE
        a.loaded = all;
        return a;
    }();
    return api;
}

// FluidSynth reports through a log; the last error explains a failed call. The audio thread
// logs too, while the window's thread reads it.
class LastError final {
public:
    void set(const char* message)
    {
        const QString text = QString::fromLocal8Bit(message);
        const std::lock_guard lock(m_mutex);
        m_text = text;
    }
    void clear() { set(""); }
    QString text() const
    {
        const std::lock_guard lock(m_mutex);
        return m_text;
    }

private:
    mutable std::mutex m_mutex;
    QString m_text;
};

LastError& lastError()
{
    static LastError error;
    return error;
}

void logToLastError(int level, const char* message, void*)
{
    if (level <= FLUID_ERR)
        lastError().set(message);
}

void installLog()
{
    static const bool installed = [] {
        fluid().fluid_set_log_function(FLUID_PANIC, logToLastError, nullptr);
        fluid().fluid_set_log_function(FLUID_ERR, logToLastError, nullptr);
        fluid().fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid().fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid().fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
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

Result<std::unique_ptr<FluidSynthPlayer>> FluidSynthPlayer::open(const QString& midiFile, Output output, double decibels)
{
    if (!fluid().loaded)
        return Failure { FailureNumber::DeviceUnavailable, QStringLiteral("cannot play %1: the FluidSynth library (libfluidsynth3) cannot be loaded").arg(midiFile) };
    installLog();
    if (auto checked = MusicFile::checkMidi(midiFile); !checked)
        return checked.failure();
    const QString soundFont = installedSoundFont();
    if (soundFont.isEmpty())
        return Failure { FailureNumber::DeviceUnavailable, QStringLiteral("cannot play %1: no General MIDI sound font is installed (timgm6mb-soundfont)").arg(midiFile) };

    std::unique_ptr<FluidSynthPlayer> player(new FluidSynthPlayer);
    player->m_settings = fluid().new_fluid_settings();
    fluid().fluid_settings_setnum(player->m_settings, "synth.sample-rate", sampleRate);
    fluid().fluid_settings_setnum(player->m_settings, "synth.gain", defaultGain * std::pow(10.0, decibels / 20.0));
    fluid().fluid_settings_setint(player->m_settings, "synth.reverb.active", 1);
    player->m_synth = fluid().new_fluid_synth(player->m_settings);
    if (!player->m_synth)
        return Failure { FailureNumber::DeviceUnavailable, QStringLiteral("cannot play %1: the synthesizer could not start").arg(midiFile) };
    if (fluid().fluid_synth_sfload(player->m_synth, QFile::encodeName(soundFont).constData(), 1) == FLUID_FAILED)
        return Failure { FailureNumber::DeviceUnavailable, QStringLiteral("cannot play %1: the sound font %2 could not be loaded").arg(midiFile, soundFont) };
    player->m_player = fluid().new_fluid_player(player->m_synth);
    if (!player->m_player || fluid().fluid_player_add(player->m_player, QFile::encodeName(midiFile).constData()) != FLUID_OK)
        return Failure { FailureNumber::InvalidFileFormat, QStringLiteral("cannot play %1: FluidSynth refused it").arg(midiFile) };
    fluid().fluid_player_set_loop(player->m_player, -1);
    if (output == Output::Device) {
        lastError().clear();
        player->m_driver = fluid().new_fluid_audio_driver(player->m_settings, player->m_synth);
        if (!player->m_driver)
            return Failure { FailureNumber::DeviceUnavailable, QStringLiteral("cannot play %1: no audio output could be opened%2")
                                     .arg(midiFile, lastError().text().isEmpty() ? QString() : QStringLiteral(" (") + lastError().text().trimmed() + u')') };
    }
    return player;
}

FluidSynthPlayer::~FluidSynthPlayer()
{
    // The driver pulls from the synthesizer, so it goes first.
    if (m_driver)
        fluid().delete_fluid_audio_driver(m_driver);
    if (m_player) {
        fluid().fluid_player_stop(m_player);
        fluid().delete_fluid_player(m_player);
    }
    if (m_synth)
        fluid().delete_fluid_synth(m_synth);
    if (m_settings)
        fluid().delete_fluid_settings(m_settings);
}

void FluidSynthPlayer::play()
{
    if (fluid().fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING)
        fluid().fluid_player_play(m_player);
}

void FluidSynthPlayer::stop()
{
    fluid().fluid_player_stop(m_player);
    fluid().fluid_synth_all_sounds_off(m_synth, -1);
}

bool FluidSynthPlayer::playing() const
{
    return fluid().fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING;
}

void FluidSynthPlayer::render(float* interleaved, int frames)
{
    fluid().fluid_synth_write_float(m_synth, frames, interleaved, 0, 2, interleaved, 1, 2);
}
