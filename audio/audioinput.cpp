#include "audio/audioinput.h"

#include <algorithm>
#include <cstring>
#include <new>

// The ring capture writes into. `written` counts every frame delivered since
// capture started, so a reader can tell a wrap from progress.
struct AudioInput::Ring final : CaptureSink {
    // Left unset: only what capture wrote is read, and untouched pages of a
    // short recording then cost nothing.
    std::unique_ptr<int16_t[]> data;
    int frames = 0;
    std::atomic<int64_t> written{0};

    void deliver(const int16_t* in, std::size_t count) override
    {
        int64_t w = written.load(std::memory_order_relaxed);
        if (count > std::size_t(frames)) {
            // Only the newest ring's worth can survive.
            const std::size_t skip = count - std::size_t(frames);
            in += 2 * skip;
            w += static_cast<int64_t>(skip);
            count = std::size_t(frames);
        }
        const auto pos = std::size_t(w % frames);
        const std::size_t first = std::min(count, std::size_t(frames) - pos);
        std::memcpy(data.get() + 2 * pos, in, first * 4);
        if (count > first)
            std::memcpy(data.get(), in + 2 * first, (count - first) * 4);
        written.store(w + static_cast<int64_t>(count), std::memory_order_release);
    }
};

AudioInput::AudioInput(SoundDevices& devices) : m_devices(devices) {}

AudioInput::~AudioInput() { stop(); }

bool AudioInput::open()
{
    stop();
    m_devices.close();
    return m_devices.open();
}

void AudioInput::close()
{
    stop();
    m_devices.close();
}

QStringList AudioInput::devices() const
{
    QStringList names;
    for (const std::string& name : m_devices.captureDevices())
        names << QString::fromUtf8(name.c_str());
    return names;
}

std::optional<CaptureError> AudioInput::start(int device, int sampleRate, int ringFrames)
{
    stop();
    m_ring.reset();
    if (ringFrames <= 0 || sampleRate <= 0)
        return CaptureError::DeviceRefused;
    auto ring = std::make_unique<Ring>();
    ring->data.reset(new (std::nothrow) int16_t[std::size_t(ringFrames) * 2]);
    if (!ring->data)
        return CaptureError::OutOfMemory;
    ring->frames = ringFrames;
    m_ring = std::move(ring);
    if (device < 0 || device >= int(m_devices.captureDevices().size()))
        return CaptureError::NoSuchDevice;
    if (!m_devices.startCapture(device, sampleRate, *m_ring))
        return CaptureError::DeviceRefused;
    m_capturing = true;
    return std::nullopt;
}

void AudioInput::stop()
{
    if (m_capturing)
        m_devices.stopCapture();
    m_capturing = false;
}

int64_t AudioInput::framesWritten() const
{
    return m_ring ? m_ring->written.load(std::memory_order_acquire) : 0;
}

int AudioInput::ringFrames() const { return m_ring ? m_ring->frames : 0; }

RingSpan AudioInput::read(int64_t from, int frames) const
{
    if (!m_ring || frames <= 0 || from < 0)
        return {};
    const auto size = std::size_t(m_ring->frames);
    const auto count = std::min(std::size_t(frames), size);
    const auto at = std::size_t(from % m_ring->frames);
    const std::size_t first = std::min(count, size - at);
    const int16_t* base = m_ring->data.get();
    return {{base + 2 * at, 2 * first}, {base, 2 * (count - first)}};
}
