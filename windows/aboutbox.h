#pragma once
#include <QWidget>

class MainWindowLink;
class QFrame;
class QLabel;
class QPushButton;

// The about box.
class AboutBox : public QWidget {
    Q_OBJECT
public:
    explicit AboutBox(MainWindowLink& main, QWidget* parent = nullptr);

    // "Version 2.01.0058" for 2.1.58.
    static QString VersionText(int major, int minor, int revision);
    static QString InstructionsText(); // paragraphs joined with carriage returns
    static QString CreditText();       // Label2's three lines
    static const QString kContactAddress;
    static const QString kCopyright;
    static const QString kCompany;

    // Labels keep carriage returns in their text; this is what they show.
    static QString ShownText(const QString& text);

public slots:
    void CloseWithOk();  // OK
    void OpenSettings();  // Modifier les paramètres
    void OpenHelp();
    void WriteToContact();    // contact address
    void OpenCompanyLink();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Load();

    MainWindowLink& m_main;
    QLabel* m_picture = nullptr;
    QLabel* m_label5 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblCopyright = nullptr;
    QLabel* m_lblCompany = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_label1 = nullptr;
    QPushButton* m_cmdAide = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command1 = nullptr;
    QFrame* m_line1 = nullptr;
    QFrame* m_line2 = nullptr;
    bool m_pointerMoved = false; // the jump to OK happens on the first focus only
};
