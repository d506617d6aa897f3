#include "tests/support/e2erecording.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

void RunEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

E2eResult RecordFor(RecordingEngine& engine, double seconds,
                    const std::function<void(RecordingEngine&)>& stop)
{
    E2eResult r;
    QElapsedTimer clock;
    clock.start();
    engine.Record();
    r.started = engine.state() == RecordingEngine::State::Capturing;
    if (!r.started)
        return r;
    RunEvents(int(seconds * 1000));
    if (stop)
        stop(engine);
    else
        engine.Stop();
    r.seconds = double(clock.elapsed()) / 1000.0;
    for (int i = 0; i < 600 && engine.state() != RecordingEngine::State::Finished; ++i)
        RunEvents(50);
    r.finished = engine.state() == RecordingEngine::State::Finished;
    return r;
}
