#pragma once
#include "platform/mailhandoff.h"

#include <QLabel>
#include <QWidget>

class MainWindowLink;
struct Settings;
class QFrame;
class QPushButton;

// A text of the about box that opens something: underlined in the desktop's
// link colour, a Tab stop framed while it has the focus, followed by a click,
// Space or Enter, and a link a screen reader can press.
class LinkLabel final : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, QWidget* parent);

signals:
    void followed();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// The about box.
class AboutBox : public QWidget {
    Q_OBJECT
public:
    AboutBox(MainWindowLink& main, Settings& settings, QWidget* parent = nullptr);

    // "Version 2.01.0058" for 2.1.58.
    static QString VersionText(int major, int minor, int revision);
    // Paragraphs joined with carriage returns, true of the hand-in mode, the
    // recording folder and how this system sends mail.
    static QString InstructionsText(const QString& sendMode, const QString& recordingFolder,
                                    platform::MailRoute mailRoute);
    static QString CreditText(); // three lines
    static const QString kContactAddress;
    static const QString kCopyright;
    static const QString kCompany;

public slots:
    void CloseWithOk();  // OK
    void OpenSettings(); // Modifier les paramètres
    void OpenHelp();
    void WriteToContact(); // contact address
    void OpenCompanyLink();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillTexts();
    void LayOut();

    MainWindowLink& m_main;
    Settings& m_settings;
    QLabel* m_picture = nullptr;
    QLabel* m_programName = nullptr;
    QLabel* m_credit = nullptr;
    QLabel* m_creditShadow = nullptr; // a faint offset copy under the credit
    QLabel* m_version = nullptr;
    QLabel* m_copyright = nullptr;
    LinkLabel* m_companyLink = nullptr;
    LinkLabel* m_contactLink = nullptr;
    QLabel* m_instructions = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_settingsButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QFrame* m_ruleDark = nullptr; // an etched rule: dark line over a light one
    QFrame* m_ruleLight = nullptr;
    bool m_pointerMoved = false; // the jump to OK happens on the first focus only
};
