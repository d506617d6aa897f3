#pragma once
#include "windows/settingsdialog.h"
#include "windows/mainwindowlink.h"
#include "windows/aboutbox.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class MainWindowRecordingView;
class ImageButton;
class RecordingEngine;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;

// The main window: start-up object of the program, lives for the whole run.
class MainWindow : public QWidget, public MainWindowLink {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr int kDeviceItems = 8;

    // Recording options, filled at start-up and by the option menus; the
    // recording engine reads them when a recording starts.
    int SampleRate = 0;
    int BitRateKbps = 0;
    int EncoderPreset = 0;
    bool Paused = false;

    void Load(); // runs StartUp
    void StartUp();
    void closeOtherWindows() override; // unloads the about box, the settings dialog and the upload window
    void ResetProgram();
    void ShowHelp(bool fromKeyboard);
    void RefreshOptionBoxes();

    // Option menus: item choice with its index; indexes without an item are
    // applied as the stored-index rules say.
    void ChooseSampleRate(int index);
    void ChooseBitRate(int index);
    void ChooseQuality(int index);
    void ChooseDevice(int index);
    // Clicks on the option boxes: pop-up menu at the box, then repaint.
    void OpenDeviceMenu();
    void OpenSampleRateMenu();
    void OpenBitRateMenu();
    void OpenQualityMenu();

    void ChooseRecordingFile();
    void ShowInfos();
    void QuitFromCloseImage();
    void ShowHelpFromImage();

    // MainWindowLink
    void showMainWindow() override;
    void hideMainWindow() override;
    void setSendCaption(const QString& caption) override;
    void setRecordingPath(const QString& path) override;
    void showSettingsDialog() override;
    void showAboutBox() override;

    // Controls that the recording engine and the other windows drive.
    ImageButton* Recbt() const { return m_recbt; }
    ImageButton* Pausebt() const { return m_pausebt; }
    ImageButton* stopbt() const { return m_stopbt; }
    ImageButton* Playbt() const { return m_playbt; }
    ImageButton* browsebt() const { return m_browsebt; }
    QTimer* RecTimer1() const { return m_recTimer1; }
    QTimer* PlayTimer() const { return m_playTimer; }
    QLineEdit* Text1(int index) const { return m_text1.at(index); }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label3(int index) const { return m_label3.at(index); }
    QPushButton* Envoi() const { return m_envoi; }
    QPushButton* Command1() const { return m_command1; }
    QPushButton* Command2() const { return m_command2; }
    QLineEdit* Text5() const { return m_text5; }
    QLineEdit* Periph() const { return m_periph; }
    QLineEdit* text2() const { return m_text2; }
    QLineEdit* Text3() const { return m_text3; }
    QLineEdit* Text4() const { return m_text4; }
    QLabel* Image2() const { return m_image2; }
    QLabel* Image3() const { return m_image3; }
    QLabel* Pict_Fond() const { return m_pictFond; }
    QMenu* cfe() const { return m_cfe; }
    QMenu* ERE() const { return m_ERE; }
    QMenu* MDE() const { return m_MDE; }
    QMenu* RPE() const { return m_RPE; }
    QAction* cf(int index) const;
    QAction* ER(int index) const;
    QAction* MD(int index) const;
    QAction* RP(int index) const;

    RecordingEngine* engine() const { return m_engine.get(); }

    AboutBox* aboutBox() const { return m_aboutBox; }
    SettingsDialog* settingsDialog() const { return m_settingsDialog; }

protected:
    void closeEvent(QCloseEvent* event) override; // Form_Unload
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectRecordingControls();
    void ConnectWindowControls();
    void ShapeWindow();
    bool StartDrag(QMouseEvent* event);
    bool DragMove(QMouseEvent* event);
    void EndDrag();
    void PopUp(QMenu* menu, QLineEdit* box);
    void FinaliseRecordingBeforeExit();

    QLabel* m_pictFond = nullptr;
    QLabel* m_label5 = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_image1 = nullptr;
    QLabel* m_image2 = nullptr;
    QLabel* m_image3 = nullptr;
    std::array<QLabel*, 9> m_label1{}; // index 3 unused
    QLineEdit* m_periph = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text5 = nullptr;
    std::array<QLineEdit*, 3> m_text1{};
    QLabel* m_label2 = nullptr;
    std::array<QLabel*, 5> m_label3{};
    QFrame* m_shape1 = nullptr;
    std::array<QFrame*, 2> m_shape2{};
    QFrame* m_line1 = nullptr;
    QListWidget* m_list1 = nullptr;
    ImageButton* m_browsebt = nullptr;
    ImageButton* m_recbt = nullptr;
    ImageButton* m_pausebt = nullptr;
    ImageButton* m_stopbt = nullptr;
    ImageButton* m_playbt = nullptr;
    QPushButton* m_envoi = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QTimer* m_recTimer1 = nullptr;
    QTimer* m_playTimer = nullptr;

    QMenu* m_cfe = nullptr;
    QMenu* m_ERE = nullptr;
    QMenu* m_MDE = nullptr;
    QMenu* m_RPE = nullptr;
    std::array<QAction*, 4> m_cf{};  // 1..3
    std::array<QAction*, 12> m_ER{}; // 1..11
    std::array<QAction*, 5> m_MD{};  // 0..4
    std::array<QAction*, kDeviceItems + 1> m_RP{}; // 1..8

    std::unique_ptr<MainWindowRecordingView> m_recordingView;
    std::unique_ptr<RecordingEngine> m_engine;

    QPointer<AboutBox> m_aboutBox;
    QPointer<SettingsDialog> m_settingsDialog;

    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
