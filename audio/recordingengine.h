#pragma once
#include "audio/encoderconfig.h"
#include "audio/mp3encoder.h"
#include "audio/mpegframesplitter.h"
#include "audio/recordingfilewriter.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class Playback;
class QTimer;

enum class RecButton { Record, Pause, Stop, Play };

// The three counter boxes under the recording buttons.
enum RecCounter : int { EncodedTimeCounter = 0, EncodedSizeCounter = 1, DurationCounter = 2 };

// What the engine needs of the main window.
class RecordingView {
public:
    virtual ~RecordingView() = default;
    virtual void setButtonEnabled(RecButton button, bool enabled) = 0;
    virtual void setButtonCaption(RecButton button, const QString& caption) = 0;
    virtual void setCounter(int index, const QString& text) = 0; // a RecCounter
    virtual void setClockText(const QString& text) = 0;
    virtual void setSendEnabled(bool enabled) = 0;
    virtual void setNewRecordingEnabled(bool enabled) = 0;
    virtual RecordingOptions recordingOptions() const = 0;
    virtual QString recordingPath() const = 0;
    // At the end of every poll that encoded audio, after its counters and
    // clock: the loudest sample encoded since the last call, in dBFS
    // (-infinity for digital silence); clipped when it reached full scale.
    virtual void setInputLevel(double /*peakDbfs*/, bool /*clipped*/) {}
    // The recording is closed: no level any more.
    virtual void clearInputLevel() {}
    // Called once as a recording starts, after the buttons change, so that
    // the window shows them before the encoder and the devices are opened.
    virtual void processPendingEvents() {}
};

// Microphone to MP3 file: start, poll, stop, drain, finish; plus the
// recording buttons and playback of the result.
class RecordingEngine : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Capturing, Draining, Finished };

    // recTimer polls the capture, playTimer shows the playback position; the
    // window passes its own, nullptr makes the engine's own ones.
    explicit RecordingEngine(RecordingView& view, QTimer* recTimer = nullptr, QTimer* playTimer = nullptr,
                             QObject* parent = nullptr);
    ~RecordingEngine() override;

    // Button clicks.
    void Record();
    void TogglePause();
    void Stop();
    void Play();
    // One poll of the capture, at every recTimer timeout.
    void Tick();

    void FinishRecording();
    void CloseRecording();
    // Every way out of the program: capture stops, what was captured is
    // encoded at once, the encoder is flushed and the file closed.
    void FinaliseRecordingBeforeExit();

    void StartPlayback();
    void StopPlayback();
    Playback& playback() { return *m_playback; }

    State state() const { return m_state; }
    QTimer* recTimer() const { return m_recTimer; }
    bool Paused() const { return m_paused; }
    void setPaused(bool paused) { m_paused = paused; } // start-up clears it
    double pausedTotal() const { return m_pausedTotal; }
    double elapsed() const { return m_elapsed; }
    // Audio the poll has read, encoded or passed over while paused.
    int32_t encodedMs() const;
    int64_t encodedBytes() const { return m_encodedBytes; }
    // What the file holds: its bytes, and the audio of its whole frames.
    int64_t fileBytes() const { return m_fileBytes; }
    int64_t fileAudioMs() const;
    uint32_t samplesPerChunk() const { return m_samplesPerChunk; }
    int32_t recordLength() const { return m_recordLength; }
    int nominalInterval() const { return m_nominalInterval; }
    int32_t readPos() const { return m_readPos; }
    bool stopRequested() const { return m_stopRequested; }
    bool playAfterStop() const { return m_playAfterStop; }
    const BE_CONFIG& encoderConfig() const { return m_config; }
    // Frames captured, and frames handed to the encoder (padding excluded),
    // since this recording started; frames lost to an overrun.
    int64_t framesCaptured() const { return m_totalCaptured; }
    int64_t framesEncoded() const { return m_framesEncoded; }
    int64_t framesSkipped() const { return m_framesSkipped; }
    int64_t framesPaused() const { return m_framesPaused; }
    bool writeFailed() const { return m_writeFailed; }
    // The loudest sample kept so far in this recording (0 to 32768).
    int recordingPeak() const { return m_recordingPeak; }

private:
    bool Active() const { return m_state == State::Capturing || m_state == State::Draining; }

    // Starting a recording, in this order. A step that returns false has
    // said why and undone the start.
    void ShowRecordingButtons();
    void ResetForNewRecording();
    bool OpenEncoder(const RecordingOptions& options);
    void SizeCaptureLoop();
    bool ConfirmReplace(const QString& path);
    bool OpenOutputFile(const QString& path);
    bool StartSoundLibrary();
    bool StartCapture();
    void ResetCaptureCounters();
    void AbortStart();
    void RemoveCreatedFile();
    void ShowButtonsWithoutRecording();

    // Audio captured between a pause and its end, in frames since capture
    // started (end excluded; open while paused).
    struct Pause {
        int64_t from = 0;
        int64_t to = INT64_MAX;
        bool framesEnded = false; // the encoder's frames were ended there
    };

    // Polling.
    bool NothingCaptured() const;
    void AbandonSilentCapture();
    void UpdateCaptured();
    void StopCapture();
    bool EncodeCaptured();  // false when the file did not take the output
    bool EncodeNextChunk(); // false when nothing is ready to encode
    Pause* NextPause();
    void PassOverPausedAudio();
    void EndFramesAtPause();
    void MoveReadPosition(int64_t totalRead);
    void SkipOverwrittenAudio();
    void EncodeFromLoop(int64_t frames);
    void CountEncodedChunk(int64_t frames);
    void ShowCounters();
    void ShowDuration();
    void ShowInputLevel();
    void WarnIfSilent();
    void SteerPollInterval();
    bool WriteOutput(); // false when the file did not take it
    bool WriteToFile(const uint8_t* data, std::size_t size);

    // Stopping and closing.
    void StopAction();
    void ShowFinishedButtons();
    void FlushEncoder();
    void CloseOutputFile();
    void AbandonAfterWriteFailure();
    void MarkIncomplete();
    void FreeSample();
    void CloseEncoder();
    void CloseFileAndEncoder();

    RecordingView& m_view;
    QTimer* m_recTimer = nullptr;
    std::unique_ptr<Playback> m_playback;
    State m_state = State::Idle;
    bool m_starting = false;

    BE_CONFIG m_config{};
    HBE_STREAM m_encoderStream = 0;
    bool m_encoderOpen = false;
    uint32_t m_samplesPerChunk = 0;
    uint32_t m_outBufferSize = 0;
    std::vector<uint8_t> m_outBuffer;
    uint32_t m_outBytes = 0;
    int32_t m_recordLength = 0;
    int m_sampleHandle = 0;
    int m_channels = 0, m_bitsPerSample = 0, m_blockAlign = 0;
    int m_nominalInterval = 0;
    int m_sampleRate = 0;
    double m_startTime = 0;
    double m_elapsed = 0;
    int32_t m_readPos = 0;
    int64_t m_encodedBytes = 0;
    bool m_stopRequested = false;
    bool m_playAfterStop = false;
    bool m_paused = false;
    double m_pausedTotal = 0;
    double m_pauseStart = 0;
    std::unique_ptr<RecordingFileWriter> m_fileWriter;

    int64_t m_totalCaptured = 0;
    int64_t m_totalRead = 0;
    int64_t m_framesEncoded = 0;
    int64_t m_framesSkipped = 0;
    int64_t m_framesPaused = 0;
    int64_t m_fileBytes = 0;
    bool m_writeFailed = false;
    QString m_createdPath;    // the file this recording created
    QString m_incompletePath; // the last recording that could not be written whole
    bool m_leaving = false;   // finalising on the way out: no questions asked

    // Loudest sample encoded since the level was last shown, and kept in this recording.
    int m_levelPeak = 0;
    int m_recordingPeak = 0;

    // The output goes to the file frame by frame, counting the audio it holds.
    MpegFrameSplitter m_frames;
    std::vector<Pause> m_pauses;
};

// Shown to the pupil when the recording could not be written.
QString RecordingWriteFailedText();
// Shown when the capture device cannot be opened, or opens and sends no sound.
QString CaptureFailedText();
QString NoSoundArrivedText();

// A recording whose every sample stayed below this level is taken for silence.
constexpr double kSilentRecordingDbfs = -50.0;
// Shown at the end of a recording that stayed silent.
QString SilentRecordingText();
// The magnitude of a 16-bit sample (0 to 32768) in dBFS.
double PeakDbfs(int peak);
// Whether a magnitude reached the top of the 16-bit range.
constexpr bool PeakClips(int peak) { return peak >= 32767; }
