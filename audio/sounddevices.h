#pragma once
// The sound devices behind the audio input and the player. PortAudio is the
// product's only implementation; tests install one that supplies captured
// audio from memory at a controlled pace.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    // Takes interleaved 16-bit stereo frames; may be called from any thread.
    virtual void deliver(const int16_t* frames, std::size_t frameCount) = 0;
};

class PlaybackSource {
public:
    virtual ~PlaybackSource() = default;
    // Fills up to frameCount interleaved 16-bit stereo frames; returns the
    // count written (0 at the end). May be called from any thread.
    virtual std::size_t pull(int16_t* frames, std::size_t frameCount) = 0;
    virtual int sampleRate() const = 0;
};

class SoundDevices {
public:
    virtual ~SoundDevices() = default;
    // Starts the device layer; opening it again while open does nothing.
    virtual bool open() = 0;
    // Stops capture and playback and releases the devices.
    virtual void close() = 0;
    // Every capture device (UTF-8 names), the system's default first; empty
    // when there is none or the layer is not open.
    virtual std::vector<std::string> captureDevices() = 0;
    // `device` is a position in captureDevices().
    virtual bool startCapture(int device, int sampleRate, CaptureSink& sink) = 0;
    virtual void stopCapture() = 0;
    virtual bool startPlayback(PlaybackSource& source) = 0;
    virtual void stopPlayback() = 0;
    // Frames of the current playback that the device has played out, or -1
    // when it cannot tell (every frame pulled then counts as played).
    virtual long long playbackFramesPlayed() { return -1; }
};

// The installed devices, PortAudio unless a test installed others.
SoundDevices& InstalledSoundDevices();
// nullptr restores PortAudio. Takes no ownership.
void InstallSoundDevices(SoundDevices* devices);
