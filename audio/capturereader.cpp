#include "audio/capturereader.h"

#include <algorithm>

void CaptureReader::reset(int64_t chunkFrames, int ringFrames, int64_t mostFrames)
{
    m_chunk = chunkFrames;
    m_most = std::max(chunkFrames, mostFrames / chunkFrames * chunkFrames);
    m_ringFrames = ringFrames;
    m_captured = m_read = m_encoded = m_paused = m_skipped = 0;
    m_pauses.clear();
}

void CaptureReader::update() { m_captured = std::max(m_captured, m_input.framesWritten()); }

void CaptureReader::pause() { m_pauses.push_back({m_captured, INT64_MAX, false}); }

void CaptureReader::resume()
{
    if (!m_pauses.empty())
        m_pauses.back().to = m_captured;
}

CaptureStep CaptureReader::next(bool stopped)
{
    skipOverwrittenAudio();
    passOverPausedAudio();
    Pause* pause = nextPause();
    if (pause && pause->from <= m_read && !pause->framesEnded) {
        pause->framesEnded = true;
        return {CaptureStep::EndFrames, {}};
    }
    const bool pauseCaptured = pause && pause->from <= m_captured;
    const int64_t end = pauseCaptured ? pause->from : m_captured;
    const int64_t available = end - m_read;
    const int64_t whole = pauseCaptured || stopped ? available : available / m_chunk * m_chunk;
    if (whole <= 0)
        return {};
    const int64_t frames = std::min({whole, m_most, int64_t(m_ringFrames) - m_read % m_ringFrames});
    const RingSpan span = m_input.read(m_read, int(frames));
    m_read += frames;
    m_encoded += frames;
    return {CaptureStep::Encode, span.first};
}

// The first pause not yet read past, if any.
CaptureReader::Pause* CaptureReader::nextPause()
{
    for (Pause& p : m_pauses)
        if (p.to > m_read)
            return &p;
    return nullptr;
}

// Audio captured while paused is never encoded: the reader moves past it
// once the frames before it are ended.
void CaptureReader::passOverPausedAudio()
{
    for (const Pause& p : m_pauses) {
        if (!p.framesEnded || m_read < p.from || m_read >= p.to)
            continue;
        const int64_t to = std::min(p.to, m_captured);
        m_paused += to - m_read;
        m_read = to;
    }
}

// A reader that fell a whole ring behind goes on from the oldest chunk that
// leaves capture room for the most it reads at once.
void CaptureReader::skipOverwrittenAudio()
{
    if (m_captured - m_read <= m_ringFrames - m_most)
        return;
    const int64_t oldest = m_captured - m_ringFrames + m_most;
    const int64_t next = (oldest + m_chunk - 1) / m_chunk * m_chunk;
    m_skipped += next - m_read;
    m_read = next;
}
