#include "windows/qtseams.h"

#include "foundation/seams.h"
#include "platform/places.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

QString ShownText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

namespace {

QString QtFilter(const QString& filter)
{
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0)
        return filter;
    return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + u')';
}

// Every dialog gets a window to belong to. Just after another dialog closes
// no window is active, yet one of ours is still on screen.
QWidget* DialogOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && (top->windowType() == Qt::Window || top->windowType() == Qt::Dialog))
            return top;
    }
    return nullptr;
}

class QtPrompt final : public Prompt {
public:
    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        QMessageBox box(DialogOwner());
        box.setWindowTitle(title);
        box.setText(ShownText(text));
        switch (icon) {
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::None: break;
        }
        switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        }
        switch (box.exec()) {
        case QMessageBox::Cancel: return MsgAnswer::Cancel;
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        default: return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
        }
    }

    QString saveFileName(const FileRequest& r) override
    {
        QFileDialog dialog(DialogOwner(), r.title, r.initialFolder, QtFilter(r.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // Whoever asked decides what an existing file means.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(r.defaultSuffix);
        return dialog.exec() ? QDir::toNativeSeparators(dialog.selectedFiles().value(0)) : QString();
    }

    QString openFileName(const FileRequest& r) override
    {
        QFileDialog dialog(DialogOwner(), r.title, r.initialFolder, QtFilter(r.filter));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(r.defaultSuffix);
        return dialog.exec() ? QDir::toNativeSeparators(dialog.selectedFiles().value(0)) : QString();
    }

    QString folder(const QString& title) override
    {
        return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(DialogOwner(), title));
    }
};

class QtShell final : public Shell {
public:
    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }

    bool startProgram(const QString& program) override { return platform::StartProgram(program); }
};

// Qt's French catalogue lacks the file choosers' type names: a folder would
// read "Folder" in the Type column.
class FileTypeNamesInFrench final : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const struct {
            const char* english;
            const char* french;
        } names[] = {{"Folder", "Dossier"}, {"File Folder", "Dossier de fichiers"}, {"Drive", "Lecteur"}};
        for (const auto& name : names)
            if (qstrcmp(source, name.english) == 0)
                return QString::fromUtf8(name.french);
        return {};
    }
};

} // namespace

void InstallQtSeams()
{
    static QtPrompt qtPrompt;
    static QtShell qtShell;
    SetPrompt(&qtPrompt);
    SetShell(&qtShell);
}

static void InitProgramIcon() { Q_INIT_RESOURCE(mirloicon); }

void PrepareApplication(QApplication& app)
{
    // One window class whatever name started the program (the "mirlo" link of
    // the desktop entry, or Mirlo itself from Launch), so the desktop groups
    // its windows under the entry; every window shows Mirlo's icon.
    QApplication::setApplicationName(QStringLiteral("Mirlo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("mirlo"));
    InitProgramIcon();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/mirlo/mirlo.png")));
    // The program ends when it says so (EndProgram), never because the last
    // visible window happened to close: on a first run the main window is
    // hidden and a closing dialog would otherwise end everything.
    app.setQuitOnLastWindowClosed(false);
    // Every text of the program is French, Qt's own buttons and dialogs too.
    static QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    static FileTypeNamesInFrench fileTypes;
    QApplication::installTranslator(&fileTypes);
}
