#pragma once
#include "tests/support/testenv.h"
#include "windows/mainwindowlink.h"
#include "windows/settingsdialog.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <memory>

// Records what the dialog asks of the main window.
class FakeMainWindow final : public MainWindowLink {
public:
    void showMainWindow() override { calls.append(QStringLiteral("show")); }
    void hideMainWindow() override { calls.append(QStringLiteral("hide")); }
    void setSendCaption(const QString& caption) override
    {
        calls.append(QStringLiteral("caption:") + caption);
    }
    void setRecordingPath(const QString& path) override { calls.append(QStringLiteral("path:") + path); }
    void showSettingsDialog() override { calls.append(QStringLiteral("settings")); }
    void showAboutBox() override { calls.append(QStringLiteral("about")); }
    void closeOtherWindows() override { calls.append(QStringLiteral("closeOtherWindows")); }

    QStringList calls;
};

// Runs in a scratch current folder, so relative folders such as "Z:/Mirlo"
// land nowhere that matters.
class SettingsDialogTest : public MirloTest {
protected:
    void SetUp() override;
    void TearDown() override;

    SettingsDialog& open(); // loads and shows the dialog
    void reopen();          // a new dialog, as after an unload

    QLineEdit* box(const char* name) const;
    QRadioButton* option(const char* name) const;
    QAction* action(const char* name) const;
    QLabel* label(const char* name) const;
    QPushButton* button(const char* name) const;

    // Types into a box the way a pupil does, one character at a time.
    void type(const char* name, const QString& text);
    void click(QAbstractButton* b);
    void pressEnter(QWidget* w);

    // A complete set of valid entries.
    // With a sending mode chosen unless told not to.
    void typeValidEntries(bool chooseMode = true);

    QString programFile() const;
    QString homeFolder() const;
    QString homeFile() const;
    static QString Key(const QString& file, const char* section, const char* key);

    FakeMainWindow mainWindow;
    std::unique_ptr<SettingsDialog> dialog;

private:
    QString m_oldCurrent;
};
