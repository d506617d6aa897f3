#include "tests/support/scripted.h"

MsgAnswer ScriptedPrompt::message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    messages.append({text, title, icon, buttons});
    if (!answers.empty()) {
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
    case MsgButtons::OkCancel: return MsgAnswer::Cancel;
    case MsgButtons::YesNo: return MsgAnswer::No;
    case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
}

QString ScriptedPrompt::saveFileName(const FileRequest& request)
{
    fileRequests.append(request);
    if (files.empty())
        return {};
    const QString f = files.front();
    files.pop_front();
    return f;
}

QString ScriptedPrompt::openFileName(const FileRequest& request) { return saveFileName(request); }

QString ScriptedPrompt::folder(const QString& title)
{
    folderTitles.append(title);
    if (folders.empty())
        return {};
    const QString f = folders.front();
    folders.pop_front();
    return f;
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const Message& m : messages)
        out.append(m.text);
    return out;
}

bool RecordingShell::openUrl(const QUrl& url)
{
    openedUrls.append(url);
    return openResult;
}

bool RecordingShell::startProgram(const QString& program)
{
    startedPrograms.append(program);
    return startResult;
}
