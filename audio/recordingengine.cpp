#include "audio/recordingengine.h"

#include "audio/formatduration.h"
#include "audio/playback.h"
#include "audio/soundlibrary.h"
#include "foundation/seams.h"
#include "foundation/settings.h"

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

int PeakOf(const int16_t* pcm, uint32_t values)
{
    int peak = 0;
    for (uint32_t i = 0; i < values; ++i)
        peak = std::max(peak, std::abs(int(pcm[i])));
    return peak;
}

} // namespace

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
      m_frames([this](const MpegFrameHeader& frame, int64_t index) { return KeepFrame(frame, index); },
               [this](const uint8_t* data, std::size_t size) {
                   return m_fileWriter && m_fileWriter->WriteBytes(data, int32_t(size));
               })
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
    m_encodedMs = 0;
    m_encodedBytes = 0;
    m_writeFailed = false;
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
    m_padBuffer.assign(std::size_t(spc) * 2, 0);
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
    if (answer == MsgAnswer::Ok)
        return true;
    AbortStart();
    return false;
}

bool RecordingEngine::OpenOutputFile(const QString& path)
{
    if (!m_fileWriter)
        m_fileWriter = std::make_unique<RecordingFileWriter>();
    if (!m_fileWriter->OpenFile(path)) {
        MsgBox(QStringLiteral("Impossible de créer le fichier)"), MsgIcon::None, MsgButtons::Ok,
               QStringLiteral("Re3 Vazid Irarudu"));
        AbortStart();
        return false;
    }
    m_fileWriter->EmptyFile();
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
        // No capture: release what the start took; the buttons stay as they are.
        AbortStart();
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
    m_levelPeak = 0;
    m_recordingPeak = 0;
    m_frames.reset();
    m_pausedRanges.clear();
}

void RecordingEngine::AbortStart()
{
    FreeSample();
    if (m_playback)
        m_playback->setLibraryHeldByRecording(false);
    CloseFileAndEncoder();
    m_state = State::Idle;
    m_starting = false;
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

bool RecordingEngine::EncodeNextChunk()
{
    SkipOverwrittenAudio();
    const int64_t spc = m_samplesPerChunk;
    const int64_t available = m_totalCaptured - m_totalRead;
    const bool whole = available >= spc;
    // Less than a chunk is encoded only after a stop: the last one.
    if (!whole && !(available > 0 && m_stopRequested))
        return false;
    const int64_t frames = whole ? spc : available;
    EncodeFromLoop(frames);
    CountEncodedChunk(frames);
    return true;
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
    m_totalRead = next;
    m_readPos = int32_t(next % m_recordLength);
}

// Encodes `frames` frames from the read position: a whole chunk straight from
// the loop, a shorter one from a copy padded with silence.
void RecordingEngine::EncodeFromLoop(int64_t frames)
{
    const bool whole = frames == int64_t(m_samplesPerChunk);
    void* ptr1 = nullptr;
    void* ptr2 = nullptr;
    unsigned len1 = 0, len2 = 0;
    const bool locked = FSOUND_Sample_Lock(m_sampleHandle, m_readPos * m_blockAlign,
                                           int(m_samplesPerChunk) * m_blockAlign, &ptr1, &ptr2, &len1, &len2);
    const int16_t* pcm = m_padBuffer.data();
    uint32_t values = m_samplesPerChunk * 2;
    std::fill(m_padBuffer.begin(), m_padBuffer.end(), int16_t(0));
    if (locked && ptr1) {
        if (whole) {
            pcm = static_cast<const int16_t*>(ptr1);
            values = len1 / 2;
        } else {
            std::memcpy(m_padBuffer.data(), ptr1, std::min<std::size_t>(len1, std::size_t(frames) * 4));
        }
    }
    // The level comes from what the encoder gets; the pause leaves its audio out of the file.
    const int peak = PeakOf(pcm, values);
    m_levelPeak = std::max(m_levelPeak, peak);
    if (!m_paused)
        m_recordingPeak = std::max(m_recordingPeak, peak);
    m_outBytes = 0;
    if (beEncodeChunk(m_encoderStream, values, pcm, m_outBuffer.data(), &m_outBytes) != BE_ERR_SUCCESSFUL)
        m_outBytes = 0;
    if (locked)
        FSOUND_Sample_Unlock(m_sampleHandle, ptr1, ptr2, len1, len2);
}

// The counters and the read position move on a whole chunk, also for the
// last, padded one.
void RecordingEngine::CountEncodedChunk(int64_t frames)
{
    m_totalRead += frames;
    m_framesEncoded += frames;
    m_encodedBytes += m_outBytes;
    m_encodedMs += int32_t(std::nearbyint(double(m_samplesPerChunk) / m_sampleRate * 1000.0));
    if (m_readPos + int64_t(m_samplesPerChunk) >= m_recordLength)
        m_readPos = 0;
    else
        m_readPos += int32_t(m_samplesPerChunk);
}

void RecordingEngine::ShowCounters()
{
    m_view.setCounter(EncodedTimeCounter, FormatDuration(m_encodedMs));
    m_view.setCounter(EncodedSizeCounter, FormatKiloBytes(m_encodedBytes));
}

// The duration leaves out the pauses; the clock shows the encoded time.
void RecordingEngine::ShowDurationAndClock()
{
    m_view.setCounter(DurationCounter,
                      FormatDuration(int64_t(std::floor((m_elapsed - m_pausedTotal) * 1000.0))));
    m_view.setClockText(FormatDuration(m_encodedMs));
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

bool RecordingEngine::KeepFrame(const MpegFrameHeader& frame, int64_t index) const
{
    // LAME starts its output 576 samples early; the frame's middle tells
    // which input it carries.
    const double middle = ((double(index) + 0.5) * frame.samples - 576.0) * m_sampleRate / frame.sampleRate;
    for (const auto& [from, to] : m_pausedRanges)
        if (middle >= double(from) && middle < double(to))
            return false;
    return true;
}

// Appends the last output to the file, without the frames that carry audio
// captured while paused, so the file stays a clean run of frames.
bool RecordingEngine::WriteOutput() { return m_frames.feed(m_outBuffer.data(), m_outBytes, !m_paused); }

// The poll speeds up while encoding lags more than two seconds behind the
// clock, and goes back to its slow pace once less than a second behind.
void RecordingEngine::SteerPollInterval()
{
    const double elapsedMs = m_elapsed * 1000.0;
    if (elapsedMs - 2000.0 > m_encodedMs && m_recTimer->interval() > 20)
        m_recTimer->setInterval(m_recTimer->interval() - 10);
    if (elapsedMs - 1000.0 < m_encodedMs && m_recTimer->interval() != kSlowDownInterval)
        m_recTimer->setInterval(kSlowDownInterval);
}

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

    if (EncodeNextChunk()) {
        ShowCounters();
        if (!WriteOutput()) {
            AbandonAfterWriteFailure();
            return;
        }
        if (!m_paused)
            ShowDurationAndClock();
        ShowInputLevel();
    }

    SteerPollInterval();
    // Drained once every frame captured before the stop is encoded.
    if (m_stopRequested && m_totalRead >= m_totalCaptured)
        FinishRecording();
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
    FlushEncoder();
    const bool written = WriteOutput();
    if (written && !m_paused)
        ShowCounters();
    CloseEncoder();
    CloseOutputFile();
    m_view.setButtonEnabled(RecButton::Record, false);
    CloseRecording();
    m_state = State::Finished;
    if (!written) {
        m_writeFailed = true;
        MsgBox(RecordingWriteFailedText(), MsgIcon::Exclamation);
        return;
    }
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
    m_writeFailed = true;
    CloseOutputFile();
    CloseRecording();
    m_state = State::Finished;
    m_view.setButtonEnabled(RecButton::Record, false);
    m_view.setButtonEnabled(RecButton::Pause, false);
    m_view.setButtonEnabled(RecButton::Stop, true);
    m_view.setButtonEnabled(RecButton::Play, true);
    m_view.setSendEnabled(true);
    m_view.setNewRecordingEnabled(true);
    MsgBox(RecordingWriteFailedText(), MsgIcon::Exclamation);
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
    while (m_totalRead < m_totalCaptured && EncodeNextChunk()) {
        if (!WriteOutput()) {
            AbandonAfterWriteFailure();
            return;
        }
    }
    FinishRecording();
}

// ---- Buttons ----------------------------------------------------------------

void RecordingEngine::StopAction()
{
    if (m_state == State::Capturing) {
        StopCapture();
        m_state = State::Draining;
    } else {
        FSOUND_Record_Stop();
    }
    m_stopRequested = true;
    StopPlayback();
    m_view.setSendEnabled(true);
    m_view.setNewRecordingEnabled(true);
    m_view.setButtonEnabled(RecButton::Pause, false);
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

// While paused, capture and encoding go on; the frames carrying the paused
// stretch of captured audio are left out of the file.
void RecordingEngine::TogglePause()
{
    m_paused = !m_paused;
    if (m_paused) {
        if (Active()) {
            if (!m_stopRequested)
                UpdateCaptured();
            m_pausedRanges.emplace_back(m_totalCaptured, INT64_MAX);
        }
        m_pauseStart = Now();
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Continuer"));
    } else {
        if (Active() && !m_pausedRanges.empty()) {
            if (!m_stopRequested)
                UpdateCaptured();
            m_pausedRanges.back().second = m_totalCaptured;
        }
        m_pausedTotal += Now() - m_pauseStart;
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
    }
}
