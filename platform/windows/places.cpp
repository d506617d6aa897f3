#include "platform/places.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace platform {

namespace {

// A folder the shell knows for the current user ("" when it has none).
QString KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path)
        folder = QString::fromWCharArray(path);
    ::CoTaskMemFree(path);
    return folder;
}

} // namespace

QString ProgramFolder() { return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()); }

// The school's shared settings stay beside Mirlo.exe, where the installer puts them.
QString SharedSettingsFolder(const QString& programFolder) { return programFolder; }

QString ProgramPath(const QString& programFolder, const QString& name)
{
    return programFolder + QLatin1Char('\\') + name + QStringLiteral(".exe");
}

QString UserSettingsFolder()
{
    const QString roaming = KnownFolder(FOLDERID_RoamingAppData);
    if (!roaming.isEmpty())
        return roaming;
    // A profile the shell does not know: the program's own folder rather than a root.
    return ProgramFolder();
}

QStringList UserRecordingFolders()
{
    QStringList folders;
    for (const auto* id : {&FOLDERID_Music, &FOLDERID_Documents, &FOLDERID_Profile}) {
        const QString folder = KnownFolder(*id);
        if (!folder.isEmpty())
            folders.append(QDir::toNativeSeparators(folder));
    }
    return folders;
}

bool StartProgram(const QString& program)
{
    // Launch works unseen while Mirlo restarts, so it starts with a hidden
    // window; any other program (Mirlo from Launch) with a normal one.
    const bool hidden =
        QFileInfo(program).completeBaseName().compare(QStringLiteral("Launch"), Qt::CaseInsensitive) == 0;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(hidden ? SW_HIDE : SW_SHOWNORMAL);
    PROCESS_INFORMATION process{};
    const std::wstring application = QDir::toNativeSeparators(program).toStdWString();
    // No arguments: the command line is the program's own quoted path.
    std::wstring commandLine = L"\"" + application + L"\"";
    // Its own folder as working folder; no handle of ours goes with it.
    const std::wstring folder = QDir::toNativeSeparators(QFileInfo(program).absolutePath()).toStdWString();
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr, folder.c_str(), &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

} // namespace platform
