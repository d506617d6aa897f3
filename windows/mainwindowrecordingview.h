#pragma once
#include "audio/recordingengine.h"

#include <QString>

#include <array>
#include <limits>
#include <optional>

class ImageButton;
class MainWindow;

// What the recording engine drives in the main window: the recording
// buttons, the counters, the clock and the level meter, and the messages of
// what went wrong.
class MainWindowRecordingView final : public RecordingView {
public:
    explicit MainWindowRecordingView(MainWindow& window) : m_window(window) {}

    void setButtonEnabled(RecButton b, bool enabled) override;
    void setButtonCaption(RecButton b, const QString& caption) override;
    // While a recording is polled, the counters and the clock show a few
    // times a second: every poll changes them, and painting them at its pace
    // cost more than the encoding. Their last values show when it ends.
    void setCounter(int index, const QString& text) override { SetText(m_counterTexts.at(index), text); }
    void setClockText(const QString& text) override { SetText(m_clockText, text); }
    // The meter follows at about twenty readings a second whatever the poll's
    // pace, each the loudest of the polls since the last one.
    void setInputLevel(double peakDbfs, bool clipped) override;
    void clearInputLevel() override;
    void setSendEnabled(bool enabled) override;
    void setNewRecordingEnabled(bool enabled) override;
    RecordingOptions recordingOptions() const override;
    QString recordingPath() const override;
    bool confirmReplace(const QString& path) override;
    void reportProblem(RecordingProblem problem) override;
    void reportFileNotCreated(const QString& folder, FileCreationFault fault) override;
    void processPendingEvents() override;

private:
    static constexpr double kTextRefreshSeconds = 0.5;
    static constexpr double kLevelRefreshSeconds = 0.125;

    void SetText(std::optional<QString>& pending, const QString& text);
    void ShowTexts();
    ImageButton* button(RecButton b) const;

    MainWindow& m_window;
    std::array<std::optional<QString>, 3> m_counterTexts; // not shown yet
    std::optional<QString> m_clockText;
    bool m_polling = false;
    bool m_focusOwed = false;             // a recording button lost the focus by going off
    ImageButton* m_focusPlaced = nullptr; // where it went since
    double m_textsShownAt = 0;
    double m_peakDbfs = -std::numeric_limits<double>::infinity(); // not shown yet
    bool m_clipped = false;
    double m_levelShownAt = 0;
};
