#include "audio/portaudiobackend.h"

#include "platform/soundsystem.h"

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// A running stream, or null when it would not open or start.
PaStream* OpenStarted(const PaStreamParameters* in, const PaStreamParameters* out, double rate,
                      PaStreamCallback* callback, void* user,
                      unsigned long framesPerBuffer = paFramesPerBufferUnspecified)
{
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, in, out, rate, framesPerBuffer, paNoFlag, callback, user) != paNoError)
        return nullptr;
    if (Pa_StartStream(stream) != paNoError) {
        Pa_CloseStream(stream);
        return nullptr;
    }
    return stream;
}

class PaBackend final : public SoundDevices {
public:
    ~PaBackend() override { close(); }

    bool open() override
    {
        if (m_initialised)
            return true;
        if (!platform::PrepareSoundSystem())
            return false;
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
        for (PaDeviceIndex d : inputDevices())
            names.push_back(Pa_GetDeviceInfo(d)->name);
        return names;
    }

    bool startCapture(int position, int sampleRate, CaptureSink& sink) override
    {
        stopCapture();
        if (!m_initialised || sampleRate <= 0)
            return false;
        const std::vector<PaDeviceIndex> devices = inputDevices();
        if (position < 0 || position >= int(devices.size()))
            return false;
        const PaDeviceIndex device = devices[std::size_t(position)];
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);

        PaStreamParameters in{};
        in.device = device;
        // A mono microphone is widened to stereo in the callback.
        in.channelCount = std::min(2, info->maxInputChannels);
        in.sampleFormat = paInt16;
        // A long buffer: the capture thread wakes less, and a busy machine
        // does not overrun it.
        in.suggestedLatency = std::max(0.5, info->defaultHighInputLatency);
        m_captureChannels = in.channelCount;
        m_sink = &sink;
        // The engine reads the capture eight times a second: blocks of a
        // tenth of a second wake the capture thread no more than that needs.
        PaStream* stream = OpenStarted(&in, nullptr, sampleRate, &PaBackend::captureCallback, this,
                                       static_cast<unsigned long>(sampleRate / 10));
        if (!stream)
            return false;
        m_capture = stream;
        return true;
    }

    void stopCapture() override
    {
        if (!m_capture)
            return;
        // Aborted, not stopped: a stop waits for the device's next buffer,
        // which a suspended source never sends, and the window would wait
        // with it. What was delivered stays in the ring.
        Pa_AbortStream(m_capture);
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
        m_queue.reset();
        m_played.reset();
        m_playRate = rate;
        m_stopPlayback = false;
        m_decodingDone = false;
        // Decoding runs on its own thread, ahead of the device; the callback
        // only copies out what is decoded.
        m_player = std::thread([this, &source] { decodeLoop(source); });
        PaStream* stream = OpenStarted(nullptr, &out, rate, &PaBackend::playbackCallback, this);
        if (!stream) {
            stopDecoding();
            return false;
        }
        m_playback = stream;
        return true;
    }

    long long playbackFramesPlayed() override
    {
        if (!m_playback)
            return -1;
        return m_played.at(std::chrono::steady_clock::now(), m_playRate);
    }

    void stopPlayback() override
    {
        if (!m_playback)
            return;
        stopDecoding();
        Pa_AbortStream(m_playback);
        Pa_CloseStream(m_playback);
        m_playback = nullptr;
    }

private:
    // Every input device, the system's default first: on a desktop PortAudio's
    // own first input is often a raw card that the sound server holds.
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

    void stopDecoding()
    {
        m_stopPlayback = true;
        if (m_player.joinable())
            m_player.join();
    }

    void decodeLoop(PlaybackSource& source)
    {
        int16_t buffer[2 * 1024];
        while (!m_stopPlayback) {
            const std::size_t room = m_queue.room();
            if (room < 256) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            const std::size_t n = source.pull(buffer, std::min<std::size_t>(room, 1024));
            if (n == 0) {
                m_decodingDone = true;
                break;
            }
            m_queue.put(buffer, n);
        }
    }

    // Hands the device what is decoded (silence when nothing is) and notes
    // when the first of those frames will be heard.
    static int playbackCallback(const void*, void* output, unsigned long frames,
                                const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* self)
    {
        auto* me = static_cast<PaBackend*>(self);
        auto* out = static_cast<int16_t*>(output);
        const long long before = me->m_queue.taken();
        const std::size_t n = me->m_queue.take(out, frames);
        std::fill(out + 2 * n, out + 2 * frames, int16_t(0));
        const double untilHeard = time ? time->outputBufferDacTime - time->currentTime : 0.0;
        me->m_played.note(before, n,
                          std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(std::max(0.0, untilHeard))));
        // The device stops once the last decoded frame is handed over, rather
        // than playing silence until the pupil presses Stop.
        return me->m_decodingDone.load() && me->m_queue.empty() ? paComplete : paContinue;
    }

    // Decoded frames between the decoding thread and the device callback:
    // one writer, one reader, no lock.
    class FrameQueue {
    public:
        void reset()
        {
            m_put = 0;
            m_taken = 0;
        }
        std::size_t room() const { return kFrames - std::size_t(m_put.load() - m_taken.load()); }
        long long taken() const { return m_taken.load(); }
        bool empty() const { return m_put.load(std::memory_order_acquire) == m_taken.load(); }
        void put(const int16_t* frames, std::size_t count)
        {
            long long w = m_put.load(std::memory_order_relaxed);
            for (std::size_t i = 0; i < count; ++i, ++w) {
                const std::size_t at = std::size_t(w % kFrames);
                m_data[2 * at] = frames[2 * i];
                m_data[2 * at + 1] = frames[2 * i + 1];
            }
            m_put.store(w, std::memory_order_release);
        }
        std::size_t take(int16_t* frames, std::size_t count)
        {
            long long r = m_taken.load(std::memory_order_relaxed);
            const std::size_t n = std::min(count, std::size_t(m_put.load(std::memory_order_acquire) - r));
            for (std::size_t i = 0; i < n; ++i, ++r) {
                const std::size_t at = std::size_t(r % kFrames);
                frames[2 * i] = m_data[2 * at];
                frames[2 * i + 1] = m_data[2 * at + 1];
            }
            m_taken.store(r, std::memory_order_release);
            return n;
        }

    private:
        static constexpr std::size_t kFrames = 16384;
        int16_t m_data[2 * kFrames] = {};
        std::atomic<long long> m_put{0};
        std::atomic<long long> m_taken{0};
    };

    // The device's last word on what it plays: `count` frames, the first of
    // which is frame `first` of the playback, heard at `heardAt`.
    // A sequence count lets a reader on another thread see a consistent set.
    class PlayedFrames {
    public:
        void reset()
        {
            m_seq = 0;
            m_first = -1;
        }
        void note(long long first, std::size_t count, std::chrono::steady_clock::time_point heardAt)
        {
            m_seq.fetch_add(1, std::memory_order_acq_rel);
            m_first.store(first, std::memory_order_relaxed);
            m_count.store(static_cast<long long>(count), std::memory_order_relaxed);
            m_heardAt.store(heardAt.time_since_epoch().count(), std::memory_order_relaxed);
            m_seq.fetch_add(1, std::memory_order_acq_rel);
        }
        long long at(std::chrono::steady_clock::time_point now, int rate) const
        {
            for (;;) {
                const unsigned s0 = m_seq.load(std::memory_order_acquire);
                const long long first = m_first.load(std::memory_order_relaxed);
                const long long count = m_count.load(std::memory_order_relaxed);
                const auto heard = std::chrono::steady_clock::time_point(
                    std::chrono::steady_clock::duration(m_heardAt.load(std::memory_order_relaxed)));
                std::atomic_thread_fence(std::memory_order_acquire);
                if ((s0 & 1) != 0 || s0 != m_seq.load(std::memory_order_relaxed))
                    continue;
                if (first < 0)
                    return 0;
                // Earlier buffers may still be on their way out: the device
                // plays `first` at `heard`, and one frame per 1/rate around it.
                const double since = std::chrono::duration<double>(now - heard).count();
                return std::clamp(first + std::llround(since * rate), 0LL, first + count);
            }
        }

    private:
        std::atomic<unsigned> m_seq{0};
        std::atomic<long long> m_first{-1};
        std::atomic<long long> m_count{0};
        std::atomic<std::chrono::steady_clock::rep> m_heardAt{0};
    };

    bool m_initialised = false;
    PaStream* m_capture = nullptr;
    CaptureSink* m_sink = nullptr;
    int m_captureChannels = 2;
    PaStream* m_playback = nullptr;
    std::thread m_player;
    std::atomic<bool> m_stopPlayback{false};
    std::atomic<bool> m_decodingDone{false};
    FrameQueue m_queue;
    PlayedFrames m_played;
    int m_playRate = 0;
};

} // namespace

SoundDevices& PortAudioDevices()
{
    static PaBackend devices;
    return devices;
}

namespace {
SoundDevices* installed = nullptr;
}

SoundDevices& InstalledSoundDevices() { return installed ? *installed : PortAudioDevices(); }

void InstallSoundDevices(SoundDevices* devices)
{
    if (devices == installed)
        return;
    InstalledSoundDevices().close();
    installed = devices;
}
