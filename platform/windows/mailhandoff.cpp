// The mail hand-off on Windows: the message given to the desktop's default
// mail program through Simple MAPI, which shows it to the pupil, ready to send.
#include "platform/mailhandoff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>

#include <system_error>
#include <thread>

#include <windows.h>
// After windows.h, which they need.
#include <mapi.h>
#include <objbase.h>

namespace platform {

namespace {

// The wide-character Simple MAPI records (Windows 8 and later), which
// MinGW's mapi.h does not declare; their layout is that of the ANSI ones.
struct MapiRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    PVOID lpEntryID;
};

struct MapiFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    PVOID lpFileType;
};

struct MapiMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    FLAGS flFlags;
    MapiRecipDescW* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDescW* lpRecips;
    ULONG nFileCount;
    MapiFileDescW* lpFiles;
};

using SendMailW = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, MapiMessageW*, FLAGS, ULONG);

// The text of a registry value, or empty.
QString RegistryText(HKEY root, const wchar_t* key, const wchar_t* value)
{
    wchar_t text[512];
    DWORD size = sizeof text;
    if (RegGetValueW(root, key, value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text,
                     &size) != ERROR_SUCCESS)
        return {};
    return QString::fromWCharArray(text).trimmed();
}

// The mail program the user chose as default (their own choice first, then
// the computer's), as Windows' MAPI finds it. Empty when none is set: the
// system would then only say so in an English box of its own.
QString DefaultMailProgram()
{
    const wchar_t* key = L"Software\\Clients\\Mail";
    QString name = RegistryText(HKEY_CURRENT_USER, key, nullptr);
    if (name.isEmpty())
        name = RegistryText(HKEY_LOCAL_MACHINE, key, nullptr);
    return name;
}

// Windows' own MAPI from the system folder, never a copy planted beside Mirlo.
SendMailW LoadSendMail()
{
    static const SendMailW send = [] {
        HMODULE mapi = LoadLibraryExW(L"mapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return mapi ? reinterpret_cast<SendMailW>(
                          reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMailW")))
                    : nullptr;
    }();
    return send;
}

std::wstring Wide(const QString& text) { return text.toStdWString(); }

// The message as Simple MAPI takes it; the records point into this value.
struct MapiMail {
    std::wstring subject, body, fromName, fromAddress, toName, toAddress, path, fileName;

    explicit MapiMail(const MailMessage& mail)
        : subject(Wide(mail.subject)), body(Wide(mail.body)), fromName(Wide(mail.fromName)),
          fromAddress(Wide(mail.fromAddress)), toName(Wide(mail.toName)),
          // An address without a type would be looked up in the mail
          // program's address book by name.
          toAddress(mail.toAddress.isEmpty() ? std::wstring()
                                             : Wide(QStringLiteral("SMTP:") + mail.toAddress)),
          path(Wide(QDir::toNativeSeparators(QFileInfo(mail.attachmentPath).absoluteFilePath()))),
          fileName(Wide(QFileInfo(mail.attachmentPath).fileName()))
    {
        if (!mail.fromAddress.isEmpty())
            fromAddress = Wide(QStringLiteral("SMTP:") + mail.fromAddress);
    }

    ULONG send(SendMailW sendMail)
    {
        MapiRecipDescW from{0, MAPI_ORIG, fromName.data(), fromAddress.data(), 0, nullptr};
        MapiRecipDescW to{0, MAPI_TO, toName.data(), toAddress.data(), 0, nullptr};
        MapiFileDescW file{0, 0, ULONG(-1), path.data(), fileName.data(), nullptr};
        MapiMessageW message{};
        message.lpszSubject = subject.data();
        message.lpszNoteText = body.data();
        message.lpOriginator = &from;
        // With no address the pupil's mail program asks for one.
        message.nRecipCount = toAddress.empty() ? 0 : 1;
        message.lpRecips = &to;
        message.nFileCount = 1;
        message.lpFiles = &file;
        // The pupil sees the message in their own mail program and sends it
        // from there; Windows' MAPI signs on and off around the call.
        return sendMail(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    }
};

} // namespace

// One message in the hands of the mail program. The call blocks for as long
// as the pupil keeps the message open, so it runs on a thread of its own and
// reports back to this object, which deletes itself once told.
class MailHandOff::Run final : public QObject {
public:
    Run(FailureHandler onFailure, QString program)
        : m_onFailure(std::move(onFailure)), m_program(std::move(program))
    {
    }
    // False when no thread could be started for it.
    bool start(SendMailW sendMail, const MailMessage& mail)
    {
        try {
            std::thread([this, sendMail, message = MapiMail(mail)]() mutable {
                // Some mail programs reach their own process through COM.
                const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                const ULONG result = message.send(sendMail);
                if (SUCCEEDED(com))
                    CoUninitialize();
                QMetaObject::invokeMethod(
                    this, [this, result] { finished(result); }, Qt::QueuedConnection);
            }).detach();
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    bool ended() const { return m_ended; }

private:
    void finished(ULONG result)
    {
        m_ended = true;
        deleteLater();
        MailFailure failure{MailFailure::Kind::ErrorCode, m_program, int(result), 0, {}};
        switch (result) {
        case SUCCESS_SUCCESS:
        case MAPI_USER_ABORT: // the pupil closed the message unsent: their choice
            return;
        case MAPI_E_ATTACHMENT_NOT_FOUND:
        case MAPI_E_ATTACHMENT_OPEN_FAILURE:
            failure = MailFailure{MailFailure::Kind::RecordingUnreadable, {}, 0, 0, {}};
            break;
        case MAPI_E_NOT_SUPPORTED: // what MAPI answers when it finds no mail program
            failure = MailFailure{MailFailure::Kind::NoMailProgram, {}, 0, 0, {}};
            break;
        default: break;
        }
        if (m_onFailure)
            m_onFailure(failure);
    }

    FailureHandler m_onFailure;
    QString m_program;
    bool m_ended = false;
};

// Nothing to look for on Windows: the default mail program is registered.
MailHandOff::MailHandOff() = default;

// A message still open in the mail program stays there; its run deletes
// itself once the program returns.
MailHandOff::~MailHandOff() = default;

bool MailHandOff::running() const { return m_run && !m_run->ended(); }

// The mail program may keep the message open as long as the pupil likes, so
// no time limit applies here.
bool MailHandOff::handOff(const MailMessage& mail)
{
    if (running())
        return false;
    QFile recording(mail.attachmentPath);
    if (!recording.open(QIODevice::ReadOnly))
        return Failed(MailFailure::Kind::RecordingUnreadable);
    recording.close();
    const QString program = DefaultMailProgram();
    const SendMailW sendMail = program.isEmpty() ? nullptr : LoadSendMail();
    if (!sendMail)
        return Failed(MailFailure::Kind::NoMailProgram);
    auto* run = new Run(m_onFailure, program);
    if (!run->start(sendMail, mail)) {
        delete run;
        if (m_onFailure)
            m_onFailure(MailFailure{MailFailure::Kind::DidNotStart, program, 0, 0, {}});
        return false;
    }
    m_run = run;
    return true;
}

MailRoute MailHandOffRoute() { return MailRoute::PupilsMailProgram; }

} // namespace platform
