#pragma once
#include "foundation/seams.h"

#include <QList>
#include <QStringList>

#include <deque>

// Records every message and answers from a script; never shows anything.
class ScriptedPrompt final : public Prompt {
public:
    struct Message {
        QString text;
        QString title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    QString saveFileName(const FileRequest& request) override;
    QString openFileName(const FileRequest& request) override;
    QString folder(const QString& title) override;

    // Answers are used in order; when none is queued, Ok/No/Cancel-free
    // defaults apply: Ok for Ok boxes, Cancel for OkCancel, No for YesNo,
    // and "" (cancelled) for file and folder requests.
    std::deque<MsgAnswer> answers;
    std::deque<QString> files;
    std::deque<QString> folders;

    QList<Message> messages;
    QList<FileRequest> fileRequests;
    QStringList folderTitles;

    QStringList texts() const;
};

class RecordingShell final : public Shell {
public:
    bool openUrl(const QUrl& url) override;
    bool startProgram(const QString& program) override;

    QList<QUrl> openedUrls;
    QStringList startedPrograms;
    bool openResult = true;
    bool startResult = true;
};

class ManualClock final : public Clock {
public:
    double seconds() override { return secondsValue; }
    QDateTime now() override { return nowValue; }

    double secondsValue = 1000.0;
    QDateTime nowValue = QDateTime(QDate(2026, 12, 6), QTime(14, 3, 22));
};
