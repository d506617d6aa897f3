#pragma once
// A plain stand-in for the main window's recording controls.
#include "audio/recordingengine.h"

#include <QCoreApplication>

#include <map>

class TestRecordingView final : public RecordingView {
public:
    void setButtonEnabled(RecButton b, bool on) override { enabled[b] = on; }
    void setButtonCaption(RecButton b, const QString& c) override { captions[b] = c; }
    void setCounter(int i, const QString& t) override { text1[i] = t; }
    void setClockText(const QString& t) override { label2 = t; }
    void setSendEnabled(bool on) override { envoi = on; }
    void setNewRecordingEnabled(bool on) override { command1 = on; }
    RecordingOptions recordingOptions() const override { return options; }
    QString recordingPath() const override { return path; }
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
    QString text1[3];
    QString label2;
    bool envoi = true;
    bool command1 = false;
    RecordingOptions options{44100, 128, 2};
    QString path;
    int pendingEventRuns = 0;
    bool runEvents = false;
};
