#pragma once
// Recording through the real engine, real timers and the virtual microphone.
#include "audio/recordingengine.h"
#include "tests/support/enginetestview.h"

#include <QString>

#include <functional>

struct E2eResult {
    bool started = false;
    bool finished = false;
    double seconds = 0; // from the start to the stop, by the clock
};

// Starts a recording into view.path, runs the event loop for `seconds`, then
// calls `stop` (the stop button by default) and waits for the drain to end.
E2eResult RecordFor(RecordingEngine& engine, double seconds,
                    const std::function<void(RecordingEngine&)>& stop = {});

// Runs the event loop for ms milliseconds.
void RunEvents(int ms);
