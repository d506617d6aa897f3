#pragma once
// The sound library layer: the FSOUND_ operations the program uses, over
// PortAudio (devices) and libmpg123 (MP3 playback). Handles are small positive
// integers; 0 means none.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum : unsigned {
    FSOUND_INIT_USEDEFAULTMIDISYNTH = 0x08, // flags as passed by the program
    FSOUND_LOOP_NORMAL = 0x02,
    FSOUND_16BITS = 0x10,
    FSOUND_STEREO = 0x40,
    FSOUND_SIGNED = 0x100,
};
constexpr int FSOUND_UNMANAGED = -2;
constexpr int FSOUND_FREE = -1;

// Error codes reported by FSOUND_GetError.
enum FMOD_ERRORS {
    FMOD_ERR_NONE = 0,
    FMOD_ERR_BUSY,
    FMOD_ERR_UNINITIALIZED,
    FMOD_ERR_INIT,
    FMOD_ERR_ALLOCATED,
    FMOD_ERR_PLAY,
    FMOD_ERR_OUTPUT_FORMAT,
    FMOD_ERR_COOPERATIVELEVEL,
    FMOD_ERR_CREATEBUFFER,
    FMOD_ERR_FILE_NOTFOUND,
    FMOD_ERR_FILE_FORMAT,
    FMOD_ERR_FILE_BAD,
    FMOD_ERR_MEMORY,
    FMOD_ERR_VERSION,
    FMOD_ERR_INVALID_PARAM,
    FMOD_ERR_NO_EAX,
    FMOD_ERR_CHANNEL_ALLOC,
    FMOD_ERR_RECORD,
    FMOD_ERR_MEDIAPLAYER,
    FMOD_ERR_CDDEVICE,
};

bool FSOUND_SetBufferSize(int lenMs);
bool FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned flags);
void FSOUND_Close();
int FSOUND_GetError();

// Driver 0 is the default capture device; 1 .. count-1 are the devices listed,
// the default one first.
int FSOUND_Record_GetNumDrivers();
const char* FSOUND_Record_GetDriverName(int id); // zero-terminated ANSI, "" when unknown
bool FSOUND_Record_SetDriver(int outputId);

// Capture into a looping sample of `length` 16-bit stereo frames.
int FSOUND_Sample_Alloc(int index, int length, unsigned mode, int defFreq, int defVol, int defPan,
                        int defPri);
bool FSOUND_Record_StartSample(int sample, bool loop);
bool FSOUND_Sample_Lock(int sample, int offset, int length, void** ptr1, void** ptr2, unsigned* len1,
                        unsigned* len2); // offsets and lengths in bytes
bool FSOUND_Sample_Unlock(int sample, void* ptr1, void* ptr2, unsigned len1, unsigned len2);
bool FSOUND_Record_Stop();
void FSOUND_Sample_Free(int sample);
// Frame offset in the sample up to which capture has written; -1 before capture starts.
int FSOUND_Record_GetPosition();
// Frames captured into the sample since its capture started (keeps counting
// across wraps, so a reader can drain exactly and see a whole-loop overrun);
// still readable after FSOUND_Record_Stop and FSOUND_Close, until the sample is freed.
long long FSOUND_Record_GetTotalFrames();
// The driver chosen with FSOUND_Record_SetDriver (kept across FSOUND_Close).
int FSOUND_Record_GetDriver();

// MP3 stream playback.
int FSOUND_Stream_Open(const char* nameAnsi, unsigned mode, int offset, int length);
int FSOUND_Stream_Play(int channel, int stream);
int FSOUND_Stream_GetTime(int stream); // ms played
bool FSOUND_StopSound(int channel);
bool FSOUND_Stream_Close(int stream);

QString SoundErrorText(int code);

// ---- Backend seam -------------------------------------------------------
// PortAudio is the product's only backend. Tests install a backend that
// supplies captured audio from memory at a controlled pace.

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    // Appends interleaved 16-bit stereo frames to the looping sample; may be
    // called from any thread.
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

class SoundBackend {
public:
    virtual ~SoundBackend() = default;
    virtual bool init() = 0;
    virtual void close() = 0;
    // Capture device names (UTF-8); index 0 is the default device, the others
    // are every capture device, the default one first (so driver 1 is the
    // default too); empty when there is none.
    virtual std::vector<std::string> captureDevices() = 0;
    virtual bool startCapture(int driver, int sampleRate, CaptureSink& sink) = 0;
    virtual void stopCapture() = 0;
    virtual bool startPlayback(PlaybackSource& source) = 0;
    virtual void stopPlayback() = 0;
    // Frames of the current playback that the device has played out, or -1
    // when the backend cannot tell (every frame pulled then counts as played).
    virtual long long playbackFramesPlayed() { return -1; }
};

// nullptr restores PortAudio. Takes no ownership.
void FSOUND_SetBackend(SoundBackend* backend);
