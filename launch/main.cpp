#include "launch/launchwindow.h"

#include "foundation/seams.h"
#include "platform/places.h"
#include "windows/qtseams.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareApplication(app);
    InstallQtSeams();
    app.setApplicationName(QStringLiteral("Launch"));
    LaunchWindow window(platform::ProgramFolder());
    window.Load();
    window.show();
    if (EndRequested())
        return 0;
    return app.exec();
}
