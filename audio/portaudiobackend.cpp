#include "audio/portaudiobackend.h"

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// A running stream, or null when it would not open or start.
PaStream* OpenStarted(const PaStreamParameters* in, const PaStreamParameters* out, double rate,
                      PaStreamCallback* callback, void* user)
{
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, in, out, rate, paFramesPerBufferUnspecified, paNoFlag, callback, user) !=
        paNoError)
        return nullptr;
    if (Pa_StartStream(stream) != paNoError) {
        Pa_CloseStream(stream);
        return nullptr;
    }
    return stream;
}

class PaBackend final : public SoundBackend {
public:
    ~PaBackend() override { close(); }

    bool init() override
    {
        if (m_initialised)
            return true;
        // A JACK client would otherwise try to start a server of its own.
        setenv("JACK_NO_START_SERVER", "1", 0);
        m_initialised = Pa_Initialize() == paNoError;
        return m_initialised;
    }

    void close() override
    {
        stopCapture();
        stopPlayback();
        if (m_initialised)
            Pa_Terminate();
        m_initialised = false;
    }

    std::vector<std::string> captureDevices() override
    {
        std::vector<std::string> names;
        if (!m_initialised)
            return names;
        const std::vector<PaDeviceIndex> devices = inputDevices();
        if (devices.empty())
            return names;
        names.push_back(Pa_GetDeviceInfo(devices.front())->name);
        for (PaDeviceIndex d : devices)
            names.push_back(Pa_GetDeviceInfo(d)->name);
        return names;
    }

    bool startCapture(int driver, int sampleRate, CaptureSink& sink) override
    {
        stopCapture();
        if (!m_initialised || sampleRate <= 0)
            return false;
        const std::vector<PaDeviceIndex> devices = inputDevices();
        if (devices.empty() || driver < 0 || driver > int(devices.size()))
            return false;
        const PaDeviceIndex device = devices[std::size_t(std::max(0, driver - 1))];
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);

        PaStreamParameters in{};
        in.device = device;
        // A mono microphone is widened to stereo in the callback.
        in.channelCount = std::min(2, info->maxInputChannels);
        in.sampleFormat = paInt16;
        in.suggestedLatency = std::max(0.25, info->defaultHighInputLatency);
        if (Pa_IsFormatSupported(&in, nullptr, sampleRate) != paFormatIsSupported)
            return false;
        m_captureChannels = in.channelCount;
        m_sink = &sink;
        PaStream* stream = OpenStarted(&in, nullptr, sampleRate, &PaBackend::captureCallback, this);
        if (!stream)
            return false;
        m_capture = stream;
        return true;
    }

    void stopCapture() override
    {
        if (!m_capture)
            return;
        Pa_StopStream(m_capture);
        Pa_CloseStream(m_capture);
        m_capture = nullptr;
        m_sink = nullptr;
    }

    bool startPlayback(PlaybackSource& source) override
    {
        stopPlayback();
        if (!m_initialised)
            return false;
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        if (device == paNoDevice)
            return false;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        PaStreamParameters out{};
        out.device = device;
        out.channelCount = 2;
        out.sampleFormat = paInt16;
        // Shorter latencies underflow on a loaded machine.
        out.suggestedLatency = std::max(0.1, info->defaultHighOutputLatency);
        const int rate = source.sampleRate();
        if (rate <= 0 || Pa_IsFormatSupported(nullptr, &out, rate) != paFormatIsSupported)
            return false;
        PaStream* stream = OpenStarted(nullptr, &out, rate, nullptr, nullptr);
        if (!stream)
            return false;
        m_playback = stream;
        m_stopPlayback = false;
        // Decoding and blocking writes run on their own thread, never on the caller's.
        m_player = std::thread([this, stream, &source] { playLoop(stream, source); });
        return true;
    }

    void stopPlayback() override
    {
        if (!m_playback)
            return;
        m_stopPlayback = true;
        if (m_player.joinable())
            m_player.join();
        Pa_AbortStream(m_playback);
        Pa_CloseStream(m_playback);
        m_playback = nullptr;
    }

private:
    // Every input device, the system's default first: on a desktop PortAudio's
    // own first input is often a raw card that the sound server holds, and a
    // stored first device has always meant the default one.
    static std::vector<PaDeviceIndex> inputDevices()
    {
        std::vector<PaDeviceIndex> list;
        const PaDeviceIndex preferred = Pa_GetDefaultInputDevice();
        const int count = Pa_GetDeviceCount();
        for (PaDeviceIndex d = 0; d < count; ++d) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
            if (info && info->maxInputChannels > 0)
                list.push_back(d);
        }
        const auto at = std::find(list.begin(), list.end(), preferred);
        if (at != list.end())
            std::rotate(list.begin(), at, at + 1);
        return list;
    }

    static int captureCallback(const void* input, void*, unsigned long frames,
                               const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self)
    {
        auto* me = static_cast<PaBackend*>(self);
        const auto* in = static_cast<const int16_t*>(input);
        if (!in || !me->m_sink)
            return paContinue;
        if (me->m_captureChannels == 2) {
            me->m_sink->deliver(in, frames);
            return paContinue;
        }
        int16_t wide[512];
        while (frames > 0) {
            const unsigned long n = std::min<unsigned long>(frames, 256);
            for (unsigned long i = 0; i < n; ++i)
                wide[2 * i] = wide[2 * i + 1] = in[i];
            me->m_sink->deliver(wide, n);
            in += n;
            frames -= n;
        }
        return paContinue;
    }

    void playLoop(PaStream* stream, PlaybackSource& source)
    {
        int16_t buffer[2 * 1024];
        while (!m_stopPlayback) {
            // Write only what fits, so a stop never waits on a stalled device.
            const long room = Pa_GetStreamWriteAvailable(stream);
            if (room < 0)
                break;
            if (room < 256) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            const std::size_t n = source.pull(buffer, std::min<std::size_t>(std::size_t(room), 1024));
            if (n == 0)
                break;
            Pa_WriteStream(stream, buffer, n);
        }
    }

    bool m_initialised = false;
    PaStream* m_capture = nullptr;
    CaptureSink* m_sink = nullptr;
    int m_captureChannels = 2;
    PaStream* m_playback = nullptr;
    std::thread m_player;
    std::atomic<bool> m_stopPlayback{false};
};

} // namespace

SoundBackend& PortAudioBackend()
{
    static PaBackend backend;
    return backend;
}
