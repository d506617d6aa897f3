#pragma once
#include "audio/audioinput.h"
#include "audio/capturereader.h"
#include "audio/encoderconfig.h"
#include "audio/mp3encoder.h"
#include "audio/mpegframesplitter.h"
#include "platform/files.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>

class Playback;
class QTimer;

enum class RecButton { Record, Pause, Stop, Play };

// The three counter boxes under the recording buttons.
enum RecCounter : int { EncodedTimeCounter = 0, EncodedSizeCounter = 1, DurationCounter = 2 };

// What went wrong, for the window to tell the pupil.
enum class RecordingProblem {
    EncoderRefusedSettings, // the encoder does not take the rate or bit rate
    EncoderUnavailable,     // no encoder could be started
    SoundDevicesFailed,     // the sound devices cannot start: the program ends
    CaptureFailed,          // the capture device would not open
    NoSoundArrived,         // it opened but sent nothing
    WriteFailed,            // the file did not take the recording
    Silent,                 // the recording stayed silent
};

// Why the recording file could not be created in its folder.
enum class FileCreationFault {
    FolderNotCreated, // the folder is missing and could not be made
    NotAFolder,       // something other than a folder has its name
    FolderDenied,     // no right to create files there
    Refused,          // the system refused for another reason (name too long, disk full, ...)
};

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
    // Whether the file already at path may be replaced.
    virtual bool confirmReplace(const QString& path) = 0;
    virtual void reportProblem(RecordingProblem problem) = 0;
    // No recording started: its file could not be created in `folder`.
    virtual void reportFileNotCreated(const QString& folder, FileCreationFault fault) = 0;
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

    void CloseRecording();
    // Every way out of the program: capture stops, what was captured is
    // encoded at once, the encoder is flushed and the file closed.
    void FinaliseRecordingBeforeExit();

    State state() const { return m_state; }
    void setPaused(bool paused) { m_paused = paused; } // start-up clears it

private:
    bool Active() const { return m_state == State::Capturing || m_state == State::Draining; }

    // Starting a recording, in this order. A step that returns false has
    // reported why and undone the start. Until the file is created no control
    // changes, so a start that ends there leaves the window as it was.
    bool OpenEncoder(const RecordingOptions& options);
    bool ConfirmReplace(const QString& path);
    bool OpenOutputFile(const QString& path, bool replacing);
    void GiveUpBeforeFile();
    void ShowRecordingButtons();
    void ResetForNewRecording();
    bool StartSoundDevices();
    bool StartCapture(int device);
    void AbortStart();
    void RemoveCreatedFile();
    void ShowButtonsWithoutRecording();

    // Polling.
    bool NothingCaptured() const;
    void AbandonSilentCapture();
    void StopCapture();
    bool EncodeCaptured();  // false when the file did not take the output
    bool EncodeNextChunk(); // false when nothing is ready to encode
    void Encode(std::span<const int16_t> audio);
    void Keep(const Mp3Output& output);
    int64_t FileAudioMs() const;
    void ShowCounters();
    void ShowDuration();
    void ShowInputLevel();
    bool WriteOutput(); // false when the file did not take it
    bool WriteToFile(const uint8_t* data, std::size_t size);

    // Stopping and closing.
    void FinishRecording();
    void StartPlayback();
    void StopPlayback();
    void StopAction();
    void ShowFinishedButtons();
    void CloseOutputFile();
    void AbandonAfterWriteFailure();
    void MarkIncomplete();
    void CloseFileAndEncoder();

    RecordingView& m_view;
    QTimer* m_recTimer = nullptr;
    std::unique_ptr<Playback> m_playback;
    State m_state = State::Idle;
    bool m_starting = false;

    AudioInput m_input;
    CaptureReader m_reader{m_input};
    Mp3Encoder m_encoder;
    std::span<const uint8_t> m_output; // the encoder's last output
    std::unique_ptr<platform::NewFile> m_file;
    // The output goes to the file frame by frame, counting the audio it holds.
    MpegFrameSplitter m_frames;
    int64_t m_fileBytes = 0;

    int m_sampleRate = 0;
    double m_startTime = 0;
    double m_elapsed = 0;
    bool m_stopRequested = false;
    bool m_playAfterStop = false;
    bool m_paused = false;
    double m_pausedTotal = 0;
    double m_pauseStart = 0;
    QString m_createdPath;    // the file this recording created
    QString m_incompletePath; // the last recording that could not be written whole
    bool m_leaving = false;   // finalising on the way out: no questions asked

    // Loudest sample encoded since the level was last shown, and kept in this recording.
    int m_levelPeak = 0;
    int m_recordingPeak = 0;
};

// A recording whose every sample stayed below this level is taken for silence.
constexpr double kSilentRecordingDbfs = -50.0;
// The magnitude of a 16-bit sample (0 to 32768) in dBFS.
double PeakDbfs(int peak);
// Whether a magnitude reached the top of the 16-bit range.
constexpr bool PeakClips(int peak) { return peak >= 32767; }
