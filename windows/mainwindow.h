#pragma once
#include "audio/recordingengine.h"
#include "foundation/settings.h"
#include "windows/aboutbox.h"
#include "windows/mainwindowlink.h"
#include "windows/settingsdialog.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class MainWindowRecordingView;
class RecordingSender;
class ImageButton;
class LevelMeter;
class OptionBox;
class OptionMenus;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

// The main window: start-up object of the program, lives for the whole run.
class MainWindow : public QWidget, public MainWindowLink {
    Q_OBJECT
public:
    // programFolder holds Launch, the help and the shared settings file.
    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Reads the settings, opens the sound devices and sets the controls as
    // the pupil left them; on a first run the settings dialog comes first.
    void StartUp();

    // Set by the option menus; the recording engine reads them when a
    // recording starts.
    const RecordingOptions& recordingOptions() const;
    const Settings& settings() const { return m_settings; }

    void ShowInfos();          // the infos button
    void ResetProgram();       // the new-recording button: restarts through Launch
    void QuitFromCloseImage(); // the close image

    // MainWindowLink
    void closeOtherWindows() override; // unloads the about box, the settings dialog and the upload window
    void showMainWindow() override;
    void hideMainWindow() override;
    void setSendCaption(const QString& caption) override;
    void setRecordingPath(const QString& path) override;
    void showSettingsDialog() override;
    void showAboutBox() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class MainWindowRecordingView;
    friend class MainWindowStartUp;

    void BuildControls();
    void BuildBackground();
    void BuildTitle();
    void BuildPictures();
    void BuildOptionBoxes();
    void BuildRecordingFileRow();
    void BuildCounters();
    void BuildButtons();
    void BuildTimers();
    void ConnectRecordingControls();
    void ConnectWindowControls();

    void ShowHelp(bool fromKeyboard);
    void ShowHelpFromImage();
    void ChooseRecordingFile();
    void RefreshAfterMenu();

    void PlaceWindow();
    void SetButtonsIdle();

    void ShapeWindow();
    void FitToFont();
    void DrawPictures();
    bool StartDrag(QMouseEvent* event);
    bool DragMove(QMouseEvent* event);
    void EndDrag();
    void FinaliseRecordingBeforeExit();

    QLabel* m_background = nullptr;
    QLabel* m_helpImage = nullptr;
    QLabel* m_closeImage = nullptr;
    OptionBox* m_deviceBox = nullptr;
    OptionBox* m_sampleRateBox = nullptr;
    OptionBox* m_bitRateBox = nullptr;
    OptionBox* m_qualityBox = nullptr;
    QLineEdit* m_recordingPathBox = nullptr;
    std::array<QLineEdit*, 3> m_counters{}; // encoded time, bytes written, duration
    QLabel* m_clock = nullptr;
    LevelMeter* m_levelMeter = nullptr;
    ImageButton* m_browseButton = nullptr;
    ImageButton* m_recordButton = nullptr;
    ImageButton* m_pauseButton = nullptr;
    ImageButton* m_stopButton = nullptr;
    ImageButton* m_playButton = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_newRecordingButton = nullptr;
    QPushButton* m_infoButton = nullptr;
    QTimer* m_recordTimer = nullptr;
    QTimer* m_playTimer = nullptr;

    OptionMenus* m_optionMenus = nullptr;

    Settings m_settings;
    QString m_recordingPath; // the file the next recording goes into

    std::unique_ptr<MainWindowRecordingView> m_recordingView;
    std::unique_ptr<RecordingEngine> m_engine;
    std::unique_ptr<RecordingSender> m_sender;

    QPointer<AboutBox> m_aboutBox;
    QPointer<SettingsDialog> m_settingsDialog;

    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
