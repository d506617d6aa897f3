#include "audio/recordingengine.h"

#include "audio/formatduration.h"
#include "audio/playback.h"
#include "foundation/seams.h"
#include "foundation/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Every poll encodes all that capture has delivered, so polling faster never
// catches up with anything; eight polls a second keep the level meter live
// and leave the processor to the encoder.
constexpr int kPollIntervalMs = 125;

double Now() { return programClock().seconds(); }

int PeakOf(std::span<const int16_t> pcm)
{
    int peak = 0;
    for (const int16_t v : pcm)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

// Why no file could be created in a folder, as far as the folder tells.
FileCreationFault WhyNotCreated(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return FileCreationFault::FolderNotCreated;
    if (!info.isDir())
        return FileCreationFault::NotAFolder;
    if (!info.isWritable())
        return FileCreationFault::FolderDenied;
    return FileCreationFault::Refused;
}

} // namespace

double PeakDbfs(int peak)
{
    return peak <= 0 ? -std::numeric_limits<double>::infinity() : 20.0 * std::log10(peak / 32768.0);
}

RecordingEngine::RecordingEngine(RecordingView& view, QTimer* recTimer, QTimer* playTimer, QObject* parent)
    : QObject(parent), m_view(view), m_recTimer(recTimer),
      m_frames([this](const uint8_t* data, std::size_t size) { return WriteToFile(data, size); })
{
    if (!m_recTimer) {
        m_recTimer = new QTimer(this);
        m_recTimer->setInterval(1000);
    }
    connect(m_recTimer, &QTimer::timeout, this, &RecordingEngine::Tick);
    m_playback = std::make_unique<Playback>(
        [this](const QString& caption) { m_view.setButtonCaption(RecButton::Play, caption); },
        [this] { m_view.reportProblem(RecordingProblem::SoundDevicesFailed); }, playTimer);
}

RecordingEngine::~RecordingEngine() { m_recTimer->stop(); }

void RecordingEngine::CloseFileAndEncoder()
{
    m_file.reset();
    m_encoder.close();
}

void RecordingEngine::StartPlayback() { m_playback->StartPlayback(m_view.recordingPath()); }

void RecordingEngine::StopPlayback() { m_playback->StopPlayback(); }

// ---- Start ----------------------------------------------------------------

void RecordingEngine::Record()
{
    // A click handled while the window shows the new buttons must not start a
    // second recording inside this one.
    if (m_starting || Active())
        return;
    m_starting = true;

    const RecordingOptions options = m_view.recordingOptions();
    const QString path = m_view.recordingPath();
    const bool replacing = FileExists(path);
    if (!OpenEncoder(options) || (replacing && !ConfirmReplace(path)) || !OpenOutputFile(path, replacing))
        return;
    ShowRecordingButtons();
    ResetForNewRecording();
    if (!StartSoundDevices() || !StartCapture(options.captureDevice))
        return;
    m_startTime = Now();
    m_elapsed = 0;
    m_starting = false;
}

// Sending waits for the end, playback stops, and only pause, stop and play stay clickable.
void RecordingEngine::ShowRecordingButtons()
{
    m_view.setSendEnabled(false);
    StopPlayback();
    m_view.setButtonEnabled(RecButton::Record, false);
    m_view.setButtonEnabled(RecButton::Stop, true);
    m_view.setButtonEnabled(RecButton::Play, true);
    m_view.setButtonEnabled(RecButton::Pause, true);
    m_view.processPendingEvents();
}

void RecordingEngine::ResetForNewRecording()
{
    m_playAfterStop = false;
    m_stopRequested = false;
    m_leaving = false;
    // A new recording never inherits the pause of the last one: it would write
    // nothing, and its duration would be shortened by the old pauses.
    m_paused = false;
    m_pausedTotal = 0;
    m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
}

bool RecordingEngine::OpenEncoder(const RecordingOptions& options)
{
    const std::optional<Mp3Error> error = m_encoder.open(RecordingEncoderConfig(options));
    if (!error) {
        m_sampleRate = options.sampleRate;
        m_recTimer->setInterval(kPollIntervalMs);
        return true;
    }
    m_view.reportProblem(error == Mp3Error::NoEncoder ? RecordingProblem::EncoderUnavailable
                                                      : RecordingProblem::EncoderRefusedSettings);
    // Nothing may be encoded into a stream that did not open; the state the
    // last recording left stays as it is.
    m_starting = false;
    return false;
}

bool RecordingEngine::ConfirmReplace(const QString& path)
{
    if (m_view.confirmReplace(path)) {
        // Played no more, then replaced by a new file, never written
        // through: a link goes, not what it points to.
        StopPlayback();
        QFile::remove(path);
        return true;
    }
    GiveUpBeforeFile();
    return false;
}

// A missing folder is made, as the settings dialog makes it.
bool RecordingEngine::OpenOutputFile(const QString& path, bool replacing)
{
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    // Created exclusively: a file that appeared since the question (another
    // Mirlo recording under the same name) is never emptied.
    m_file = std::make_unique<platform::NewFile>(path, platform::FileAccess::Shared);
    if (!m_file->isOpen()) {
        m_file.reset();
        GiveUpBeforeFile();
        // The file replaced at the question is gone: nothing to play or send.
        if (replacing && !FileExists(path)) {
            m_view.setButtonEnabled(RecButton::Play, false);
            m_view.setSendEnabled(false);
        }
        m_view.reportFileNotCreated(folder, WhyNotCreated(folder));
        return false;
    }
    m_createdPath = path;
    return true;
}

// Nothing of a recording began: the last one's file, state and buttons stay.
void RecordingEngine::GiveUpBeforeFile()
{
    m_encoder.close();
    m_starting = false;
}

bool RecordingEngine::StartSoundDevices()
{
    if (!m_input.open()) {
        AbortStart();
        m_view.reportProblem(RecordingProblem::SoundDevicesFailed);
        return false;
    }
    m_playback->setDevicesHeldByRecording(true);
    return true;
}

// The capture ring holds about twenty seconds in whole chunks.
bool RecordingEngine::StartCapture(int device)
{
    const auto chunk = int64_t(m_encoder.samplesPerChunk());
    int ringFrames = int(m_sampleRate / chunk * chunk * 20);
    if (ringFrames <= 0)
        ringFrames = int(chunk * 20);
    const std::optional<CaptureError> error = m_input.start(device, m_sampleRate, ringFrames);
    m_reader.reset(chunk, ringFrames, int64_t(m_encoder.mostFramesPerCall()));
    m_fileBytes = 0;
    m_levelPeak = 0;
    m_recordingPeak = 0;
    m_frames.reset();
    ShowCounters();
    if (error) {
        AbortStart();
        ShowButtonsWithoutRecording();
        m_view.reportProblem(RecordingProblem::CaptureFailed);
        return false;
    }
    m_state = State::Capturing;
    m_recTimer->start();
    return true;
}

void RecordingEngine::AbortStart()
{
    m_input.stop();
    if (m_playback)
        m_playback->setDevicesHeldByRecording(false);
    CloseFileAndEncoder();
    RemoveCreatedFile();
    m_state = State::Idle;
    m_starting = false;
}

// A start that recorded nothing leaves no empty file behind.
void RecordingEngine::RemoveCreatedFile()
{
    if (!m_createdPath.isEmpty())
        QFile::remove(m_createdPath);
    m_createdPath.clear();
}

// Nothing recorded: recording can be tried again, there is nothing to play or send.
void RecordingEngine::ShowButtonsWithoutRecording()
{
    m_paused = false;
    m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
    m_view.setButtonEnabled(RecButton::Pause, false);
    m_view.setButtonEnabled(RecButton::Stop, false);
    m_view.setButtonEnabled(RecButton::Play, false);
    m_view.setButtonEnabled(RecButton::Record, true);
    m_view.setSendEnabled(false);
    m_view.setNewRecordingEnabled(true);
}

// Capture started but no frame came in its first second (a device that
// opens and then delivers nothing), or the pupil stopped before any came.
bool RecordingEngine::NothingCaptured() const
{
    return m_reader.captured() == 0 && (m_stopRequested || m_elapsed > 1.0);
}

void RecordingEngine::AbandonSilentCapture()
{
    m_recTimer->stop();
    m_playAfterStop = false;
    CloseRecording();
    RemoveCreatedFile();
    m_state = State::Idle;
    ShowButtonsWithoutRecording();
    m_view.reportProblem(RecordingProblem::NoSoundArrived);
}

// ---- Poll -----------------------------------------------------------------

void RecordingEngine::StopCapture()
{
    m_reader.update();
    m_input.stop();
    // Frames delivered while stopping still count as captured before the stop.
    m_reader.update();
}

// One step of reading the ring: encodes the next stretch of captured audio,
// or ends the frames at a pause. False when there is nothing to do until
// more is captured.
bool RecordingEngine::EncodeNextChunk()
{
    const CaptureStep step = m_reader.next(m_stopRequested);
    switch (step.kind) {
    case CaptureStep::Wait: return false;
    // The frames before a pause end cleanly, so the file is whole up to it and
    // the audio after it draws on nothing of the encoder's output from before.
    case CaptureStep::EndFrames: Keep(m_encoder.flushWithoutGap()); return true;
    case CaptureStep::Encode: Encode(step.audio); return true;
    }
    return false;
}

void RecordingEngine::Encode(std::span<const int16_t> audio)
{
    // The level comes from the samples the encoder gets: no second copy.
    const int peak = PeakOf(audio);
    m_levelPeak = std::max(m_levelPeak, peak);
    m_recordingPeak = std::max(m_recordingPeak, peak);
    Keep(m_encoder.encode(audio));
}

// An output the encoder could not give is none.
void RecordingEngine::Keep(const Mp3Output& output) { m_output = output.error ? std::span<const uint8_t>() : output.bytes; }

int64_t RecordingEngine::FileAudioMs() const
{
    const int rate = m_frames.sampleRate();
    return rate > 0 ? m_frames.samplesPassed() * 1000 / rate : 0;
}

// The counters and the clock tell what the file holds: the audio of its
// whole frames and its bytes.
void RecordingEngine::ShowCounters()
{
    const QString held = FormatDuration(FileAudioMs());
    m_view.setCounter(EncodedTimeCounter, held);
    m_view.setCounter(EncodedSizeCounter, FormatKiloBytes(m_fileBytes));
    m_view.setClockText(held);
}

// The time since the start, without the pauses.
void RecordingEngine::ShowDuration()
{
    m_view.setCounter(DurationCounter,
                      FormatDuration(int64_t(std::floor((m_elapsed - m_pausedTotal) * 1000.0))));
}

void RecordingEngine::ShowInputLevel()
{
    m_view.setInputLevel(PeakDbfs(m_levelPeak), PeakClips(m_levelPeak));
    m_levelPeak = 0;
}

bool RecordingEngine::WriteToFile(const uint8_t* data, std::size_t size)
{
    if (!m_file || !m_file->write(data, size))
        return false;
    m_fileBytes += int64_t(size);
    return true;
}

// Appends the last output to the file.
bool RecordingEngine::WriteOutput() { return m_frames.feed(m_output.data(), m_output.size()); }

// Encodes and writes everything there is to encode; false when the file did
// not take the output.
bool RecordingEngine::EncodeCaptured()
{
    bool any = false;
    while (EncodeNextChunk()) {
        any = true;
        if (!WriteOutput())
            return false;
    }
    if (any) {
        ShowCounters();
        if (!m_paused)
            ShowDuration();
        ShowInputLevel();
    }
    return true;
}

// Every tick encodes all that capture has finished, so encoding is never more
// than a tick behind, and the tick after a stop ends the recording.
void RecordingEngine::Tick()
{
    if (!Active())
        return;
    // The record button stays off for as long as a recording runs.
    m_view.setButtonEnabled(RecButton::Record, false);
    if (!m_stopRequested) {
        m_elapsed = Now() - m_startTime;
        m_reader.update();
    }
    if (NothingCaptured()) {
        AbandonSilentCapture();
        return;
    }
    if (!EncodeCaptured()) {
        AbandonAfterWriteFailure();
        return;
    }
    if (m_stopRequested)
        FinishRecording();
}

// ---- Stop, finish, close ----------------------------------------------------

void RecordingEngine::CloseOutputFile()
{
    if (m_file) {
        m_file->flush();
        m_file->close();
    }
}

void RecordingEngine::FinishRecording()
{
    m_recTimer->stop();
    // What the encoder still holds is audio from before any pause.
    Keep(m_encoder.flush());
    const bool written = WriteOutput();
    ShowCounters();
    m_encoder.close();
    CloseOutputFile();
    m_view.setButtonEnabled(RecButton::Record, false);
    CloseRecording();
    m_state = State::Finished;
    if (!written) {
        MarkIncomplete();
        // The pupil is told to record again once the disk has room.
        m_view.setButtonEnabled(RecButton::Record, true);
        m_view.reportProblem(RecordingProblem::WriteFailed);
        return;
    }
    // Only now is there a complete recording to send.
    if (m_incompletePath == m_createdPath)
        m_incompletePath.clear();
    ShowFinishedButtons();
    // A muted or wrong microphone is the commonest lost hand-in: say so before
    // it is sent, and let the pupil record again at once.
    if (!m_leaving && PeakDbfs(m_recordingPeak) < kSilentRecordingDbfs) {
        m_view.setButtonEnabled(RecButton::Record, true);
        m_view.reportProblem(RecordingProblem::Silent);
    }
    if (m_playAfterStop)
        StartPlayback();
}

void RecordingEngine::CloseRecording()
{
    m_playback->setDevicesHeldByRecording(false);
    m_input.close();
    CloseFileAndEncoder();
    m_view.clearInputLevel();
}

void RecordingEngine::AbandonAfterWriteFailure()
{
    // The file will not take more: stop capturing, close what is there, and
    // say so instead of letting the counters run on.
    StopCapture();
    m_recTimer->stop();
    m_stopRequested = true;
    m_playAfterStop = false;
    MarkIncomplete();
    CloseOutputFile();
    CloseRecording();
    m_state = State::Finished;
    // The pupil is told to record again once the disk has room.
    m_view.setButtonEnabled(RecButton::Record, true);
    m_view.setButtonEnabled(RecButton::Pause, false);
    m_view.setButtonEnabled(RecButton::Stop, true);
    m_view.setButtonEnabled(RecButton::Play, true);
    m_view.setNewRecordingEnabled(true);
    m_view.reportProblem(RecordingProblem::WriteFailed);
}

// The file holds only part of the recording: it is not offered for sending.
void RecordingEngine::MarkIncomplete()
{
    m_incompletePath = m_createdPath;
    m_view.setSendEnabled(false);
}

void RecordingEngine::FinaliseRecordingBeforeExit()
{
    m_playAfterStop = false;
    if (!Active())
        return;
    m_recTimer->stop();
    StopCapture();
    m_stopRequested = true;
    m_leaving = true;
    // Nothing came from the device: no empty file stays behind.
    if (m_reader.captured() == 0) {
        CloseRecording();
        RemoveCreatedFile();
        m_state = State::Idle;
        return;
    }
    if (!EncodeCaptured()) {
        AbandonAfterWriteFailure();
        return;
    }
    FinishRecording();
}

// ---- Buttons ----------------------------------------------------------------

void RecordingEngine::StopAction()
{
    const bool recording = m_state == State::Capturing;
    if (recording) {
        StopCapture();
        // The duration runs to the stop, not to the last poll before it.
        if (!m_paused && !m_stopRequested) {
            m_elapsed = Now() - m_startTime;
            ShowDuration();
        }
        m_state = State::Draining;
        // The next poll, at once, encodes the rest and closes the file.
        m_recTimer->setInterval(0);
    } else {
        m_input.stop();
    }
    m_stopRequested = true;
    StopPlayback();
    m_view.setNewRecordingEnabled(true);
    m_view.setButtonEnabled(RecButton::Pause, false);
    if (Active()) {
        // Sending and playing wait for the file to be complete and closed.
        m_view.setSendEnabled(false);
        m_view.setButtonEnabled(RecButton::Play, false);
    } else {
        // Nothing is recording: the current file can be sent unless its
        // recording failed to be written.
        m_view.setSendEnabled(m_incompletePath.isEmpty() || m_view.recordingPath() != m_incompletePath);
    }
}

void RecordingEngine::ShowFinishedButtons()
{
    m_view.setSendEnabled(true);
    m_view.setButtonEnabled(RecButton::Play, true);
}

void RecordingEngine::Stop() { StopAction(); }

void RecordingEngine::Play()
{
    if (m_recTimer->isActive()) {
        StopAction();
        m_playAfterStop = true;
    } else {
        StartPlayback();
    }
}

// While paused, capture goes on but the audio captured is never encoded;
// the encoder's frames end cleanly at the pause.
void RecordingEngine::TogglePause()
{
    m_paused = !m_paused;
    if (m_paused) {
        if (Active()) {
            if (!m_stopRequested)
                m_reader.update();
            m_reader.pause();
        }
        m_pauseStart = Now();
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Continuer"));
    } else {
        if (Active()) {
            if (!m_stopRequested)
                m_reader.update();
            m_reader.resume();
        }
        m_pausedTotal += Now() - m_pauseStart;
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
    }
}
