// Records through the engine on the current sound devices until killed:
//   engine_recorder <file.mp3> <rate> <kbit/s>
// Prints "capturing" once capture runs.
#include "audio/recordingengine.h"
#include "tests/support/enginetestview.h"
#include "tests/support/printprompt.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    PrintPrompt prompter;
    SetPrompt(&prompter);
    TestRecordingView view;
    view.path = QString::fromLocal8Bit(argv[1]);
    view.options = {atoi(argv[2]), atoi(argv[3]), Mp3Quality::High, 0};
    RecordingEngine engine(view);
    engine.Record();
    if (engine.state() != RecordingEngine::State::Capturing)
        return 1;
    std::printf("capturing\n");
    std::fflush(stdout);
    return app.exec();
}
