#pragma once
#include <QWidget>

struct TypedSettings;
class MainWindowLink;
struct Settings;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class PathLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;

// The settings dialog. Constructing it loads it: the controls are filled from
// the settings files at once. Closing it unloads it: the typed values are
// dropped and the next show fills the controls again. A successful
// validation only hides it, so a later show finds the controls as they were.
class SettingsDialog : public QWidget {
    Q_OBJECT
public:
    // The dialog reads and saves the main window's settings.
    SettingsDialog(MainWindowLink& main, Settings& settings, QWidget* parent = nullptr);

    // The folder browser: the chosen folder's path, "" when nothing was chosen.
    QString BrowseFolder(const QString& title);

    void FillFromSettings();
    void ValidateAndSave();
    void ImportParameters();

    // Closes the dialog without the closing rules (no return to the main
    // window, no program end), for the main window's own shutdown.
    void unload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    QMenuBar* BuildMenuBar();
    QGroupBox* BuildSendingGroup();
    QGroupBox* BuildProxyGroup();
    QGroupBox* BuildSendModeGroup();
    QGroupBox* BuildProgramGroup();
    void OrderTabs();
    // As large as the content wants, never larger than the screen: it scrolls then.
    void FitToScreen();
    void KeepOnScreen();
    void ConnectControls();

    void WatchKeys(QWidget* widget);
    bool HandleKey(QKeyEvent* event);
    void ShowHelp(const QString& missingText);
    void SwitchMode(bool school);
    void ChooseLocation();
    void RefreshFullPath();
    TypedSettings TypedValues() const;

    MainWindowLink& m_main;
    Settings& m_settings;
    bool m_loaded = false;    // false once closed: the next show fills again
    bool m_unloading = false; // closing for the main window's shutdown

    QWidget* m_content = nullptr; // every group, inside the scroll area
    QScrollArea* m_scrollArea = nullptr;
    QLineEdit* m_senderBox = nullptr;
    QLineEdit* m_recipientBox = nullptr;
    QLineEdit* m_siteBox = nullptr;
    QLineEdit* m_loginBox = nullptr;
    QLineEdit* m_passwordBox = nullptr;
    QLineEdit* m_proxyBox = nullptr;
    QLineEdit* m_portBox = nullptr;
    QLineEdit* m_folderNameBox = nullptr;
    QString m_folderLocation; // where the recording folder goes; chosen with the browser
    PathLabel* m_fullPathLabel = nullptr;
    QPushButton* m_browseButton = nullptr;
    QRadioButton* m_mailOption = nullptr;
    QRadioButton* m_webOption = nullptr;
    QRadioButton* m_schoolOption = nullptr;
    QRadioButton* m_homeOption = nullptr;
    QAction* m_importAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_validateAction = nullptr;
    QAction* m_helpAction = nullptr;
};
