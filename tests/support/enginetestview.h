#pragma once
// A plain stand-in for the main window's recording controls.
#include "audio/recordingengine.h"

#include <QCoreApplication>

#include <map>
#include <utility>
#include <vector>

class TestRecordingView final : public RecordingView {
public:
    void setButtonEnabled(RecButton b, bool on) override { enabled[b] = on; }
    void setButtonCaption(RecButton b, const QString& c) override { captions[b] = c; }
    void setCounter(int i, const QString& t) override { counters[i] = t; }
    void setClockText(const QString& t) override { clockText = t; }
    void setSendEnabled(bool on) override { sendEnabled = on; }
    void setNewRecordingEnabled(bool on) override { newRecordingEnabled = on; }
    RecordingOptions recordingOptions() const override { return options; }
    QString recordingPath() const override { return path; }
    bool confirmReplace(const QString& p) override
    {
        replaceAsked.push_back(p);
        return replace;
    }
    void reportProblem(RecordingProblem problem) override { problems.push_back(problem); }
    void reportFileNotCreated(const QString& folder, FileCreationFault fault) override
    {
        notCreated.push_back({folder, fault});
    }
    void setInputLevel(double, bool) override { ++levelCalls; }
    void processPendingEvents() override
    {
        ++pendingEventRuns;
        if (runEvents)
            QCoreApplication::processEvents();
    }

    bool on(RecButton b) const
    {
        auto it = enabled.find(b);
        return it != enabled.end() && it->second;
    }
    QString caption(RecButton b) const
    {
        auto it = captions.find(b);
        return it == captions.end() ? QString() : it->second;
    }

    std::map<RecButton, bool> enabled;
    std::map<RecButton, QString> captions;
    QString counters[3]; // by RecCounter
    QString clockText;
    bool sendEnabled = true;
    bool newRecordingEnabled = false;
    RecordingOptions options{44100, 128, Mp3Quality::High, 0};
    QString path;
    bool replace = true; // the answer to the replace question
    std::vector<QString> replaceAsked;
    std::vector<RecordingProblem> problems;
    std::vector<std::pair<QString, FileCreationFault>> notCreated; // folder, why
    int pendingEventRuns = 0;
    int levelCalls = 0; // polls that encoded audio
    bool runEvents = false;
};
