#pragma once
#include <QWidget>

class MainWindowLink;
class QAction;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The settings dialog. Constructing it loads it: the controls are filled from
// the settings files at once. Closing it unloads it: the typed values are
// dropped and the next show fills the controls again. A successful
// validation only hides it, so a later show finds the controls as they were.
class SettingsDialog : public QWidget {
    Q_OBJECT
public:
    explicit SettingsDialog(MainWindowLink& main, QWidget* parent = nullptr);

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
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void WatchKeys(QWidget* widget);
    bool HandleKey(QKeyEvent* event);
    void ShowHelp(const QString& missingText);
    void SwitchMode(bool school);
    void ChooseLocation();
    void RefreshFullPath();

    MainWindowLink& m_main;
    bool m_loaded = false;    // false once closed: the next show fills again
    bool m_unloading = false; // closing for the main window's shutdown

    QLineEdit* txtMail = nullptr;
    QLineEdit* txtDest = nullptr;
    QLineEdit* txtSiteWeb = nullptr;
    QLineEdit* txtLogin = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtProxy = nullptr;
    QLineEdit* txtPort = nullptr;
    QLineEdit* txtDossier = nullptr;
    QLineEdit* txtPath = nullptr;
    QLabel* lblDossier = nullptr;
    QPushButton* cmdBrowser = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdAide = nullptr;
    QRadioButton* Option1[2] = {};
    QRadioButton* OptLycee[2] = {};
    QButtonGroup* sendGroup = nullptr;
    QButtonGroup* placeGroup = nullptr;
    QAction* mnuImport = nullptr;
    QAction* mnuQuitter = nullptr;
    QAction* mnuValider = nullptr;
    QAction* mnuAide = nullptr;
};
