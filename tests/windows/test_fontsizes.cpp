// Every window at the desktop's font size and at 125 % and 150 % of it: each
// caption's text lies within its control and each control within its window.
#include "audio/sounddevices.h"
#include "launch/launchwindow.h"
#include "send/uploadsession.h"
#include "tests/support/memorybackend.h"
#include "tests/support/qtprint.h"
#include "tests/windows/settingsdialogtest.h"
#include "windows/aboutbox.h"
#include "windows/mainwindow.h"
#include "windows/progresswindow.h"
#include "windows/splituploadprogresswindow.h"
#include "windows/uploadprogresswindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// What is wrong with one shown control, "" when nothing.
QString TextOutside(const QWidget* control)
{
    const QFontMetrics fm = control->fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->text().isEmpty())
            return {};
        const QRect room = label->contentsRect();
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect text = fm.boundingRect(room, flags, label->text());
        if (text.width() > room.width() || text.height() > room.height())
            return QStringLiteral("text %1x%2 in %3x%4")
                .arg(text.width())
                .arg(text.height())
                .arg(room.width())
                .arg(room.height());
        return {};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (fm.horizontalAdvance(button->text()) > room.width() || fm.height() > room.height())
            return QStringLiteral("caption wider or taller than %1x%2").arg(room.width()).arg(room.height());
        return {};
    }
    if (const auto* option = qobject_cast<const QRadioButton*>(control)) {
        if (option->width() < option->sizeHint().width() || option->height() < option->sizeHint().height())
            return QStringLiteral("option smaller than its text");
        return {};
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(control)) {
        if (fm.height() > box->contentsRect().height() - 2)
            return QStringLiteral("box lower than a line of text");
    }
    return {};
}

QString Text(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

// Every problem of a shown window, one line each.
QStringList Clipped(QWidget& window)
{
    QStringList problems;
    QList<std::pair<QWidget*, QRect>> texts;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (control->isWindow() || !control->isVisibleTo(&window) || control->objectName().isEmpty())
            continue;
        // What scrolls is seen through its scroll area, which is checked itself.
        if (control->parentWidget() && qobject_cast<QScrollArea*>(control->parentWidget()->parentWidget()))
            continue;
        const QString where = window.objectName() + u'/' + control->objectName() + u' ';
        const QRect inWindow(control->mapTo(&window, QPoint(0, 0)), control->size());
        if (!window.rect().contains(inWindow))
            problems << where + QStringLiteral("outside the window");
        if (const QString text = TextOutside(control); !text.isEmpty())
            problems << where + text;
        if (Text(control).isEmpty())
            continue;
        // Texts overlap only their own shadow copy.
        for (const auto& [other, otherRect] : texts)
            if (otherRect.intersects(inWindow) && Text(other) != Text(control))
                problems << where + QStringLiteral("overlaps ") + other->objectName();
        texts.append({control, inWindow});
    }
    return problems;
}

class FontSizes : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        SettingsDialogTest::SetUp();
        InstallSoundDevices(&sound);
        m_desktopFont = QApplication::font();
    }
    void TearDown() override
    {
        QApplication::setFont(m_desktopFont);
        InstallSoundDevices(nullptr);
        SettingsDialogTest::TearDown();
    }

    void setFontScale(double scale)
    {
        QFont font = m_desktopFont;
        font.setPointSizeF(m_desktopFont.pointSizeF() * scale);
        QApplication::setFont(font);
    }

    MemoryBackend sound;

private:
    QFont m_desktopFont;
};

TEST_F(FontSizes, EveryTextFitsEveryWindowAtLargerFonts)
{
    QDir().mkpath(homeFolder());
    WriteFile(homeFile(), "[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\n"
                          "Nom=dupont\r\n[Web]\r\nSite=www.example.org\r\nPassword=41424344\r\nmode=web\r\n");
    HandInWindows views;
    UploadSession session{views};
    const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> windows[] = {
        {"main window",
         [this] {
             auto w = std::make_unique<MainWindow>(programDir());
             w->StartUp();
             return w;
         }},
        {"settings dialog", [this] { return std::make_unique<SettingsDialog>(mainWindow, settings); }},
        {"about box", [this] { return std::make_unique<AboutBox>(mainWindow, settings); }},
        {"upload progress", [&session] { return std::make_unique<UploadProgressWindow>(session); }},
        {"split upload progress",
         [&session] {
             auto w = std::make_unique<SplitUploadProgressWindow>(session);
             w->setSplitPass(12, 12);
             return w;
         }},
        {"Launch window", [this] { return std::make_unique<LaunchWindow>(programDir()); }},
    };
    for (const double scale : {1.0, 1.25, 1.5}) {
        setFontScale(scale);
        for (const auto& [name, make] : windows) {
            std::unique_ptr<QWidget> window = make();
            window->setAttribute(Qt::WA_DeleteOnClose, false);
            window->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get())) << name;
            EXPECT_EQ(Clipped(*window), QStringList()) << name << " at " << scale * 100 << " %";
            window->hide();
        }
    }
}

} // namespace
