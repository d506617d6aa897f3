#pragma once
// Reads a recording's audio out of the capture ring in whole chunks: keeps
// the read position, passes over audio captured while paused, and skips what
// capture overwrote before it was read.
#include "audio/audioinput.h"

#include <cstdint>
#include <span>
#include <vector>

// What to do next with the captured audio.
struct CaptureStep {
    enum Kind {
        Wait,      // nothing until more is captured
        EndFrames, // a pause begins here: the encoder's frames end cleanly
        Encode,    // encode `audio`
    } kind = Wait;
    std::span<const int16_t> audio; // interleaved stereo, read in place
};

class CaptureReader {
public:
    explicit CaptureReader(const AudioInput& input) : m_input(input) {}

    // A new recording: capture starts at the beginning of a fresh ring of
    // ringFrames frames, read in whole chunks of chunkFrames, at most
    // mostFrames at a time.
    void reset(int64_t chunkFrames, int ringFrames, int64_t mostFrames);
    // Takes in what capture has written since.
    void update();
    // The audio captured from now on, until resume(), is never encoded.
    void pause();
    void resume();

    // The next step of reading: every whole chunk captured, up to the most.
    // Less than a chunk is read only up to a pause or once `stopped`. A piece
    // never crosses the end of the ring.
    CaptureStep next(bool stopped);

    // Frames since the start: captured, read and encoded, passed over while
    // paused, and lost to capture overwriting them.
    int64_t captured() const { return m_captured; }
    int64_t encoded() const { return m_encoded; }
    int64_t paused() const { return m_paused; }
    int64_t skipped() const { return m_skipped; }

private:
    // Audio captured between a pause and its end (end excluded; open while paused).
    struct Pause {
        int64_t from = 0;
        int64_t to = INT64_MAX;
        bool framesEnded = false;
    };

    Pause* nextPause();
    void passOverPausedAudio();
    void skipOverwrittenAudio();

    const AudioInput& m_input;
    int64_t m_chunk = 0;
    int64_t m_most = 0;
    int m_ringFrames = 0;
    int64_t m_captured = 0;
    int64_t m_read = 0;
    int64_t m_encoded = 0;
    int64_t m_paused = 0;
    int64_t m_skipped = 0;
    std::vector<Pause> m_pauses;
};
