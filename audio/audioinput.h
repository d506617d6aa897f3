#pragma once
// Capture from a sound device into a ring of 16-bit stereo frames that the
// reader reads in place.
#include "audio/sounddevices.h"

#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

enum class CaptureError {
    NoSuchDevice,   // not in the device list (or no list: the layer is not open)
    DeviceRefused,  // the device would not open at that rate
    OutOfMemory,    // no room for the ring
};

// A stretch of the ring: its frames in order, in one or two pieces (the
// second when it runs across the end of the ring).
struct RingSpan {
    std::span<const int16_t> first, second; // interleaved left/right values
};

class AudioInput {
public:
    explicit AudioInput(SoundDevices& devices = InstalledSoundDevices());
    // Stops capture; the device layer stays open for whoever opened it.
    ~AudioInput();
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    // (Re)starts the device layer, so that the device list is current.
    bool open();
    // Stops capture and releases the devices; the ring stays readable.
    void close();
    // The capture devices, the system's default first.
    QStringList devices() const;

    // Captures from devices()[device] into a fresh ring of ringFrames frames.
    std::optional<CaptureError> start(int device, int sampleRate, int ringFrames);
    void stop();

    // Frames captured since the start, overwritten ones included; goes on
    // counting across the ring's end, and stays readable after a stop.
    int64_t framesWritten() const;
    int ringFrames() const;
    // `frames` frames from frame number `from` (counted since the start),
    // read where capture wrote them: valid until capture writes there again.
    RingSpan read(int64_t from, int frames) const;

private:
    struct Ring;

    SoundDevices& m_devices;
    std::unique_ptr<Ring> m_ring;
    bool m_capturing = false;
};
