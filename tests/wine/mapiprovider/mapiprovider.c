/* A Simple MAPI mail program for the tests: MAPISendMailW and MAPISendMail
 * write what they are given into the folder named by MIRLO_TEST_OUTBOX
 * (message.txt, UTF-8, one "field=value" a line, and attachment.bin, the
 * attached file's bytes as read through its path). MIRLO_TEST_MAPI_RESULT,
 * when set, is the number returned instead of success, after recording. */
#include <windows.h>
// After windows.h, which it needs.
#include <mapi.h>
#include <stdio.h>
#include <stdlib.h>

typedef struct {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    PVOID lpEntryID;
} RecipW;

typedef struct {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    PVOID lpFileType;
} FileW;

typedef struct {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    FLAGS flFlags;
    RecipW* lpOriginator;
    ULONG nRecipCount;
    RecipW* lpRecips;
    ULONG nFileCount;
    FileW* lpFiles;
} MessageW;

static WCHAR outbox[MAX_PATH];

static int OutboxPath(const WCHAR* name, WCHAR* path)
{
    DWORD n = GetEnvironmentVariableW(L"MIRLO_TEST_OUTBOX", outbox, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 32)
        return 0;
    swprintf(path, MAX_PATH, L"%ls\\%ls", outbox, name);
    return 1;
}

static void PutField(FILE* out, const char* name, const WCHAR* value)
{
    char utf8[4096] = "";
    if (value)
        WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8, sizeof utf8, NULL, NULL);
    fprintf(out, "%s=%s\n", name, value ? utf8 : "(null)");
}

/* The attachment copied through its path; its byte count, or -1. */
static long CopyAttachment(const WCHAR* from)
{
    WCHAR to[MAX_PATH];
    if (!from || !OutboxPath(L"attachment.bin", to))
        return -1;
    HANDLE in = CreateFileW(from, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (in == INVALID_HANDLE_VALUE)
        return -1;
    HANDLE out = CreateFileW(to, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    long total = -1;
    if (out != INVALID_HANDLE_VALUE) {
        char buffer[65536];
        DWORD got = 0, put = 0;
        total = 0;
        while (ReadFile(in, buffer, sizeof buffer, &got, NULL) && got > 0) {
            if (!WriteFile(out, buffer, got, &put, NULL) || put != got) {
                total = -1;
                break;
            }
            total += (long)got;
        }
        CloseHandle(out);
    }
    CloseHandle(in);
    return total;
}

static ULONG Record(const char* function, const MessageW* m, FLAGS flags)
{
    WCHAR path[MAX_PATH];
    if (!OutboxPath(L"message.txt", path))
        return MAPI_E_FAILURE;
    FILE* out = _wfopen(path, L"wb");
    if (!out)
        return MAPI_E_FAILURE;
    fprintf(out, "function=%s\nflags=%lu\nrecipients=%lu\nfiles=%lu\n", function, (unsigned long)flags,
            (unsigned long)m->nRecipCount, (unsigned long)m->nFileCount);
    PutField(out, "subject", m->lpszSubject);
    PutField(out, "body", m->lpszNoteText);
    if (m->lpOriginator) {
        PutField(out, "fromName", m->lpOriginator->lpszName);
        PutField(out, "fromAddress", m->lpOriginator->lpszAddress);
    }
    for (ULONG i = 0; i < m->nRecipCount; ++i) {
        fprintf(out, "toClass=%lu\n", (unsigned long)m->lpRecips[i].ulRecipClass);
        PutField(out, "toName", m->lpRecips[i].lpszName);
        PutField(out, "toAddress", m->lpRecips[i].lpszAddress);
    }
    for (ULONG i = 0; i < m->nFileCount; ++i) {
        PutField(out, "attachmentPath", m->lpFiles[i].lpszPathName);
        PutField(out, "attachmentName", m->lpFiles[i].lpszFileName);
        fprintf(out, "attachmentBytes=%ld\n", CopyAttachment(m->lpFiles[i].lpszPathName));
    }
    fclose(out);

    WCHAR result[16];
    if (GetEnvironmentVariableW(L"MIRLO_TEST_MAPI_RESULT", result, 16) > 0)
        return (ULONG)wcstoul(result, NULL, 10);
    return SUCCESS_SUCCESS;
}

static WCHAR* Widen(const char* text)
{
    if (!text)
        return NULL;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    WCHAR* wide = (WCHAR*)calloc((size_t)n, sizeof(WCHAR));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, n);
    return wide;
}

__declspec(dllexport) ULONG WINAPI
    MAPISendMailW(LHANDLE session, ULONG_PTR ui, MessageW* message, FLAGS flags, ULONG reserved)
{
    (void)session, (void)ui, (void)reserved;
    return message ? Record("MAPISendMailW", message, flags) : MAPI_E_INVALID_MESSAGE;
}

/* The ANSI call, recorded through the same wide records. */
__declspec(dllexport) ULONG WINAPI
    MAPISendMail(LHANDLE session, ULONG_PTR ui, lpMapiMessage m, FLAGS flags, ULONG reserved)
{
    (void)session, (void)ui, (void)reserved;
    if (!m || m->nRecipCount > 8 || m->nFileCount > 8)
        return MAPI_E_INVALID_MESSAGE;
    RecipW from = {0}, to[8];
    FileW files[8];
    MessageW w = {0};
    w.lpszSubject = Widen(m->lpszSubject);
    w.lpszNoteText = Widen(m->lpszNoteText);
    if (m->lpOriginator) {
        from.lpszName = Widen(m->lpOriginator->lpszName);
        from.lpszAddress = Widen(m->lpOriginator->lpszAddress);
        w.lpOriginator = &from;
    }
    w.nRecipCount = m->nRecipCount;
    w.lpRecips = to;
    for (ULONG i = 0; i < m->nRecipCount; ++i) {
        to[i].ulRecipClass = m->lpRecips[i].ulRecipClass;
        to[i].lpszName = Widen(m->lpRecips[i].lpszName);
        to[i].lpszAddress = Widen(m->lpRecips[i].lpszAddress);
    }
    w.nFileCount = m->nFileCount;
    w.lpFiles = files;
    for (ULONG i = 0; i < m->nFileCount; ++i) {
        files[i].lpszPathName = Widen(m->lpFiles[i].lpszPathName);
        files[i].lpszFileName = Widen(m->lpFiles[i].lpszFileName);
    }
    /* A test program's short life: the copies are not freed. */
    return Record("MAPISendMail", &w, flags);
}
