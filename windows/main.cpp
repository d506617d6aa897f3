#include "foundation/seams.h"
#include "foundation/settings.h"
#include "foundation/singleinstance.h"
#include "platform/places.h"
#include "windows/mainwindow.h"
#include "windows/qtseams.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

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
// answered OK (a question Yes when the variable is "yes", else No), so that
// runs of the real program can be checked; set to "show", each is also shown
// as usual and answered by whoever reads it.
class PrintedMessages final : public Prompt {
public:
    explicit PrintedMessages(Prompt& dialogs, bool yes) : m_dialogs(dialogs), m_yes(yes) {}

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        QString line = text;
        line.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
            .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        std::printf("message %s %d: %s\n", title.toUtf8().constData(), int(icon), line.toUtf8().constData());
        std::fflush(stdout);
        if (qgetenv("MIRLO_PRINT_MESSAGES") == "show")
            return m_dialogs.message(text, title, icon, buttons);
        if (buttons == MsgButtons::YesNo)
            return m_yes ? MsgAnswer::Yes : MsgAnswer::No;
        return MsgAnswer::Ok;
    }
    QString saveFileName(const FileRequest& request) override { return m_dialogs.saveFileName(request); }
    QString openFileName(const FileRequest& request) override { return m_dialogs.openFileName(request); }
    QString folder(const QString& title) override { return m_dialogs.folder(title); }

private:
    Prompt& m_dialogs;
    bool m_yes;
};

// A later start of Mirlo found this one running: its windows come forward,
// out of the task bar, the one that waits for an answer on top.
void BringWindowsForward()
{
    QWidget* modal = QApplication::activeModalWidget();
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget* window : widgets) {
        if (!window->isVisible() ||
            (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog))
            continue;
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        if (window != modal) {
            window->raise();
            window->activateWindow();
        }
    }
    if (modal) {
        modal->raise();
        modal->activateWindow();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareApplication(app);
    InstallQtSeams();
    // "yes" answers Yes to questions; any other value No.
    PrintedMessages printed(prompt(), qgetenv("MIRLO_PRINT_MESSAGES") == "yes");
    if (qEnvironmentVariableIsSet("MIRLO_PRINT_MESSAGES"))
        SetPrompt(&printed);
    StartupReporter reporter;
    if (qEnvironmentVariableIsSet("MIRLO_REPORT_SHOWN"))
        app.installEventFilter(&reporter);

    // Two Mirlo at once would record over each other; a Mirlo restarted by
    // Launch may find the last one still ending.
    SingleInstance instance(AppDataFolder());
    switch (instance.claim(2000)) {
    case SingleInstance::Claim::Mine: break;
    case SingleInstance::Claim::RunningHere: MsgBox(AlreadyOpenText(), MsgIcon::Exclamation); return 0;
    case SingleInstance::Claim::HeldElsewhere:
        if (MsgBox(OpenedElsewhereQuestion(instance.holderHost()), MsgIcon::Question, MsgButtons::YesNo) !=
                MsgAnswer::Yes ||
            !instance.takeOver()) {
            return 0;
        }
        break;
    }

    MainWindow mainWindow(platform::ProgramFolder());
    mainWindow.StartUp();
    if (EndRequested())
        return 0;
    // On a first run the settings dialog is up and shows this window itself.
    if (mainWindow.settings().complete)
        mainWindow.show();
    instance.listen(BringWindowsForward);
    reporter.StartUpDone();
    return app.exec();
}
