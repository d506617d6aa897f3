#include "audio/recordingengine.h"

#include "audio/formatduration.h"
#include "audio/playback.h"
#include "audio/soundlibrary.h"
#include "foundation/seams.h"
#include "foundation/settings.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int kSlowDownInterval = 52;
constexpr unsigned kCaptureMode = FSOUND_16BITS | FSOUND_STEREO | FSOUND_SIGNED | FSOUND_LOOP_NORMAL;

double Now() { return programClock().seconds(); }

QString CheckMicrophoneText()
{
    return QStringLiteral("Vérifiez que le micro est branché, choisissez-le dans la liste des périphériques "
                          "ou cliquez sur « Nouvel enregistrement », puis recommencez.");
}

int PeakOf(const int16_t* pcm, uint32_t values)
{
    int peak = 0;
    for (uint32_t i = 0; i < values; ++i)
        peak = std::max(peak, std::abs(int(pcm[i])));
    return peak;
}

} // namespace

QString CaptureFailedText()
{
    return QStringLiteral(
               "Le périphérique d'enregistrement n'a pas pu être ouvert : rien n'a été enregistré.") +
           QLatin1Char('\r') + CheckMicrophoneText();
}

QString NoSoundArrivedText()
{
    return QStringLiteral("Aucun son n'arrive du périphérique d'enregistrement : l'enregistrement est arrêté "
                          "et aucun fichier n'a été créé.") +
           QLatin1Char('\r') + CheckMicrophoneText();
}

QString RecordingWriteFailedText()
{
    return QStringLiteral("L'enregistrement n'a pas pu être écrit dans le fichier.") + QLatin1Char('\r') +
           QStringLiteral("Vérifiez la place libre sur le disque, puis recommencez l'enregistrement.");
}

QString SilentRecordingText()
{
    return QStringLiteral("Votre enregistrement semble silencieux : aucun son n'a été capté.") +
           QLatin1Char('\r') +
           QStringLiteral("Vérifiez que le micro est branché et qu'il n'est pas coupé, puis recommencez "
                          "l'enregistrement.");
}

double PeakDbfs(int peak)
{
    return peak <= 0 ? -std::numeric_limits<double>::infinity() : 20.0 * std::log10(peak / 32768.0);
}

RecordingEngine::RecordingEngine(RecordingView& view, QTimer* recTimer, QTimer* playTimer, QObject* parent)
    : QObject(parent), m_view(view), m_recTimer(recTimer),
      m_frames([](const MpegFrameHeader&, int64_t) { return true; },
               [this](const uint8_t* data, std::size_t size) { return WriteToFile(data, size); })
{
    if (!m_recTimer) {
        m_recTimer = new QTimer(this);
        m_recTimer->setInterval(1000);
    }
    // The poll steers its interval, so it must fire when asked.
    m_recTimer->setTimerType(Qt::PreciseTimer);
    connect(m_recTimer, &QTimer::timeout, this, &RecordingEngine::Tick);
    m_playback = std::make_unique<Playback>(
        [this](const QString& caption) { m_view.setButtonCaption(RecButton::Play, caption); }, playTimer);
}

RecordingEngine::~RecordingEngine()
{
    m_recTimer->stop();
    FreeSample();
    CloseEncoder();
}

void RecordingEngine::FreeSample()
{
    if (m_sampleHandle) {
        FSOUND_Sample_Free(m_sampleHandle);
        m_sampleHandle = 0;
    }
}

void RecordingEngine::CloseEncoder()
{
    if (m_encoderOpen) {
        beCloseStream(m_encoderStream);
        m_encoderOpen = false;
    }
}

void RecordingEngine::CloseFileAndEncoder()
{
    if (m_fileWriter) {
        m_fileWriter->CloseFile();
        m_fileWriter.reset();
    }
    CloseEncoder();
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

    ShowRecordingButtons();
    ResetForNewRecording();
    if (!OpenEncoder(m_view.recordingOptions()))
        return;
    SizeCaptureLoop();
    const QString path = m_view.recordingPath();
    if (!ConfirmReplace(path) || !OpenOutputFile(path) || !StartSoundLibrary() || !StartCapture())
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
    m_encodedBytes = 0;
    m_writeFailed = false;
    m_createdPath.clear();
    m_leaving = false;
    // A new recording never inherits the pause of the last one: it would write
    // nothing, and its duration would be shortened by the old pauses.
    m_paused = false;
    m_pausedTotal = 0;
    m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
}

bool RecordingEngine::OpenEncoder(const RecordingOptions& options)
{
    m_sampleRate = options.sampleRate;
    m_config = RecordingEncoderConfig(options);
    CloseEncoder();
    m_samplesPerChunk = 0;
    m_outBufferSize = 0;
    const uint32_t result = beInitStream(&m_config, &m_samplesPerChunk, &m_outBufferSize, &m_encoderStream);
    if (result == BE_ERR_SUCCESSFUL && m_samplesPerChunk != 0 && m_sampleRate > 0) {
        m_encoderOpen = true;
        return true;
    }
    if (result != BE_ERR_SUCCESSFUL)
        MsgBox(EncoderErrorText(result), MsgIcon::None, MsgButtons::Ok, QStringLiteral("Lame"));
    else
        beCloseStream(m_encoderStream);
    // Nothing may be encoded into a stream that did not open; the state the
    // last recording left stays as it is.
    m_starting = false;
    return false;
}

// The capture loop holds about twenty seconds in whole chunks; the poll's
// pace is one chunk's duration.
void RecordingEngine::SizeCaptureLoop()
{
    const uint32_t spc = m_samplesPerChunk;
    m_recordLength = int32_t(uint32_t(m_sampleRate) / spc * spc * 20);
    if (m_recordLength <= 0)
        m_recordLength = int32_t(spc * 20);
    m_nominalInterval = int(std::floor(double(spc) / m_sampleRate * 1000.0));
    m_recTimer->setInterval(std::max(1, m_nominalInterval));
    m_outBuffer.assign(m_outBufferSize, 0);
    m_channels = 2;
    m_bitsPerSample = 16;
    m_blockAlign = m_bitsPerSample / 8 * m_channels;
}

bool RecordingEngine::ConfirmReplace(const QString& path)
{
    if (!FileExists(path))
        return true;
    const MsgAnswer answer = MsgBox(QStringLiteral("Le fichier spécifié existe déja.") +
                                        QStringLiteral("\r\n") + QStringLiteral("Voulez vous le remplacer ?"),
                                    MsgIcon::Question, MsgButtons::OkCancel, QStringLiteral("Confirmation"));
    if (answer == MsgAnswer::Ok) {
        // Replaced by a new file, never written through: a link goes, not
        // what it points to.
        QFile::remove(path);
        return true;
    }
    AbortStart();
    return false;
}

bool RecordingEngine::OpenOutputFile(const QString& path)
{
    if (!m_fileWriter)
        m_fileWriter = std::make_unique<RecordingFileWriter>();
    // Created exclusively: a file that appeared since the question (another
    // Mirlo recording under the same name) is never emptied.
    if (!m_fileWriter->CreateNewFile(path)) {
        MsgBox(QStringLiteral("Impossible de créer le fichier)"), MsgIcon::None, MsgButtons::Ok,
               QStringLiteral("Re3 Vazid Irarudu"));
        AbortStart();
        return false;
    }
    m_createdPath = path;
    return true;
}

bool RecordingEngine::StartSoundLibrary()
{
    if (!FSOUND_Init(44100, 10, FSOUND_INIT_USEDEFAULTMIDISYNTH)) {
        AbortStart();
        ReportSoundLibraryFailure();
        return false;
    }
    m_playback->setLibraryHeldByRecording(true);
    return true;
}

bool RecordingEngine::StartCapture()
{
    FreeSample();
    m_sampleHandle =
        FSOUND_Sample_Alloc(FSOUND_UNMANAGED, m_recordLength, kCaptureMode, m_sampleRate, 255, 128, 255);
    ResetCaptureCounters();
    ShowCounters();
    if (!m_sampleHandle || !FSOUND_Record_StartSample(m_sampleHandle, true)) {
        AbortStart();
        ShowButtonsWithoutRecording();
        MsgBox(CaptureFailedText(), MsgIcon::Exclamation);
        return false;
    }
    m_state = State::Capturing;
    m_recTimer->start();
    return true;
}

// Capture starts at the beginning of a fresh loop, so reading does too.
void RecordingEngine::ResetCaptureCounters()
{
    m_readPos = 0;
    m_totalCaptured = 0;
    m_totalRead = 0;
    m_framesEncoded = 0;
    m_framesSkipped = 0;
    m_framesPaused = 0;
    m_fileBytes = 0;
    m_levelPeak = 0;
    m_recordingPeak = 0;
    m_frames.reset();
    m_pauses.clear();
}

void RecordingEngine::AbortStart()
{
    FreeSample();
    if (m_playback)
        m_playback->setLibraryHeldByRecording(false);
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
    return m_totalCaptured == 0 && (m_stopRequested || m_elapsed > 1.0);
}

void RecordingEngine::AbandonSilentCapture()
{
    m_recTimer->stop();
    m_playAfterStop = false;
    CloseRecording();
    RemoveCreatedFile();
    m_state = State::Idle;
    ShowButtonsWithoutRecording();
    MsgBox(NoSoundArrivedText(), MsgIcon::Exclamation);
}

// ---- Poll -----------------------------------------------------------------

void RecordingEngine::UpdateCaptured()
{
    if (!m_sampleHandle)
        return;
    const long long total = FSOUND_Record_GetTotalFrames();
    if (total > m_totalCaptured)
        m_totalCaptured = total;
}

void RecordingEngine::StopCapture()
{
    UpdateCaptured();
    FSOUND_Record_Stop();
    // Frames delivered while stopping still count as captured before the stop.
    UpdateCaptured();
}

// One step of reading the loop: encodes the next stretch of captured audio
// into the output buffer, or ends the frames at a pause. False when there is
// nothing to do until more is captured.
bool RecordingEngine::EncodeNextChunk()
{
    SkipOverwrittenAudio();
    PassOverPausedAudio();
    Pause* next = NextPause();
    if (next && next->from <= m_totalRead && !next->framesEnded) {
        EndFramesAtPause();
        next->framesEnded = true;
        return true;
    }
    const int64_t spc = m_samplesPerChunk;
    const bool pauseCaptured = next && next->from <= m_totalCaptured;
    const int64_t end = pauseCaptured ? next->from : m_totalCaptured;
    const int64_t available = end - m_totalRead;
    // Less than a chunk goes to the encoder only up to a pause or after a stop.
    if (available <= 0 || (available < spc && !pauseCaptured && !m_stopRequested))
        return false;
    // A piece never crosses the end of the loop.
    const int64_t frames = std::min({available, spc, int64_t(m_recordLength - m_readPos)});
    EncodeFromLoop(frames);
    CountEncodedChunk(frames);
    return true;
}

// The first pause not yet read past, if any.
RecordingEngine::Pause* RecordingEngine::NextPause()
{
    for (Pause& p : m_pauses)
        if (p.to > m_totalRead)
            return &p;
    return nullptr;
}

// Audio captured while paused is never encoded: the reader moves past it.
void RecordingEngine::PassOverPausedAudio()
{
    for (const Pause& p : m_pauses) {
        if (!p.framesEnded || m_totalRead < p.from || m_totalRead >= p.to)
            continue;
        const int64_t to = std::min(p.to, m_totalCaptured);
        m_framesPaused += to - m_totalRead;
        MoveReadPosition(to);
    }
}

// The frames before a pause end cleanly, so the file is whole up to it and the
// audio after it draws on nothing of the encoder's output from before.
void RecordingEngine::EndFramesAtPause()
{
    m_outBytes = 0;
    if (beFlushNoGap(m_encoderStream, m_outBuffer.data(), &m_outBytes) != BE_ERR_SUCCESSFUL)
        m_outBytes = 0;
    m_encodedBytes += m_outBytes;
}

void RecordingEngine::MoveReadPosition(int64_t totalRead)
{
    m_totalRead = totalRead;
    m_readPos = int32_t(m_totalRead % m_recordLength);
}

// A reader that fell a whole loop behind goes on from the oldest chunk that
// capture will not overwrite while it is being read.
void RecordingEngine::SkipOverwrittenAudio()
{
    const int64_t spc = m_samplesPerChunk;
    if (m_totalCaptured - m_totalRead <= m_recordLength - spc)
        return;
    const int64_t oldest = m_totalCaptured - m_recordLength + spc;
    const int64_t next = (oldest + spc - 1) / spc * spc;
    m_framesSkipped += next - m_totalRead;
    MoveReadPosition(next);
}

// Encodes `frames` frames from the read position, straight from the loop.
void RecordingEngine::EncodeFromLoop(int64_t frames)
{
    void* ptr1 = nullptr;
    void* ptr2 = nullptr;
    unsigned len1 = 0, len2 = 0;
    m_outBytes = 0;
    if (!FSOUND_Sample_Lock(m_sampleHandle, m_readPos * m_blockAlign, int(frames) * m_blockAlign, &ptr1,
                            &ptr2, &len1, &len2))
        return;
    if (ptr1) {
        const auto* pcm = static_cast<const int16_t*>(ptr1);
        // The level comes from the samples the encoder gets: no second copy.
        const int peak = PeakOf(pcm, len1 / 2);
        m_levelPeak = std::max(m_levelPeak, peak);
        m_recordingPeak = std::max(m_recordingPeak, peak);
        if (beEncodeChunk(m_encoderStream, len1 / 2, pcm, m_outBuffer.data(), &m_outBytes) !=
            BE_ERR_SUCCESSFUL)
            m_outBytes = 0;
    }
    FSOUND_Sample_Unlock(m_sampleHandle, ptr1, ptr2, len1, len2);
}

void RecordingEngine::CountEncodedChunk(int64_t frames)
{
    m_framesEncoded += frames;
    m_encodedBytes += m_outBytes;
    MoveReadPosition(m_totalRead + frames);
}

// Audio the poll has dealt with, encoded or passed over while paused: what
// steers the poll against the clock.
int32_t RecordingEngine::encodedMs() const
{
    return m_sampleRate > 0 ? int32_t((m_framesEncoded + m_framesPaused) * 1000 / m_sampleRate) : 0;
}

int64_t RecordingEngine::fileAudioMs() const
{
    const int rate = m_frames.sampleRate();
    return rate > 0 ? m_frames.samplesPassed() * 1000 / rate : 0;
}

// The counters and the clock tell what the file holds: the audio of its
// whole frames and its bytes.
void RecordingEngine::ShowCounters()
{
    const QString held = FormatDuration(fileAudioMs());
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

// A muted or wrong microphone is the commonest lost hand-in: say so before it is sent.
void RecordingEngine::WarnIfSilent()
{
    if (PeakDbfs(m_recordingPeak) < kSilentRecordingDbfs)
        MsgBox(SilentRecordingText(), MsgIcon::Exclamation);
}

bool RecordingEngine::WriteToFile(const uint8_t* data, std::size_t size)
{
    if (!m_fileWriter || !m_fileWriter->WriteBytes(data, int32_t(size)))
        return false;
    m_fileBytes += int64_t(size);
    return true;
}

// Appends the last output to the file.
bool RecordingEngine::WriteOutput() { return m_frames.feed(m_outBuffer.data(), m_outBytes, true); }

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

// The poll speeds up while encoding lags more than two seconds behind the
// clock, and goes back to its slow pace once less than a second behind.
void RecordingEngine::SteerPollInterval()
{
    const double elapsedMs = m_elapsed * 1000.0;
    const int32_t doneMs = encodedMs();
    if (elapsedMs - 2000.0 > doneMs && m_recTimer->interval() > 20)
        m_recTimer->setInterval(m_recTimer->interval() - 10);
    if (elapsedMs - 1000.0 < doneMs && m_recTimer->interval() != kSlowDownInterval)
        m_recTimer->setInterval(kSlowDownInterval);
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
        UpdateCaptured();
    }
    if (NothingCaptured()) {
        AbandonSilentCapture();
        return;
    }
    if (!EncodeCaptured()) {
        AbandonAfterWriteFailure();
        return;
    }
    if (m_stopRequested) {
        FinishRecording();
        return;
    }
    SteerPollInterval();
}

// ---- Stop, finish, close ----------------------------------------------------

void RecordingEngine::FlushEncoder()
{
    if (!m_encoderOpen)
        return;
    m_outBytes = 0;
    if (beDeinitStream(m_encoderStream, m_outBuffer.data(), &m_outBytes) != BE_ERR_SUCCESSFUL)
        m_outBytes = 0;
    m_encodedBytes += m_outBytes;
}

void RecordingEngine::CloseOutputFile()
{
    if (m_fileWriter) {
        m_fileWriter->FlushBuffers();
        m_fileWriter->CloseFile();
    }
}

void RecordingEngine::FinishRecording()
{
    m_recTimer->stop();
    // What the encoder still holds is audio from before any pause.
    FlushEncoder();
    const bool written = WriteOutput();
    ShowCounters();
    CloseEncoder();
    CloseOutputFile();
    m_view.setButtonEnabled(RecButton::Record, false);
    CloseRecording();
    m_state = State::Finished;
    if (!written) {
        MarkIncomplete();
        MsgBox(RecordingWriteFailedText(), MsgIcon::Exclamation);
        return;
    }
    // Only now is there a complete recording to send.
    if (m_incompletePath == m_createdPath)
        m_incompletePath.clear();
    ShowFinishedButtons();
    if (!m_leaving)
        WarnIfSilent();
    if (m_playAfterStop)
        StartPlayback();
}

void RecordingEngine::CloseRecording()
{
    FSOUND_Record_Stop();
    FreeSample();
    m_playback->setLibraryHeldByRecording(false);
    FSOUND_Close();
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
    m_view.setButtonEnabled(RecButton::Record, false);
    m_view.setButtonEnabled(RecButton::Pause, false);
    m_view.setButtonEnabled(RecButton::Stop, true);
    m_view.setButtonEnabled(RecButton::Play, true);
    m_view.setNewRecordingEnabled(true);
    MsgBox(RecordingWriteFailedText(), MsgIcon::Exclamation);
}

// The file holds only part of the recording: it is not offered for sending.
void RecordingEngine::MarkIncomplete()
{
    m_writeFailed = true;
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
        m_state = State::Draining;
        // The next poll, at once, encodes the rest and closes the file.
        m_recTimer->setInterval(0);
    } else {
        FSOUND_Record_Stop();
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
                UpdateCaptured();
            m_pauses.push_back({m_totalCaptured, INT64_MAX, false});
        }
        m_pauseStart = Now();
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Continuer"));
    } else {
        if (Active() && !m_pauses.empty()) {
            if (!m_stopRequested)
                UpdateCaptured();
            m_pauses.back().to = m_totalCaptured;
        }
        m_pausedTotal += Now() - m_pauseStart;
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
    }
}
