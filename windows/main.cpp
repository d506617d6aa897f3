#include "foundation/seams.h"
#include "foundation/settings.h"
#include "foundation/singleinstance.h"
#include "windows/mainwindow.h"
#include "windows/qtseams.h"
#include "platform/places.h"

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

// With MIRLO_PRINT_MESSAGES set, every message goes to standard output as one
// line ("message <title> <icon>: <text>", line breaks as \r and \n) and is
// answered OK, so that runs of the real program can be checked; set to
// "show", each is also shown as usual and answered by whoever reads it.
class PrintedMessages final : public Prompt {
public:
    explicit PrintedMessages(Prompt& dialogs) : m_dialogs(dialogs) {}

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        QString line = text;
        line.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
            .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        std::printf("message %s %d: %s\n", title.toUtf8().constData(), int(icon), line.toUtf8().constData());
        std::fflush(stdout);
        if (qgetenv("MIRLO_PRINT_MESSAGES") == "show")
            return m_dialogs.message(text, title, icon, buttons);
        return MsgAnswer::Ok;
    }
    QString saveFileName(const FileRequest& request) override { return m_dialogs.saveFileName(request); }
    QString openFileName(const FileRequest& request) override { return m_dialogs.openFileName(request); }
    QString folder(const QString& title) override { return m_dialogs.folder(title); }

private:
    Prompt& m_dialogs;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareApplication(app);
    InstallQtSeams();
    PrintedMessages printed(prompt());
    if (qEnvironmentVariableIsSet("MIRLO_PRINT_MESSAGES"))
        SetPrompt(&printed);
    StartupReporter reporter;
    if (qEnvironmentVariableIsSet("MIRLO_REPORT_SHOWN"))
        app.installEventFilter(&reporter);

    // Two Mirlo at once would record over each other; a Mirlo restarted by
    // Launch may find the last one still ending.
    SingleInstance instance(AppDataFolder());
    if (!instance.claim(2000)) {
        MsgBox(AlreadyOpenText(), MsgIcon::Exclamation);
        return 0;
    }

    MainWindow mainWindow(platform::ProgramFolder());
    mainWindow.StartUp();
    if (EndRequested())
        return 0;
    // On a first run the settings dialog is up and shows this window itself.
    if (mainWindow.settings().complete)
        mainWindow.show();
    reporter.StartUpDone();
    return app.exec();
}
