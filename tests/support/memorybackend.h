#pragma once
// A sound backend for tests: captured audio comes from memory, pushed by the
// test at its own pace, and playback is pulled on demand. Install it with
// FSOUND_SetBackend(&backend) before FSOUND_Init; FSOUND_SetBackend(nullptr)
// restores PortAudio.
#include "audio/soundlibrary.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class MemoryBackend : public SoundBackend {
public:
    // Scripted behaviour.
    bool initSucceeds = true;
    bool captureSucceeds = true;
    bool playbackSucceeds = true;
    // Driver names as the layer lists them (index 0 = default device); empty
    // means no device at all.
    std::vector<std::string> devices{"Micro par défaut", "Micro USB", "Entrée ligne"};

    // Feeds frames to the running capture; returns false (and drops them) when
    // no capture runs.
    bool push(const int16_t* interleavedStereo, std::size_t frames);
    bool push(const std::vector<int16_t>& interleavedStereo);
    // Pushes `frames` frames of a sine tone (same on both channels), keeping
    // its phase from one call to the next.
    bool pushTone(double hz, std::size_t frames, double amplitude = 0.5);
    bool pushSilence(std::size_t frames);

    // What the layer asked for.
    bool initialised() const { return m_initialised; }
    bool capturing() const { return m_sink != nullptr; }
    int captureDriver() const { return m_driver; }
    int captureRate() const { return m_rate; }
    int initCount() const { return m_initCount; }
    int closeCount() const { return m_closeCount; }
    long long pushedFrames() const { return m_pushed; }

    // Playback: pulls up to `frames` frames from the playing source as a
    // device would; returns what it got (empty at the end or when nothing plays).
    std::vector<int16_t> pullPlayback(std::size_t frames);
    bool playing() const { return m_source != nullptr; }
    int playbackRate() const { return m_source ? m_source->sampleRate() : 0; }

    bool init() override;
    void close() override;
    std::vector<std::string> captureDevices() override;
    bool startCapture(int driver, int sampleRate, CaptureSink& sink) override;
    void stopCapture() override;
    bool startPlayback(PlaybackSource& source) override;
    void stopPlayback() override;

private:
    std::recursive_mutex m_lock;
    bool m_initialised = false;
    int m_initCount = 0;
    int m_closeCount = 0;
    CaptureSink* m_sink = nullptr;
    int m_driver = -1;
    int m_rate = 0;
    long long m_pushed = 0;
    double m_phase = 0;
    PlaybackSource* m_source = nullptr;
};
