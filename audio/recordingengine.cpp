#include "audio/recordingengine.h"

#include "audio/soundlibrary.h"
#include "audio/formatduration.h"
#include "audio/playback.h"
#include "foundation/seams.h"
#include "foundation/settings.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kSlowDownInterval = 52;
constexpr unsigned kCaptureMode = FSOUND_16BITS | FSOUND_STEREO | FSOUND_SIGNED | FSOUND_LOOP_NORMAL;

double Now()
{
    return programClock().seconds();
}

} // namespace

QString RecordingWriteFailedText()
{
    return QStringLiteral("L'enregistrement n'a pas pu être écrit dans le fichier.")
        + QLatin1Char('\r')
        + QStringLiteral("Vérifiez la place libre sur le disque, puis recommencez l'enregistrement.");
}

RecordingEngine::RecordingEngine(RecordingView& view, QTimer* recTimer, QTimer* playTimer,
                                 QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_recTimer(recTimer)
{
    if (!m_recTimer) {
        m_recTimer = new QTimer(this);
        m_recTimer->setInterval(1000);
    }
    // The poll steers its interval, so it must fire when asked.
    m_recTimer->setTimerType(Qt::PreciseTimer);
    connect(m_recTimer, &QTimer::timeout, this, &RecordingEngine::Tick);
    m_playback = std::make_unique<Playback>(
        [this](const QString& caption) { m_view.setButtonCaption(RecButton::Play, caption); },
        playTimer);
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

void RecordingEngine::StartPlayback()
{
    m_playback->StartPlayback(m_view.recordingPath());
}

void RecordingEngine::StopPlayback()
{
    m_playback->StopPlayback();
}

// ---- Start ----------------------------------------------------------------

void RecordingEngine::Record()
{
    // A click queued before step 3 must not start a second recording inside this one.
    if (m_starting || m_state == State::Capturing || m_state == State::Draining)
        return;
    m_starting = true;

    m_view.setSendEnabled(false);                                   // 1
    StopPlayback();                                                  // 2
    m_view.setButtonEnabled(RecButton::Record, false);                // 3
    m_view.setButtonEnabled(RecButton::Stop, true);
    m_view.setButtonEnabled(RecButton::Play, true);
    m_view.setButtonEnabled(RecButton::Pause, true);
    m_view.processPendingEvents();

    m_playAfterStop = false;                                         // 4
    m_stopRequested = false;
    m_encodedMs = 0;
    m_encodedBytes = 0;
    m_writeFailed = false;
    // A new recording never inherits the pause of the last one: it would write
    // nothing, and its duration would be shortened by the old pauses.
    m_paused = false;
    m_pausedTotal = 0;
    m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));

    const RecordingOptions options = m_view.recordingOptions();      // 5
    m_sampleRate = options.sampleRate;
    std::memset(&m_config, 0, sizeof m_config);
    m_config.dwConfig = BE_CONFIG_LAME;
    m_config.dwStructVersion = 1;
    m_config.dwStructSize = sizeof(BE_CONFIG);
    m_config.dwSampleRate = uint32_t(options.sampleRate);
    m_config.dwReSampleRate = 0;
    m_config.nMode = BE_MP3_MODE_JSTEREO;
    m_config.dwBitrate = uint32_t(options.bitRateKbps);
    m_config.nPreset = options.encoderPreset;
    m_config.dwMpegVersion = 1;
    m_config.dwPsyModel = 0;
    m_config.dwEmphasis = 0;
    m_config.bOriginal = -1;
    m_config.nVbrMethod = VBR_METHOD_NONE;

    CloseEncoder();
    m_samplesPerChunk = 0;
    m_outBufferSize = 0;
    const uint32_t result = beInitStream(&m_config, &m_samplesPerChunk, &m_outBufferSize,  // 6
                                         &m_encoderStream);
    if (result != BE_ERR_SUCCESSFUL || m_samplesPerChunk == 0 || m_sampleRate <= 0) {
        if (result != BE_ERR_SUCCESSFUL)
            MsgBox(EncoderErrorText(result), MsgIcon::None, MsgButtons::Ok, QStringLiteral("Lame"));
        else
            beCloseStream(m_encoderStream);
        // Nothing may be encoded into a stream that did not open.
        m_starting = false;
        return;
    }
    m_encoderOpen = true;

    const uint32_t spc = m_samplesPerChunk;                          // 7
    m_recordLength = int32_t(uint32_t(m_sampleRate) / spc * spc * 20);
    if (m_recordLength <= 0)
        m_recordLength = int32_t(spc * 20);
    m_nominalInterval = int(std::floor(double(spc) / m_sampleRate * 1000.0));  // 8
    m_recTimer->setInterval(std::max(1, m_nominalInterval));
    m_outBuffer.assign(m_outBufferSize, 0);                          // 9
    m_padBuffer.assign(std::size_t(spc) * 2, 0);
    m_channels = 2;                                                  // 10
    m_bitsPerSample = 16;
    m_blockAlign = m_bitsPerSample / 8 * m_channels;

    const QString path = m_view.recordingPath();
    if (FileExists(path)) {                                          // 11
        const MsgAnswer answer = MsgBox(QStringLiteral("Le fichier spécifié existe déja.")
                                            + QStringLiteral("\r\n")
                                            + QStringLiteral("Voulez vous le remplacer ?"),
                                        MsgIcon::Question, MsgButtons::OkCancel,
                                        QStringLiteral("Confirmation"));
        if (answer != MsgAnswer::Ok) {
            AbortStart();
            return;
        }
    }

    if (!m_fileWriter)                                               // 12
        m_fileWriter = std::make_unique<RecordingFileWriter>();
    if (!m_fileWriter->OpenFile(path)) {
        MsgBox(QStringLiteral("Impossible de créer le fichier)"), MsgIcon::None, MsgButtons::Ok,
               QStringLiteral("Re3 Vazid Irarudu"));
        AbortStart();
        return;
    }
    m_fileWriter->EmptyFile();

    if (!FSOUND_Init(44100, 10, FSOUND_INIT_USEDEFAULTMIDISYNTH)) {  // 13
        AbortStart();
        ReportSoundLibraryFailure();
        return;
    }
    m_playback->setLibraryHeldByRecording(true);

    FreeSample();
    m_sampleHandle = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, m_recordLength, kCaptureMode,  // 14
                                         m_sampleRate, 255, 128, 255);

    // Capture starts at the beginning of a fresh loop, so reading does too.
    m_readPos = 0;
    m_totalCaptured = 0;
    m_totalRead = 0;
    m_framesEncoded = 0;
    m_framesSkipped = 0;
    m_frameLeft = 0;
    m_frameKept = true;
    m_headerCount = 0;
    m_framingLost = false;
    m_outFrames = 0;
    m_pausedRanges.clear();
    ShowCounters();

    if (m_sampleHandle && FSOUND_Record_StartSample(m_sampleHandle, true)) {  // 15
        m_state = State::Capturing;
        m_recTimer->start();
    } else {
        // No capture: release what the start took; the buttons stay as they are.
        AbortStart();
        m_starting = false;
        return;
    }
    m_startTime = Now();                                           // 16
    m_elapsed = 0;
    m_starting = false;
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
    const int64_t spc = m_samplesPerChunk;
    int64_t available = m_totalCaptured - m_totalRead;
    if (available > m_recordLength - spc) {
        // The reader fell a whole loop behind: go on from the oldest chunk that
        // capture will not overwrite while it is being read.
        const int64_t oldest = m_totalCaptured - m_recordLength + spc;
        const int64_t next = (oldest + spc - 1) / spc * spc;
        m_framesSkipped += next - m_totalRead;
        m_totalRead = next;
        m_readPos = int32_t(next % m_recordLength);
        available = m_totalCaptured - m_totalRead;
    }
    const bool whole = available >= spc;
    if (!whole && !(available > 0 && m_stopRequested))
        return false;

    void* ptr1 = nullptr;
    void* ptr2 = nullptr;
    unsigned len1 = 0, len2 = 0;
    const bool locked = FSOUND_Sample_Lock(m_sampleHandle, m_readPos * m_blockAlign,
                                           int(spc) * m_blockAlign, &ptr1, &ptr2, &len1, &len2);
    const int16_t* pcm = m_padBuffer.data();
    uint32_t values = uint32_t(spc) * 2;
    std::fill(m_padBuffer.begin(), m_padBuffer.end(), int16_t(0));
    if (locked && ptr1) {
        if (whole) {
            pcm = static_cast<const int16_t*>(ptr1);
            values = len1 / 2;
        } else {
            std::memcpy(m_padBuffer.data(), ptr1,
                        std::min<std::size_t>(len1, std::size_t(available) * 4));
        }
    }
    m_outBytes = 0;
    if (beEncodeChunk(m_encoderStream, values, pcm, m_outBuffer.data(), &m_outBytes)
        != BE_ERR_SUCCESSFUL)
        m_outBytes = 0;
    if (locked)
        FSOUND_Sample_Unlock(m_sampleHandle, ptr1, ptr2, len1, len2);

    const int64_t taken = whole ? spc : available;
    m_totalRead += taken;
    m_framesEncoded += taken;
    return true;
}

void RecordingEngine::ShowCounters()
{
    m_view.setCounter(0, FormatDuration(m_encodedMs));
    m_view.setCounter(1, FormatKiloBytes(m_encodedBytes));
}

namespace {

// Length in bytes of the Layer III frame with this header, 0 when it is none.
int64_t FrameLength(const uint8_t* h)
{
    static const int kbps[2][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
    static const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || ((h[1] >> 1) & 3) != 1)
        return 0;
    const int version = (h[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int rateIndex = (h[2] >> 2) & 3;
    const int bitrate = kbps[version == 3 ? 0 : 1][h[2] >> 4];
    if (version == 1 || rateIndex == 3 || bitrate == 0)
        return 0;
    const int rate = rates[version == 3 ? 0 : version == 2 ? 1 : 2][rateIndex];
    const int pad = (h[2] >> 1) & 1;
    return (version == 3 ? 144000 : 72000) * int64_t(bitrate) / rate + pad;
}

} // namespace

bool RecordingEngine::WriteRun(const uint8_t* data, std::size_t size, bool keep)
{
    if (!keep || size == 0)
        return true;
    return m_fileWriter && m_fileWriter->WriteBytes(data, int32_t(size));
}

bool RecordingEngine::KeepFrame(int64_t index) const
{
    // LAME starts its output 576 samples early; the frame's middle tells
    // which input it carries.
    const double middle = ((double(index) + 0.5) * m_outFrameSamples - 576.0) * m_sampleRate / m_outRate;
    for (const auto& [from, to] : m_pausedRanges)
        if (middle >= double(from) && middle < double(to))
            return false;
    return true;
}

// Appends the last output to the file. Output does not end on frame
// boundaries, so the pause works on whole frames: a frame is dropped when
// the audio it carries was encoded while paused, and the file stays a clean
// run of frames.
bool RecordingEngine::WriteOutput()
{
    const uint8_t* data = m_outBuffer.data();
    const std::size_t n = m_outBytes;
    if (m_framingLost)
        return WriteRun(data, n, !m_paused);
    std::size_t i = 0, runStart = 0;
    bool runKeep = m_frameKept;
    while (i < n) {
        if (m_frameLeft == 0) {
            m_frameLeft = -1;
            m_headerCount = 0;
        }
        if (m_frameLeft < 0) {
            if (!WriteRun(data + runStart, i - runStart, runKeep))
                return false;
            while (m_headerCount < 4 && i < n)
                m_header[m_headerCount++] = data[i++];
            runStart = i;
            if (m_headerCount < 4)
                return true; // the header goes on in the next output
            const int64_t length = FrameLength(m_header);
            if (length <= 4) {
                m_framingLost = true;
                return WriteRun(m_header, 4, !m_paused)
                    && WriteRun(data + runStart, n - runStart, !m_paused);
            }
            const bool mpeg1 = ((m_header[1] >> 3) & 3) == 3;
            m_outFrameSamples = mpeg1 ? 1152 : 576;
            static const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
            const int version = (m_header[1] >> 3) & 3;
            m_outRate = rates[version == 3 ? 0 : version == 2 ? 1 : 2][(m_header[2] >> 2) & 3];
            m_frameKept = KeepFrame(m_outFrames++);
            if (!WriteRun(m_header, 4, m_frameKept))
                return false;
            m_frameLeft = length - 4;
            runKeep = m_frameKept;
            continue;
        }
        const std::size_t take = std::size_t(std::min<int64_t>(m_frameLeft, int64_t(n - i)));
        m_frameLeft -= int64_t(take);
        i += take;
    }
    return WriteRun(data + runStart, n - runStart, runKeep);
}

void RecordingEngine::Tick()
{
    if (m_state != State::Capturing && m_state != State::Draining)
        return;
    m_view.setButtonEnabled(RecButton::Record, false);                // 1
    if (!m_stopRequested)                                            // 2
        m_elapsed = Now() - m_startTime;
    if (!m_stopRequested)
        UpdateCaptured();

    if (EncodeNextChunk()) {                                         // 3, 4, 5
        m_encodedBytes += m_outBytes;                                // 6
        m_encodedMs += int32_t(std::nearbyint(double(m_samplesPerChunk) / m_sampleRate * 1000.0));  // 7
        ShowCounters();                                              // 8
        if (m_readPos + int64_t(m_samplesPerChunk) >= m_recordLength)  // 9
            m_readPos = 0;
        else
            m_readPos += int32_t(m_samplesPerChunk);
        if (!WriteOutput()) {                                        // 10
            AbandonAfterWriteFailure();
            return;
        }
        if (!m_paused) {
            m_view.setCounter(2, FormatDuration(int64_t(std::floor((m_elapsed - m_pausedTotal) * 1000.0))));
            m_view.setClockText(FormatDuration(m_encodedMs));
        }
    }

    const double elapsedMs = m_elapsed * 1000.0;
    if (elapsedMs - 2000.0 > m_encodedMs && m_recTimer->interval() > 20)    // 11
        m_recTimer->setInterval(m_recTimer->interval() - 10);
    if (elapsedMs - 1000.0 < m_encodedMs && m_recTimer->interval() != kSlowDownInterval)  // 12
        m_recTimer->setInterval(kSlowDownInterval);

    // 13: drained once every frame captured before the stop is encoded.
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

void RecordingEngine::FinishRecording()
{
    m_recTimer->stop();
    FlushEncoder();
    const bool written = WriteOutput();
    if (written && !m_paused)
        ShowCounters();
    CloseEncoder();
    if (m_fileWriter) {
        m_fileWriter->FlushBuffers();
        m_fileWriter->CloseFile();
    }
    m_view.setButtonEnabled(RecButton::Record, false);
    CloseRecording();
    m_state = State::Finished;
    if (!written) {
        m_writeFailed = true;
        MsgBox(RecordingWriteFailedText(), MsgIcon::Exclamation);
        return;
    }
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
    if (m_fileWriter) {
        m_fileWriter->FlushBuffers();
        m_fileWriter->CloseFile();
    }
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
    if (m_state != State::Capturing && m_state != State::Draining)
        return;
    m_recTimer->stop();
    StopCapture();
    m_stopRequested = true;
    while (m_totalRead < m_totalCaptured && EncodeNextChunk()) {
        m_encodedBytes += m_outBytes;
        m_encodedMs += int32_t(std::nearbyint(double(m_samplesPerChunk) / m_sampleRate * 1000.0));
        m_readPos = m_readPos + int64_t(m_samplesPerChunk) >= m_recordLength
            ? 0
            : m_readPos + int32_t(m_samplesPerChunk);
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

void RecordingEngine::Stop()
{
    StopAction();
}

void RecordingEngine::Play()
{
    if (m_recTimer->isActive()) {
        StopAction();
        m_playAfterStop = true;
    } else {
        StartPlayback();
    }
}

void RecordingEngine::TogglePause()
{
    m_paused = !m_paused;
    const bool recording = m_state == State::Capturing || m_state == State::Draining;
    if (m_paused) {
        if (recording) {
            // What the microphone gives from now on is the paused stretch.
            if (!m_stopRequested)
                UpdateCaptured();
            m_pausedRanges.emplace_back(m_totalCaptured, INT64_MAX);
        }
        m_pauseStart = Now();
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Continuer"));
    } else {
        if (recording && !m_pausedRanges.empty()) {
            if (!m_stopRequested)
                UpdateCaptured();
            m_pausedRanges.back().second = m_totalCaptured;
        }
        m_pausedTotal += Now() - m_pauseStart;
        m_view.setButtonCaption(RecButton::Pause, QStringLiteral("Pause"));
    }
}
