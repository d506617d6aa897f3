#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/mainwindow.h"
#include "windows/qtseams.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {

// With MIRLO_REPORT_SHOWN set, prints one line once start-up is over (sound
// initialised, window shown) and its window has been painted: start-up
// measurements.
class StartupReporter final : public QObject {
public:
    void StartUpDone() { m_startUpDone = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_startUpDone && event->type() == QEvent::Paint && watched->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(watched)->window();
            if (window->isVisible()) {
                qApp->removeEventFilter(this);
                const QString title = window->windowTitle();
                // After the paint, once the painted window has been flushed.
                QTimer::singleShot(0, this, [title] {
                    std::printf("shown %s\n", qPrintable(title));
                    std::fflush(stdout);
                });
            }
        }
        return false;
    }

private:
    bool m_startUpDone = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    InstallQtSeams();
    StartupReporter reporter;
    if (qEnvironmentVariableIsSet("MIRLO_REPORT_SHOWN"))
        app.installEventFilter(&reporter);

    MainWindow mainWindow;
    mainWindow.StartUp();
    if (EndRequested())
        return 0;
    // On a first run the settings dialog is up and shows this window itself.
    if (Shared().settingsComplete)
        mainWindow.show();
    reporter.StartUpDone();
    return app.exec();
}
