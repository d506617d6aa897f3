// The real Qt dialogs behind the prompts, answered from timers as a pupil
// would answer them, inside the program's own event loop: the program must
// outlive every one of them and speak French in them.
#include "tests/windows/settingsdialogtest.h"

#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/qtseams.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

namespace {

using Answer = std::function<void(QWidget* dialog)>;

constexpr int kStillRunning = 42;

QPushButton* StandardButton(QWidget* dialog, QDialogButtonBox::StandardButton which)
{
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    return buttons ? buttons->button(which) : nullptr;
}

QString Shown(const QAbstractButton* button) { return button ? button->text().remove(u'&') : QString(); }

Answer CancelChooser()
{
    return [](QWidget* dialog) {
        ASSERT_NE(qobject_cast<QFileDialog*>(dialog), nullptr);
        QPushButton* cancel = StandardButton(dialog, QDialogButtonBox::Cancel);
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(Shown(cancel), "Annuler");
        cancel->click();
    };
}

Answer Choose(const QString& path)
{
    return [path](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr);
        // Typed in whole, as a pupil may do; no wait for the folder listing.
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(path);
        static_cast<QDialog*>(chooser)->accept();
    };
}

// As on a desktop, where no window is active just after a chooser closes.
Answer ChooseLeavingNoWindowActive(const QString& path)
{
    return [path](QWidget* dialog) {
        Choose(path)(dialog);
        QApplication::setActiveWindow(nullptr);
    };
}

Answer PressOk()
{
    return [](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Ok)->click();
    };
}

class RealDialogsTest : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        SettingsDialogTest::SetUp();
        PrepareApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        InstallQtSeams();
    }

    // Runs the program's event loop: `start` opens the dialogs, `answers`
    // close them in turn. True when the loop still ran after the last one;
    // a dialog nobody expected is closed and counted.
    bool RunAnswering(const std::function<void()>& start, std::vector<Answer> answers)
    {
        std::size_t next = 0;
        bool finishing = false;
        QPointer<QWidget> answered;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* shown = QApplication::activeModalWidget();
            if (shown && shown != answered) {
                answered = shown;
                if (next < answers.size()) {
                    answers[next++](shown);
                } else {
                    ++unexpectedDialogs;
                    shown->close();
                }
            } else if (!shown && next == answers.size() && !finishing) {
                finishing = true;
                QTimer::singleShot(200, [] { QCoreApplication::exit(kStillRunning); });
            }
        });
        poll.start();
        QTimer::singleShot(0, start);
        // A dialog left open must not hang the run.
        QTimer::singleShot(20000, [] { QCoreApplication::exit(-1); });
        return QApplication::exec() == kStillRunning && next == answers.size();
    }

    int unexpectedDialogs = 0;
};

TEST_F(RealDialogsTest, FirstRunSurvivesEveryWayOutOfTheFolderChooser)
{
    settings.complete = false; // main window hidden, settings dialog alone
    open();
    type("txtDossier", QStringLiteral("Enregistrements"));
    const QString chosen = tempPath("cours");
    QDir().mkpath(chosen);

    EXPECT_TRUE(RunAnswering([this] { button("cmdBrowser")->click(); }, {CancelChooser()}));
    EXPECT_TRUE(RunAnswering([this] { button("cmdBrowser")->click(); }, {Choose(chosen)}));

    EXPECT_EQ(endCalls, 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(label("lblDossier")->toolTip(), QDir::toNativeSeparators(chosen) + "/Enregistrements");
    EXPECT_EQ(unexpectedDialogs, 0);
}

TEST_F(RealDialogsTest, FirstRunSurvivesTheInvalidParametersMessage)
{
    settings.complete = false;
    open();
    const QString bad = tempPath("bad.prm");
    WriteFile(bad, QByteArray("\xff\xfe[\0W\0e\0b\0]\0", 12)); // UTF-16: no key readable

    EXPECT_TRUE(RunAnswering([this] { action("mnuImport")->trigger(); },
                             {ChooseLeavingNoWindowActive(bad), PressOk()}));
    EXPECT_EQ(endCalls, 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(unexpectedDialogs, 0);
}

TEST_F(RealDialogsTest, QuestionsAnswerWithFrenchButtons)
{
    MsgAnswer answer = MsgAnswer::Ok;
    QString yes;
    const bool ran = RunAnswering(
        [&answer] {
            answer = MsgBox(QStringLiteral("Voulez-vous abandonner ?"), MsgIcon::Question, MsgButtons::YesNo);
        },
        {[&yes](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            ASSERT_NE(box, nullptr);
            yes = Shown(box->button(QMessageBox::Yes));
            ASSERT_EQ(Shown(box->button(QMessageBox::No)), "Non");
            box->button(QMessageBox::No)->click();
        }});
    EXPECT_TRUE(ran);
    EXPECT_EQ(yes, "Oui");
    EXPECT_EQ(answer, MsgAnswer::No);
}

// The recording chooser asks nothing of its own about an existing file: the
// main window has its own message for it.
TEST_F(RealDialogsTest, RecordingChooserTakesAnExistingFileWithoutAsking)
{
    const QString existing = tempPath("ELEVE1.mp3");
    WriteFile(existing, "ID3");
    FileRequest request;
    request.title = QStringLiteral("Veuillez indiquer le fichier à créer");
    request.initialFolder = scratchDir();
    request.defaultSuffix = QStringLiteral("mp3");
    request.filter = QStringLiteral("Fichiers Mp3|*.mp3");
    QString picked;
    EXPECT_TRUE(RunAnswering([&] { picked = prompt().saveFileName(request); }, {Choose(existing)}));
    EXPECT_EQ(unexpectedDialogs, 0);
    EXPECT_EQ(QDir::fromNativeSeparators(picked), QDir(scratchDir()).absoluteFilePath("ELEVE1.mp3"));
}

// The folder chooser's Type column names a folder in French.
TEST_F(RealDialogsTest, FileTypesAreNamedInFrench)
{
    const QFileIconProvider names;
    EXPECT_EQ(names.type(QFileInfo(scratchDir())), "Dossier");
    EXPECT_EQ(names.type(QFileInfo(QDir::rootPath())), "Lecteur");
}

} // namespace
