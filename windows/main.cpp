#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/mainwindow.h"
#include "windows/qtseams.h"

#include <QApplication>
#include <QEvent>

#include <cstdio>

namespace {

// With MIRLO_REPORT_SHOWN set, prints one line when the first window shows
// (start-up measurements).
class ShownReporter final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            std::printf("shown %s\n", qPrintable(static_cast<QWidget*>(watched)->windowTitle()));
            std::fflush(stdout);
            qApp->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareApplication(app);
    InstallQtSeams();
    ShownReporter reporter;
    if (qEnvironmentVariableIsSet("MIRLO_REPORT_SHOWN"))
        app.installEventFilter(&reporter);

    MainWindow mainWindow;
    mainWindow.StartUp();
    if (EndRequested())
        return 0;
    // On a first run the settings dialog is up and shows this window itself.
    if (Shared().settingsComplete)
        mainWindow.show();
    return app.exec();
}
