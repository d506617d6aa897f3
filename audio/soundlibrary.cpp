#include "audio/soundlibrary.h"

#include "audio/mp3stream.h"
#include "audio/portaudiobackend.h"
#include "foundation/windows1252.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace {

// The looping sample that capture writes into. `written` counts every frame
// delivered since capture started, so a reader can tell a wrap from progress.
struct Sample final : CaptureSink {
    std::vector<int16_t> data;
    int frames = 0;
    int rate = 0;
    bool loop = true;
    std::atomic<long long> written{0};

    void deliver(const int16_t* in, std::size_t count) override
    {
        long long w = written.load(std::memory_order_relaxed);
        if (!loop) {
            if (w >= frames)
                return;
            count = std::min<std::size_t>(count, std::size_t(frames - w));
        }
        if (count > std::size_t(frames)) {
            // Only the newest loop's worth can survive.
            const std::size_t skip = count - std::size_t(frames);
            in += 2 * skip;
            w += static_cast<long long>(skip);
            count = std::size_t(frames);
        }
        const std::size_t pos = std::size_t(w % frames);
        const std::size_t first = std::min(count, std::size_t(frames) - pos);
        std::memcpy(data.data() + 2 * pos, in, first * 4);
        if (count > first)
            std::memcpy(data.data(), in + 2 * first, (count - first) * 4);
        written.store(w + static_cast<long long>(count), std::memory_order_release);
    }
};

struct SoundState {
    std::recursive_mutex lock;
    SoundBackend* installed = nullptr;
    bool initialised = false;
    int error = FMOD_ERR_NONE;
    int bufferMs = 0;
    int driver = 0;
    std::vector<std::string> driverNames; // ANSI, refreshed at every start
    std::map<int, std::unique_ptr<Sample>> samples;
    int recordSample = 0; // sample capture runs (or last ran) into
    bool capturing = false;
    std::map<int, std::unique_ptr<Mp3Stream>> streams;
    int playingStream = 0;
    int playingChannel = 0;

    SoundBackend& backend() { return installed ? *installed : PortAudioBackend(); }
};

SoundState& S()
{
    static SoundState state;
    return state;
}

template <typename Map>
int FreeHandle(const Map& map)
{
    int h = 1;
    while (map.count(h))
        ++h;
    return h;
}

bool Fail(int code)
{
    S().error = code;
    return false;
}

void StopCapture(SoundState& s)
{
    if (s.capturing)
        s.backend().stopCapture();
    s.capturing = false;
}

void StopPlaying(SoundState& s)
{
    if (s.playingStream)
        s.backend().stopPlayback();
    s.playingStream = 0;
    s.playingChannel = 0;
}

} // namespace

bool FSOUND_SetBufferSize(int lenMs)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (s.initialised)
        return Fail(FMOD_ERR_BUSY);
    if (lenMs <= 0)
        return Fail(FMOD_ERR_INVALID_PARAM);
    s.bufferMs = lenMs;
    return true;
}

bool FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned /*flags*/)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (s.initialised)
        FSOUND_Close();
    if (mixRate <= 0 || maxSoftwareChannels < 0)
        return Fail(FMOD_ERR_INVALID_PARAM);
    if (!s.backend().init())
        return Fail(FMOD_ERR_INIT);
    s.initialised = true;
    s.error = FMOD_ERR_NONE;
    s.driverNames.clear();
    for (const std::string& name : s.backend().captureDevices())
        s.driverNames.push_back(ToWindows1252(QString::fromUtf8(name.c_str())).toStdString());
    return true;
}

void FSOUND_Close()
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.initialised)
        return;
    // Samples outlive the library: a recording may still be read after a stop.
    StopCapture(s);
    StopPlaying(s);
    s.streams.clear();
    s.backend().close();
    s.initialised = false;
}

int FSOUND_GetError() { return S().error; }

int FSOUND_Record_GetNumDrivers()
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.initialised) {
        Fail(FMOD_ERR_UNINITIALIZED);
        return 0;
    }
    return int(s.driverNames.size());
}

const char* FSOUND_Record_GetDriverName(int id)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (id < 0 || id >= int(s.driverNames.size())) {
        Fail(FMOD_ERR_INVALID_PARAM);
        return "";
    }
    return s.driverNames[std::size_t(id)].c_str();
}

bool FSOUND_Record_SetDriver(int outputId)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    // The choice outlives FSOUND_Close; it is checked again when capture starts.
    if (outputId < 0 || (s.initialised && outputId >= int(s.driverNames.size())))
        return Fail(FMOD_ERR_INVALID_PARAM);
    s.driver = outputId;
    return true;
}

int FSOUND_Record_GetDriver() { return S().driver; }

int FSOUND_Sample_Alloc(int /*index*/, int length, unsigned mode, int defFreq, int /*defVol*/, int /*defPan*/,
                        int /*defPri*/)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (length <= 0 || defFreq <= 0 || !(mode & FSOUND_16BITS) || !(mode & FSOUND_STEREO)) {
        Fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    auto sample = std::make_unique<Sample>();
    try {
        sample->data.assign(std::size_t(length) * 2, 0);
    } catch (const std::bad_alloc&) {
        Fail(FMOD_ERR_MEMORY);
        return 0;
    }
    sample->frames = length;
    sample->rate = defFreq;
    const int handle = FreeHandle(s.samples);
    s.samples[handle] = std::move(sample);
    return handle;
}

bool FSOUND_Record_StartSample(int sample, bool loop)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.initialised)
        return Fail(FMOD_ERR_UNINITIALIZED);
    auto it = s.samples.find(sample);
    if (it == s.samples.end())
        return Fail(FMOD_ERR_INVALID_PARAM);
    StopCapture(s);
    Sample& target = *it->second;
    target.loop = loop;
    target.written.store(0);
    s.recordSample = sample;
    if (s.driver >= int(s.driverNames.size()) || !s.backend().startCapture(s.driver, target.rate, target)) {
        s.recordSample = 0;
        return Fail(FMOD_ERR_RECORD);
    }
    s.capturing = true;
    return true;
}

bool FSOUND_Sample_Lock(int sample, int offset, int length, void** ptr1, void** ptr2, unsigned* len1,
                        unsigned* len2)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    auto it = s.samples.find(sample);
    const long long bytes = it == s.samples.end() ? 0 : 4LL * it->second->frames;
    if (it == s.samples.end() || offset < 0 || offset >= bytes || length <= 0 || !ptr1 || !len1)
        return Fail(FMOD_ERR_INVALID_PARAM);
    auto* base = reinterpret_cast<char*>(it->second->data.data());
    const long long span = std::min<long long>(length, bytes);
    const long long first = std::min<long long>(span, bytes - offset);
    *ptr1 = base + offset;
    *len1 = unsigned(first);
    if (ptr2)
        *ptr2 = span > first ? base : nullptr;
    if (len2)
        *len2 = unsigned(span - first);
    return true;
}

bool FSOUND_Sample_Unlock(int sample, void*, void*, unsigned, unsigned)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.samples.count(sample))
        return Fail(FMOD_ERR_INVALID_PARAM);
    return true;
}

bool FSOUND_Record_Stop()
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    StopCapture(s);
    return true;
}

void FSOUND_Sample_Free(int sample)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.samples.count(sample))
        return;
    if (s.recordSample == sample) {
        StopCapture(s);
        s.recordSample = 0;
    }
    s.samples.erase(sample);
}

int FSOUND_Record_GetPosition()
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    auto it = s.samples.find(s.recordSample);
    if (it == s.samples.end())
        return -1;
    const long long w = it->second->written.load(std::memory_order_acquire);
    if (!it->second->loop)
        return int(std::min<long long>(w, it->second->frames));
    return int(w % it->second->frames);
}

long long FSOUND_Record_GetTotalFrames()
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    auto it = s.samples.find(s.recordSample);
    return it == s.samples.end() ? 0 : it->second->written.load(std::memory_order_acquire);
}

int FSOUND_Stream_Open(const char* nameAnsi, unsigned /*mode*/, int /*offset*/, int /*length*/)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.initialised) {
        Fail(FMOD_ERR_UNINITIALIZED);
        return 0;
    }
    if (!nameAnsi || !*nameAnsi) {
        Fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    const QString path = FromWindows1252(QByteArray(nameAnsi));
    if (!QFile::exists(path)) {
        Fail(FMOD_ERR_FILE_NOTFOUND);
        return 0;
    }
    Mp3Stream* stream = Mp3Stream::open(QFile::encodeName(path).toStdString());
    if (!stream) {
        Fail(FMOD_ERR_FILE_FORMAT);
        return 0;
    }
    const int handle = FreeHandle(s.streams);
    s.streams[handle].reset(stream);
    return handle;
}

int FSOUND_Stream_Play(int channel, int stream)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    auto it = s.streams.find(stream);
    if (!s.initialised || it == s.streams.end()) {
        Fail(s.initialised ? FMOD_ERR_INVALID_PARAM : FMOD_ERR_UNINITIALIZED);
        return -1;
    }
    StopPlaying(s);
    if (!s.backend().startPlayback(*it->second)) {
        Fail(FMOD_ERR_PLAY);
        return -1;
    }
    s.playingStream = stream;
    // Channel 0 would read as "no channel" to the caller.
    s.playingChannel = channel > 0 ? channel : 1;
    return s.playingChannel;
}

int FSOUND_Stream_GetTime(int stream)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    auto it = s.streams.find(stream);
    if (it == s.streams.end()) {
        Fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    // What was heard, not what was handed to the device ahead of it.
    const long long played = s.playingStream == stream ? s.backend().playbackFramesPlayed() : -1;
    const int rate = it->second->sampleRate();
    if (played >= 0 && rate > 0)
        return int(played * 1000 / rate);
    return it->second->playedMs();
}

bool FSOUND_StopSound(int channel)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (!s.playingStream || channel != s.playingChannel)
        return Fail(FMOD_ERR_INVALID_PARAM);
    StopPlaying(s);
    return true;
}

bool FSOUND_Stream_Close(int stream)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    auto it = s.streams.find(stream);
    if (it == s.streams.end())
        return Fail(FMOD_ERR_INVALID_PARAM);
    if (s.playingStream == stream)
        StopPlaying(s);
    s.streams.erase(it);
    return true;
}

QString SoundErrorText(int code)
{
    switch (code) {
    case 0: return QStringLiteral("OK");
    case 1:
        return QStringLiteral(
            "Impossible d'appeler cette commande après FSOUND_Init.  Fermer d'abord FSOUND.");
    case 2: return QStringLiteral("Echec de la commande. FSOUND n'a pas été initialisé.");
    case 3: return QStringLiteral("Erreur d'initialisation du périphérique de sortie.");
    case 4: return QStringLiteral("périphérique de sortie déjà en service. Ne peut pas être réutilisé.");
    case 5: return QStringLiteral("Echec de lecture du son.");
    case 6:
        return QStringLiteral(
            "La carte son ne supporte pas les fonctionnalités nécessaires (sortie 16bit stereo)");
    case 7: return QStringLiteral("Erreur matérielle.");
    case 8: return QStringLiteral("Erreur de création du buffer de son.");
    case 9: return QStringLiteral("Fichier non trouvé");
    case 10: return QStringLiteral("Format de fichier non reconnu");
    case 11: return QStringLiteral("Erreyr de chargement du fichier");
    case 12: return QStringLiteral("Mémoire insuffisante");
    case 13: return QStringLiteral("Numéro de version du fichier non supporté");
    case 14: return QStringLiteral("Paramètre incorrect");
    case 15:
        return QStringLiteral("Tentative d'utilisation de commande EAX sur un canal ou une sorie non EAX.");
    case 16: return QStringLiteral("Echec d'allocation du nouveau canal");
    case 17: return QStringLiteral("Enregistrement non supporté sur cet ordinateur");
    case 18: return QStringLiteral("Le Codec requis n'est pas installé");
    case 19: return QStringLiteral("Erreur d'ouverture du périphérique CD");
    default: return QStringLiteral("Erreur inconnue");
    }
}

void FSOUND_SetBackend(SoundBackend* backend)
{
    SoundState& s = S();
    std::lock_guard guard(s.lock);
    if (backend == s.installed)
        return;
    FSOUND_Close();
    s.installed = backend;
}
