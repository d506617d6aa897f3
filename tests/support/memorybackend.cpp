#include "tests/support/memorybackend.h"

#include <cmath>
#include <numbers>

bool MemoryBackend::push(const int16_t* interleavedStereo, std::size_t frames)
{
    std::lock_guard guard(m_lock);
    if (!m_sink)
        return false;
    m_sink->deliver(interleavedStereo, frames);
    m_pushed += static_cast<long long>(frames);
    return true;
}

bool MemoryBackend::push(const std::vector<int16_t>& interleavedStereo)
{
    return push(interleavedStereo.data(), interleavedStereo.size() / 2);
}

bool MemoryBackend::pushTone(double hz, std::size_t frames, double amplitude)
{
    const int rate = m_rate > 0 ? m_rate : 44100;
    std::vector<int16_t> pcm(frames * 2);
    const double step = 2 * std::numbers::pi * hz / rate;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(std::lround(32767 * amplitude * std::sin(m_phase)));
        pcm[2 * i] = pcm[2 * i + 1] = v;
        m_phase = std::fmod(m_phase + step, 2 * std::numbers::pi);
    }
    return push(pcm);
}

bool MemoryBackend::pushSilence(std::size_t frames) { return push(std::vector<int16_t>(frames * 2, 0)); }

std::vector<int16_t> MemoryBackend::pullPlayback(std::size_t frames)
{
    std::lock_guard guard(m_lock);
    std::vector<int16_t> out(frames * 2);
    const std::size_t got = m_source ? m_source->pull(out.data(), frames) : 0;
    out.resize(got * 2);
    return out;
}

bool MemoryBackend::open()
{
    std::lock_guard guard(m_lock);
    ++m_openCount;
    m_open = openSucceeds;
    return m_open;
}

void MemoryBackend::close()
{
    std::lock_guard guard(m_lock);
    ++m_closeCount;
    m_sink = nullptr;
    m_source = nullptr;
    m_open = false;
}

std::vector<std::string> MemoryBackend::captureDevices()
{
    std::lock_guard guard(m_lock);
    return m_open ? devices : std::vector<std::string>{};
}

bool MemoryBackend::startCapture(int device, int sampleRate, CaptureSink& sink)
{
    std::lock_guard guard(m_lock);
    if (!m_open || !captureSucceeds || device < 0 || device >= int(devices.size()))
        return false;
    m_sink = &sink;
    m_device = device;
    m_rate = sampleRate;
    m_pushed = 0;
    return true;
}

void MemoryBackend::stopCapture()
{
    std::lock_guard guard(m_lock);
    m_sink = nullptr;
}

bool MemoryBackend::startPlayback(PlaybackSource& source)
{
    std::lock_guard guard(m_lock);
    if (!m_open || !playbackSucceeds)
        return false;
    m_source = &source;
    return true;
}

void MemoryBackend::stopPlayback()
{
    std::lock_guard guard(m_lock);
    m_source = nullptr;
}
