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

void MainWindowRecordingView::setButtonEnabled(RecButton b, bool enabled) { button(b)->SetEnabled(enabled); }

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
