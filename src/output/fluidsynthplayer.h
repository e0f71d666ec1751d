#pragma once

#include <memory>

#include <QString>

#include "failure.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_audio_driver_t;

// A MIDI file played through FluidSynth with a General MIDI sound font, repeating without end.
// With an audio device it sounds on the system's output; without one it renders on demand
// into buffers, which is how it is tested on machines without sound.
class FluidSynthPlayer final {
public:
    enum class Output { Device, Buffer };

    static Result<std::unique_ptr<FluidSynthPlayer>> open(const QString& midiFile, Output output, double decibels);
    ~FluidSynthPlayer();

    void play();
    void stop();
    bool playing() const;

    // Output::Buffer only: renders `frames` stereo frames, interleaved.
    void render(float* interleaved, int frames);

    static constexpr int sampleRate = 44100;

private:
    FluidSynthPlayer() = default;

    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    _fluid_player_t* m_player = nullptr;
    _fluid_audio_driver_t* m_driver = nullptr;
};

// The General MIDI sound font installed on this system, or empty.
QString installedSoundFont();
