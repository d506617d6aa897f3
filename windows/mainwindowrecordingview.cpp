#include "windows/mainwindowrecordingview.h"

#include "foundation/seams.h"
#include "windows/imagebutton.h"
#include "windows/levelmeter.h"
#include "windows/mainwindow.h"
#include "windows/recordingmessages.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

// A recording button that goes off with the focus on it would hand the focus
// on down the Tab order (to "Infos", whose Space hides the window while it
// records). The focus stays instead with the recording buttons and goes to
// the one that comes first in the pupil's work as they come on: Pause while
// recording, then Enregistrer, Playback when a recording is complete, Stop.
void MainWindowRecordingView::setButtonEnabled(RecButton b, bool enabled)
{
    static constexpr RecButton kFirstToLast[] = {RecButton::Pause, RecButton::Record, RecButton::Play,
                                                 RecButton::Stop};
    auto rank = [this](const QWidget* w) {
        for (int i = 0; i < 4; ++i)
            if (button(kFirstToLast[i]) == w)
                return i;
        return -1;
    };
    ImageButton* changed = button(b);
    const bool hadFocus = m_window.focusWidget() == changed;
    changed->SetEnabled(enabled);
    if (hadFocus && !enabled)
        m_focusOwed = true;
    const int focused = rank(m_window.focusWidget());
    if (enabled && !m_focusOwed && focused >= 0 && rank(changed) < focused &&
        m_window.focusWidget()->isEnabled()) {
        changed->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!m_focusOwed)
        return;
    for (RecButton next : kFirstToLast) {
        if (ImageButton* candidate = button(next); candidate->isEnabled()) {
            candidate->setFocus(Qt::OtherFocusReason);
            m_focusOwed = false;
            return;
        }
    }
}

void MainWindowRecordingView::setButtonCaption(RecButton b, const QString& caption)
{
    button(b)->ChangeCaption(caption);
}

void MainWindowRecordingView::setInputLevel(double peakDbfs, bool clipped)
{
    m_peakDbfs = std::max(m_peakDbfs, peakDbfs);
    m_clipped = m_clipped || clipped;
    m_polling = true;
    const double now = programClock().seconds();
    if (now - m_levelShownAt >= kLevelRefreshSeconds || now < m_levelShownAt) {
        m_window.m_levelMeter->setLevel(m_peakDbfs, m_clipped);
        m_peakDbfs = -std::numeric_limits<double>::infinity();
        m_clipped = false;
        m_levelShownAt = now;
        // The texts change in the same paint as the meter: one repaint of
        // the window, not two.
        if (now - m_textsShownAt >= kTextRefreshSeconds || now < m_textsShownAt)
            ShowTexts();
    }
}

void MainWindowRecordingView::clearInputLevel()
{
    m_window.m_levelMeter->clear();
    m_peakDbfs = -std::numeric_limits<double>::infinity();
    m_clipped = false;
    m_polling = false;
    ShowTexts();
}

void MainWindowRecordingView::setSendEnabled(bool enabled) { m_window.m_sendButton->setEnabled(enabled); }

void MainWindowRecordingView::setNewRecordingEnabled(bool enabled)
{
    m_window.m_newRecordingButton->setEnabled(enabled);
}

RecordingOptions MainWindowRecordingView::recordingOptions() const { return m_window.recordingOptions(); }

QString MainWindowRecordingView::recordingPath() const { return m_window.m_recordingPath; }

bool MainWindowRecordingView::confirmReplace(const QString&) { return AskToReplaceRecording(); }

void MainWindowRecordingView::reportProblem(RecordingProblem problem)
{
    ShowRecordingProblem(problem);
    if (problem == RecordingProblem::SoundDevicesFailed)
        EndProgram();
}

void MainWindowRecordingView::reportFileNotCreated(const QString& folder, FileCreationFault fault)
{
    ShowFileNotCreated(folder, fault);
}

void MainWindowRecordingView::processPendingEvents() { QCoreApplication::processEvents(); }

void MainWindowRecordingView::SetText(std::optional<QString>& pending, const QString& text)
{
    pending = text;
    if (!m_polling)
        ShowTexts();
}

void MainWindowRecordingView::ShowTexts()
{
    for (std::size_t i = 0; i < m_counterTexts.size(); ++i)
        if (auto& text = m_counterTexts[i]) {
            m_window.m_counters[i]->setText(*text);
            text.reset();
        }
    if (m_clockText) {
        m_window.m_clock->setText(*m_clockText);
        m_clockText.reset();
    }
    m_textsShownAt = programClock().seconds();
}

ImageButton* MainWindowRecordingView::button(RecButton b) const
{
    switch (b) {
    case RecButton::Record: return m_window.m_recordButton;
    case RecButton::Pause: return m_window.m_pauseButton;
    case RecButton::Stop: return m_window.m_stopButton;
    case RecButton::Play: return m_window.m_playButton;
    }
    return m_window.m_recordButton;
}
