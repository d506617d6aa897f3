#pragma once
// Sound devices for tests: captured audio comes from memory, pushed by the
// test at its own pace, and playback is pulled on demand. Install them with
// InstallSoundDevices(&devices); InstallSoundDevices(nullptr) restores PortAudio.
#include "audio/sounddevices.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class MemoryBackend : public SoundDevices {
public:
    // Scripted behaviour.
    bool openSucceeds = true;
    bool captureSucceeds = true;
    bool playbackSucceeds = true;
    // Capture devices, the default first; empty means no device at all.
    std::vector<std::string> devices{"Micro USB", "Entrée ligne"};

    // Feeds frames to the running capture; returns false (and drops them) when
    // no capture runs.
    bool push(const int16_t* interleavedStereo, std::size_t frames);
    bool push(const std::vector<int16_t>& interleavedStereo);
    // Pushes `frames` frames of a sine tone (same on both channels), keeping
    // its phase from one call to the next.
    bool pushTone(double hz, std::size_t frames, double amplitude = 0.5);
    bool pushSilence(std::size_t frames);

    // What was asked of the devices.
    bool isOpen() const { return m_open; }
    bool capturing() const { return m_sink != nullptr; }
    int captureDevice() const { return m_device; }
    int captureRate() const { return m_rate; }
    int openCount() const { return m_openCount; }
    int closeCount() const { return m_closeCount; }
    long long pushedFrames() const { return m_pushed; }

    // Playback: pulls up to `frames` frames from the playing source as a
    // device would; returns what it got (empty at the end or when nothing plays).
    std::vector<int16_t> pullPlayback(std::size_t frames);
    bool playing() const { return m_source != nullptr; }
    int playbackRate() const { return m_source ? m_source->sampleRate() : 0; }

    bool open() override;
    void close() override;
    std::vector<std::string> captureDevices() override;
    bool startCapture(int device, int sampleRate, CaptureSink& sink) override;
    void stopCapture() override;
    bool startPlayback(PlaybackSource& source) override;
    void stopPlayback() override;

private:
    std::recursive_mutex m_lock;
    bool m_open = false;
    int m_openCount = 0;
    int m_closeCount = 0;
    CaptureSink* m_sink = nullptr;
    int m_device = -1;
    int m_rate = 0;
    long long m_pushed = 0;
    double m_phase = 0;
    PlaybackSource* m_source = nullptr;
};
