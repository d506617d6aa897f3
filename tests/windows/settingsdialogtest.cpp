#include "tests/windows/settingsdialogtest.h"

#include "foundation/settings.h"

#include <QApplication>
#include <QDir>
#include <QTest>

void SettingsDialogTest::SetUp()
{
    MirloTest::SetUp();
    m_oldCurrent = QDir::currentPath();
    QDir::setCurrent(scratchDir());
}

void SettingsDialogTest::TearDown()
{
    dialog.reset();
    QDir::setCurrent(m_oldCurrent);
    MirloTest::TearDown();
}

SettingsDialog& SettingsDialogTest::open()
{
    dialog = std::make_unique<SettingsDialog>(mainWindow, settings);
    dialog->show();
    return *dialog;
}

void SettingsDialogTest::reopen()
{
    dialog.reset();
    open();
}

QLineEdit* SettingsDialogTest::box(const char* name) const
{
    auto* w = dialog->findChild<QLineEdit*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QRadioButton* SettingsDialogTest::option(const char* name) const
{
    auto* w = dialog->findChild<QRadioButton*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QAction* SettingsDialogTest::action(const char* name) const
{
    auto* a = dialog->findChild<QAction*>(QLatin1String(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

QLabel* SettingsDialogTest::label(const char* name) const
{
    auto* w = dialog->findChild<QLabel*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QPushButton* SettingsDialogTest::button(const char* name) const
{
    auto* w = dialog->findChild<QPushButton*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void SettingsDialogTest::type(const char* name, const QString& text)
{
    QLineEdit* w = box(name);
    w->selectAll();
    QTest::keyClick(w, Qt::Key_Delete);
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void SettingsDialogTest::click(QAbstractButton* b)
{
    // An option reacts to its mark and caption, not to the empty end of a wide row.
    const QPoint at =
        qobject_cast<QRadioButton*>(b) ? QPoint(b->height() / 2, b->height() / 2) : b->rect().center();
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, at);
}

void SettingsDialogTest::pressEnter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }

void SettingsDialogTest::typeValidEntries(bool chooseMode)
{
    type("txtMail", QStringLiteral("eleve1@lycee-hugo.fr"));
    type("txtDest", QStringLiteral("prof@lycee-hugo.fr"));
    type("txtSiteWeb", QStringLiteral("www.lycee-hugo.fr"));
    type("txtLogin", QStringLiteral("ELEVE1"));
    type("txtPassword", QStringLiteral("secret"));
    // A sending mode is required; one stored before stays chosen.
    if (chooseMode && !option("Option1_0")->isChecked() && !option("Option1_1")->isChecked())
        option("Option1_1")->setChecked(true);
}

QString SettingsDialogTest::programFile() const { return settings.programFile(); }
QString SettingsDialogTest::homeFolder() const { return JoinPath(appDataDir(), "Mirlo"); }
QString SettingsDialogTest::homeFile() const { return JoinPath(homeFolder(), "Mirlox.ini"); }

QString SettingsDialogTest::Key(const QString& file, const char* section, const char* key)
{
    return ReadSetting(QLatin1String(section), QLatin1String(key), file);
}
