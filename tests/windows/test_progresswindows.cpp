// UploadProgressWindow and SplitUploadProgressWindow: the painted bar, the
// abandon questions, uploads to the reference server that show them, and the
// texts the pupil reads about a hand-in.
#include "tests/support/controls.h"
#include "tests/support/qtprint.h"
#include "tests/support/testenv.h"
#include "tests/support/uploadtest.h"

#include "send/uploadsession.h"
#include "send/webupload.h"
#include "windows/handinmessages.h"
#include "windows/splituploadprogresswindow.h"
#include "windows/uploadprogresswindow.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace {

using Kind = HandInReport::Kind;

const QColor kStart(0, 100, 40);
const QColor kEnd(255, 255, 50);
const QColor kFront(255, 255, 68);
const QString kQuestion = QStringLiteral("Etes-vous sûr de vouloir abandonner le téléchargement?");

GradientBar* Bar(const QWidget& window) { return Control<GradientBar>(window, "pgrr"); }

// The bar of a shown window as it paints at that percentage.
QImage Paint(ProgressWindow& form, int percent)
{
    form.setProgress(percent);
    return Bar(form)->grab().toImage();
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Rightmost column holding a front-coloured pixel in the text rows, -1 if none.
int TextRight(const QImage& img, int fromColumn)
{
    int right = -1;
    for (int y = 1; y < img.height(); ++y)
        for (int x = fromColumn; x < img.width(); ++x)
            if (img.pixelColor(x, y) == kFront)
                right = qMax(right, x);
    return right;
}

QString Told(Kind kind) { return HandInMessageFor(HandInReport(kind)).text; }

} // namespace

// The windows as an upload session opens them: made by the hand-in's
// windows, owned by the session, the transfer not finished.
class ProgressWindowTest : public MirloTest {
protected:
    template <class W>
    W& open(UploadViewKind kind)
    {
        auto* window = dynamic_cast<W*>(&session.openView(kind));
        if (!window)
            throw std::runtime_error("the factory made another kind of window");
        return *window;
    }
    UploadProgressWindow& openSingle() { return open<UploadProgressWindow>(UploadViewKind::Single); }
    SplitUploadProgressWindow& openSplit() { return open<SplitUploadProgressWindow>(UploadViewKind::Split); }
    UploadProgressWindow& showSingle()
    {
        UploadProgressWindow& form = openSingle();
        form.showProgress();
        return form;
    }

    HandInWindows windows;
    UploadSession session{windows};
};

TEST_F(ProgressWindowTest, BarAtZeroRunsFromEndColourToStartColourWithFrontAtTheLeft)
{
    const QImage img = Paint(showSingle(), 0);
    const int w = img.width();
    ASSERT_GT(w, 250); // 297 pixels at 96 dpi
    EXPECT_EQ(img.pixelColor(0, 0), kFront);
    EXPECT_TRUE(Near(img.pixelColor(1, 0), kEnd, 2)) << img.pixelColor(1, 0).name().toStdString();
    EXPECT_EQ(img.pixelColor(w - 1, 0), kStart);
    // Brightening from the right edge towards the front line.
    EXPECT_LT(img.pixelColor(w * 3 / 4, 0).red(), img.pixelColor(w / 4, 0).red());
    // "0%" written in the front colour from the middle.
    EXPECT_GE(TextRight(img, w / 2 - 10), w / 2 - 10);
}

TEST_F(ProgressWindowTest, BarAtHundredRunsFromStartColourToEndColour)
{
    UploadProgressWindow& form = showSingle();
    const QImage zero = Paint(form, 0);
    const QImage img = Paint(form, 100);
    const int w = img.width();
    EXPECT_EQ(img.pixelColor(0, 0), kStart);
    EXPECT_TRUE(Near(img.pixelColor(w - 1, 0), kEnd, 2)) << img.pixelColor(w - 1, 0).name().toStdString();
    // The front line falls just outside the painted width.
    for (int x = 0; x < w; ++x)
        ASSERT_NE(img.pixelColor(x, 0), kFront) << x;
    // "100%" reaches further right than "0%".
    EXPECT_GT(TextRight(img, w / 2 - 10), TextRight(zero, w / 2 - 10));
}

TEST_F(ProgressWindowTest, BarAtHalfHasStartColourAtBothEndsAndTheFrontInTheMiddle)
{
    const QImage img = Paint(showSingle(), 50);
    const int w = img.width();
    EXPECT_EQ(img.pixelColor(0, 0), kStart);
    EXPECT_EQ(img.pixelColor(w - 1, 0), kStart);
    EXPECT_EQ(img.pixelColor(qRound(w * 0.5), 0), kFront);
}

TEST_F(ProgressWindowTest, ProgressIsKeptAsAValueAndRepaintedWithoutTimers)
{
    UploadProgressWindow& form = showSingle();
    EXPECT_EQ(Bar(form)->percent(), 0);
    form.setProgress(73);
    EXPECT_EQ(Bar(form)->percent(), 73);
    EXPECT_TRUE(form.findChildren<QTimer*>().isEmpty());
    EXPECT_TRUE(form.findChildren<QWidget*>(QStringLiteral("ProgressBar1")).isEmpty());
}

TEST_F(ProgressWindowTest, OpeningClearsTransferFinishedAndLaysOutBothWindows)
{
    session.markTransferFinished();
    UploadProgressWindow& four = showSingle();
    EXPECT_FALSE(session.transferFinished());
    EXPECT_EQ(four.objectName(), "Form4");
    EXPECT_EQ(four.windowTitle(), "Progression du téléchargement");
    EXPECT_EQ(Control<QLabel>(four, "Label1")->text(), "Veuillez patienter jusqu'à la fin du transfert");
    // About the designed 312 x 54 pixels at the desktop's font.
    EXPECT_NEAR(four.width(), 312, 6);
    EXPECT_NEAR(four.height(), 54, 6);
    SplitUploadProgressWindow& five = openSplit();
    five.setSplitPass(1, 3);
    five.showProgress();
    EXPECT_EQ(five.objectName(), "Form5");
    EXPECT_NEAR(five.width(), 312, 6);
    EXPECT_NEAR(five.height(), 91, 8);
    // Title, file, waiting line and bar, top to bottom.
    const int rows[] = {Control<QLabel>(five, "lblTitre")->y(), Control<QLabel>(five, "lblFiles")->y(),
                        Control<QLabel>(five, "Label1")->y(), Bar(five)->y()};
    EXPECT_TRUE(std::is_sorted(std::begin(rows), std::end(rows)) && rows[0] < rows[3]);
    EXPECT_EQ(Control<QLabel>(five, "lblTitre")->text(), "Transfert de l'enregistrement en 3 fichiers.");
    EXPECT_EQ(Control<QLabel>(five, "lblFiles")->text(), "Transfert du fichier 1 sur 3");
    EXPECT_EQ(session.view(), static_cast<UploadView*>(&five));
}

TEST_F(ProgressWindowTest, ALargerFontGrowsTheWindow)
{
    const QSize before = showSingle().size();
    QFont larger = QApplication::font();
    const QFont desktop = larger;
    larger.setPointSizeF(desktop.pointSizeF() * 1.5);
    QApplication::setFont(larger);
    const QSize after = showSingle().size();
    QApplication::setFont(desktop);
    EXPECT_GT(after.width(), before.width());
    EXPECT_GT(after.height(), before.height());
}

TEST_F(ProgressWindowTest, EscapeAnsweredYesAbandonsAndClosesWithoutASecondQuestion)
{
    SplitUploadProgressWindow& form = openSplit();
    form.show();
    prompter.answers = {MsgAnswer::Yes};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(session.abandonRequested());
    EXPECT_TRUE(session.transferFinished());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, kQuestion);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::YesNo);
}

TEST_F(ProgressWindowTest, NoKeepsTheWindowAndOtherKeysAskNothing)
{
    UploadProgressWindow& form = openSingle();
    form.show();
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(prompter.messages.isEmpty());
    prompter.answers = {MsgAnswer::No, MsgAnswer::No};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(session.abandonRequested());
    EXPECT_FALSE(session.transferFinished());
    EXPECT_EQ(prompter.messages.size(), 2);
}

TEST_F(ProgressWindowTest, ClosingAsksUntilTheTransferHasFinished)
{
    UploadProgressWindow& asking = openSingle();
    asking.show();
    prompter.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(asking.close());
    EXPECT_TRUE(session.abandonRequested());
    EXPECT_EQ(prompter.messages.size(), 1);

    session.resetAbandon();
    UploadProgressWindow& finished = openSingle();
    finished.show();
    session.markTransferFinished();
    EXPECT_TRUE(finished.close());
    EXPECT_EQ(prompter.messages.size(), 1);
    EXPECT_FALSE(session.abandonRequested());
}

TEST_F(ProgressWindowTest, ClosingTheViewDeletesTheWindowWithoutAsking)
{
    QPointer<UploadProgressWindow> four = &openSingle();
    four->showProgress();
    ASSERT_EQ(session.view(), static_cast<UploadView*>(four.data()));
    session.closeView();
    EXPECT_TRUE(four.isNull());
    EXPECT_EQ(session.view(), nullptr);

    QPointer<SplitUploadProgressWindow> five = &openSplit();
    five->showProgress();
    session.closeView();
    EXPECT_TRUE(five.isNull());
    EXPECT_EQ(session.view(), nullptr);
    EXPECT_TRUE(prompter.messages.isEmpty());
    session.closeView(); // nothing open: nothing happens
}

// ---- What the pupil reads ------------------------------------------------------------

namespace {

using platform::MailFailure;

MailFailure Failure(MailFailure::Kind kind, int exitCode = 0, int seconds = 0, QStringList said = {})
{
    MailFailure f;
    f.kind = kind;
    f.program = QStringLiteral("/usr/sbin/sendmail");
    f.exitCode = exitCode;
    f.seconds = seconds;
    f.errorOutput = said;
    return f;
}

} // namespace

TEST(HandInMessages, EveryOutcomeHasItsTextAndIcon)
{
    const QString notSent = QStringLiteral("L'enregistrement n'a pas été envoyé par email.\r");
    const QString program = QStringLiteral("Le programme d'envoi de courrier /usr/sbin/sendmail");
    struct Case {
        HandInReport report;
        QString text;
        MsgIcon icon;
    };
    const Case cases[] = {
        {HandInReport(Kind::NotMp3),
         "Ceci n'est apparemment pas un fichier mp3 !\rIl ne peut pas être envoyé.", MsgIcon::Critical},
        {HandInReport(Kind::NoSendMode),
         "Aucun mode d'envoi n'est choisi.\rChoisissez dans les paramètres (bouton \"Infos\", \"Modifier les "
         "paramètres\") comment rendre votre enregistrement : par le site Web ou par email.",
         MsgIcon::Information},
        {HandInReport(Kind::NoReplyInTime),
         "Le site Web n'a pas répondu à temps.\rL'enregistrement est peut-être arrivé : demandez à votre "
         "professeur de vérifier avant de l'envoyer à nouveau.",
         MsgIcon::Critical},
        {HandInReport(Kind::Moved, 301, "https://autre.example/depot.php"),
         "Le site Web a déménagé à l'adresse :\rhttps://autre.example/depot.php\rLe fichier n'a pas été "
         "transféré.\rDonnez cette adresse à votre professeur pour qu'il corrige les paramètres de "
         "connexion.",
         MsgIcon::Critical},
        {HandInReport(Kind::ProxyRefused, 403),
         "Le serveur proxy a refusé la connexion au site Web (code de réponse HTTP = 403).\rVérifiez les "
         "paramètres du proxy ou prévenez votre professeur.",
         MsgIcon::Critical},
        {HandInReport(Kind::ProxyRefused, 407),
         "Le serveur proxy demande un identifiant et un mot de passe (code de réponse HTTP = 407).\rPrévenez "
         "votre professeur.",
         MsgIcon::Critical},
        {HandInReport(Kind::RecordingUnreadable), "Le fichier de l'enregistrement n'a pas pu être lu.",
         MsgIcon::Critical},
        // A file of a split upload: the recording was not handed in, and why.
        {HandInReport(Kind::HttpStatus, 413).forFile(2, 17),
         "L'enregistrement n'a pas été transféré (fichier 2 sur 17).\rEchec du transfert, code de réponse "
         "HTTP = 413",
         MsgIcon::Critical},
        {HandInReport(Kind::FileExists).forFile(1, 3),
         "L'enregistrement n'a pas été transféré (fichier 1 sur 3).\rCe fichier existe déjà sur le serveur "
         "!\r"
         "Le nouveau fichier n'a pas été transféré.",
         MsgIcon::Critical},
        {HandInReport(Kind::Transferred), "Le fichier a été transféré avec succès.", MsgIcon::Information},
        {HandInReport(Kind::Abandoned), "Abandon du transfert !", MsgIcon::Exclamation},
        {HandInReport(Kind::ConnectionFailed),
         "Problème de connexion au site Web !\r\r"
         "Vérifiez l'adresse du site Web dans les paramètres de connexion.\r\r"
         "Relancez le transfert (bouton \"Envoyer sur le site\")\r\r"
         "Si le problème persiste, fermez le logiciel puis relancez-le.\r"
         "Cliquez sur le bouton \"Parcourir\" (...) pour sélectionner le fichier à envoyer\r"
         "et relancez le transfert (bouton \"Envoyer sur le site\")",
         MsgIcon::Critical},
        {HandInReport(Kind::CertificateRejected),
         "Le site Web n'a pas pu prouver son identité : son certificat de sécurité n'est pas valable !\r"
         "Le fichier n'a pas été transféré.\r"
         "Vérifiez l'adresse du site Web dans les paramètres de connexion ou prévenez votre professeur.",
         MsgIcon::Critical},
        {HandInReport(Kind::ServerBusy),
         "Le site de téléchargement est vraisemblablement occupé !\rVeuillez réessayer dans quelques "
         "minutes.",
         MsgIcon::Critical},
        {HandInReport(Kind::HttpStatus, 404), "Echec du transfert, code de réponse HTTP = 404",
         MsgIcon::Critical},
        {HandInReport(Kind::SiteOccupied),
         "Le site de téléchargement est occupé !\rVeuillez réessayer dans quelques minutes.", MsgIcon::None},
        {HandInReport(Kind::FileExists),
         "Ce fichier existe déjà sur le serveur !\rLe nouveau fichier n'a pas été transféré.", MsgIcon::None},
        {HandInReport(Kind::UnknownLogin), "Utilisateur inconnu !", MsgIcon::None},
        {HandInReport(Kind::WrongPassword), "Mot de passe erroné !", MsgIcon::None},
        {HandInReport(Kind::UnexpectedReply), "Réponse inattendue du serveur !", MsgIcon::None},
        {HandInReport(Failure(MailFailure::Kind::RecordingUnreadable)),
         notSent + "Le fichier de l'enregistrement n'a pas pu être lu.", MsgIcon::Critical},
        {HandInReport(Failure(MailFailure::Kind::NoMailProgram)),
         notSent + "Aucun programme d'envoi de courrier (sendmail) n'a été trouvé sur cet ordinateur.",
         MsgIcon::Critical},
        {HandInReport(Failure(MailFailure::Kind::NotPrepared)),
         notSent + "Le message n'a pas pu être préparé dans le dossier temporaire.", MsgIcon::Critical},
        {HandInReport(Failure(MailFailure::Kind::DidNotStart)), notSent + program + " n'a pas pu être lancé.",
         MsgIcon::Critical},
        {HandInReport(Failure(MailFailure::Kind::NoAnswer, 0, 60)),
         notSent + program + " n'a pas répondu en 60 secondes : l'envoi a été abandonné.", MsgIcon::Critical},
        {HandInReport(Failure(MailFailure::Kind::Crashed)), notSent + program + " s'est arrêté anormalement.",
         MsgIcon::Critical},
        // What the program said follows on its own lines, cut after 400 characters.
        {HandInReport(Failure(MailFailure::Kind::ErrorCode, 75, 0, {"550 5.1.1 inconnu", "fin"})),
         notSent + program + " a signalé une erreur (code 75).\r550 5.1.1 inconnu\rfin", MsgIcon::Critical},
        {HandInReport(Failure(MailFailure::Kind::Crashed, 0, 0, {QString(500, u'x')})),
         notSent + program + " s'est arrêté anormalement.\r" + QString(400, u'x') + "…", MsgIcon::Critical},
    };
    for (const Case& c : cases) {
        const HandInMessage message = HandInMessageFor(c.report);
        EXPECT_EQ(message.text, c.text);
        EXPECT_EQ(message.icon, c.icon) << c.text.toStdString();
    }
}

TEST_F(ProgressWindowTest, OutcomesAreToldInAMessageBoxTitledMirlo)
{
    windows.report(HandInReport(Kind::HttpStatus, 403));
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Echec du transfert, code de réponse HTTP = 403");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
}

// ---- Uploads to the reference server through the real windows ---------------------

namespace {

// Calls back each time a progress window is shown (once per pass), so a
// test can act while that pass's request is running.
class ShowWatcher final : public QObject {
public:
    using Callback = std::function<void(ProgressWindow* window, int pass)>;
    explicit ShowWatcher(Callback callback) : m_callback(std::move(callback))
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* window = qobject_cast<ProgressWindow*>(watched))
                m_callback(window, shown++);
        }
        return false;
    }

private:
    Callback m_callback;
};

} // namespace

class UploadWindowTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        ASSERT_TRUE(startServer());
        useServerAsProxy();
    }

    HandInWindows windows;
    UploadSession session{windows};
};

TEST_F(UploadWindowTest, EscapeAnsweredYesAbandonsAtOnceAndDeletesTheTestFile)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject(), QJsonObject{{"delay", 30}}});
    prompter.answers = {MsgAnswer::Yes};
    bool hiddenAfterYes = false;
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        if (pass != 1)
            return;
        whenLogged(window, 2, [&, window] {
            QTest::keyClick(window, Qt::Key_Escape);
            hiddenAfterYes = !window->isVisible();
        });
    });
    handIn(session, settings, rec);

    EXPECT_TRUE(hiddenAfterYes);
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[0].text, kQuestion);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompter.messages[1].text, Told(Kind::Abandoned));
    EXPECT_EQ(prompter.messages[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_TRUE(session.abandonRequested());
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    EXPECT_EQ(session.view(), nullptr);
}

TEST_F(UploadWindowTest, AbandonInPassZeroSendsNoFurtherPass)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject{{"delay", 30}}});
    prompter.answers = {MsgAnswer::Yes};
    ShowWatcher watcher(
        [&](ProgressWindow* window, int) { whenLogged(window, 1, [window] { window->close(); }); });
    handIn(session, settings, rec);
    EXPECT_EQ(prompter.texts(), (QStringList{kQuestion, Told(Kind::Abandoned)}));
    EXPECT_EQ(watcher.shown, 1);
    EXPECT_EQ(server->log().size(), 1);
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(UploadWindowTest, AnsweringNoKeepsTheTransferGoing)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject{{"delay", 1}}, QJsonObject{{"delay", 1}}});
    prompter.answers = {MsgAnswer::No, MsgAnswer::No};
    bool visibleAfterNo = false;
    bool abandonAfterNo = true;
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        whenLogged(window, pass + 1, [&, window, pass] {
            if (pass == 0) {
                QTest::keyClick(window, Qt::Key_Escape);
            } else {
                window->close();
                visibleAfterNo = window->isVisible();
                abandonAfterNo = session.abandonRequested();
            }
        });
    });
    handIn(session, settings, rec);
    EXPECT_TRUE(visibleAfterNo);
    EXPECT_FALSE(abandonAfterNo);
    EXPECT_EQ(prompter.texts(), (QStringList{kQuestion, kQuestion, Told(Kind::Transferred)}));
    EXPECT_EQ(server->log().size(), 2);
}

TEST_F(UploadWindowTest, ProgressWindowIsShownNotModalWithItsTitleAndReachesFullProgress)
{
    const QString rec = makeRecording("Cours.mp3", 1500000);
    server->scriptNext({QJsonObject(), QJsonObject{{"delay", 1}}});
    bool modal = true;
    QString title;
    int lastValue = -1;
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        modal = window->isModal();
        title = window->windowTitle();
        if (pass == 1) {
            auto* probe = new QTimer(window);
            QObject::connect(probe, &QTimer::timeout, window,
                             [&, window] { lastValue = Bar(*window)->percent(); });
            probe->start(20);
        }
    });
    handIn(session, settings, rec);
    EXPECT_FALSE(modal);
    EXPECT_EQ(title, "Progression du téléchargement");
    // The whole body was sent before the delayed reply came back.
    EXPECT_EQ(lastValue, 100);
    EXPECT_EQ(prompter.texts(), QStringList{Told(Kind::Transferred)});
}

TEST_F(UploadWindowTest, SplitWindowsShowTheFileCountAndTheFileOnItsWay)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    QStringList titles, files;
    ShowWatcher watcher([&](ProgressWindow* w, int) {
        auto* f = qobject_cast<SplitUploadProgressWindow*>(w);
        ASSERT_NE(f, nullptr);
        titles << Control<QLabel>(*f, "lblTitre")->text();
        files << Control<QLabel>(*f, "lblFiles")->text();
    });
    handIn(session, settings, rec);

    EXPECT_EQ(files, (QStringList{"Transfert du fichier 0 sur 3", "Transfert du fichier 1 sur 3",
                                  "Transfert du fichier 2 sur 3", "Transfert du fichier 3 sur 3"}));
    EXPECT_EQ(titles, QStringList(4, "Transfert de l'enregistrement en 3 fichiers."));
    EXPECT_EQ(prompter.texts(), QStringList{Told(Kind::Transferred)});
    EXPECT_EQ(session.view(), nullptr);
}

TEST_F(UploadWindowTest, SplitAbandonDuringAPieceStopsQuietlyAndCleansUp)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    server->scriptNext({QJsonObject(), QJsonObject{{"delay", 30}}});
    prompter.answers = {MsgAnswer::Yes};
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        if (pass == 1)
            whenLogged(window, 2, [window] { window->close(); });
    });
    handIn(session, settings, rec);
    EXPECT_EQ(prompter.texts(), (QStringList{kQuestion, Told(Kind::Abandoned)}));
    EXPECT_EQ(watcher.shown, 2);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}
