// What a screen reader finds in each of Mirlo's windows: every control's role,
// French name and description, and the Tab key's path from top to bottom.
#include "tests/support/accessibility.h"
#include "tests/windows/mainwindowtest.h"
#include "tests/windows/settingsdialogtest.h"

#include "send/uploadsession.h"
#include "windows/aboutbox.h"
#include "windows/imagebutton.h"
#include "windows/progresswindow.h"
#include "windows/splituploadprogresswindow.h"
#include "windows/uploadprogresswindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using R = QAccessible::Role;

namespace {

void Show(QWidget& window)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

} // namespace

TEST_F(MainWindowTest, ScreenReaderMeetsEveryControl)
{
    writeSettings();
    MainWindow& w = start();
    Show(w);
    ExpectAccessible(w, {
                            {"Pict_Fond", R::Graphic, "Fond de la fenêtre", true},
                            {"Label5", R::StaticText, "Mirlo - Enregistrement  Mp3"},
                            {"Image3", R::Graphic, "Aide Mirlo", true},
                            {"Image2", R::Graphic, "Fermer Mirlo", true},
                            {"Image1", R::Graphic, "Micro"},
                            {"Label1_4", R::StaticText, "Périphérique d'enregistrement :"},
                            {"Periph", R::ComboBox, "Périphérique d'enregistrement", true},
                            {"Label1_5", R::StaticText, "Fréquence  :"},
                            {"text2", R::ComboBox, "Fréquence", true},
                            {"Label1_6", R::StaticText, "Bitrate :"},
                            {"Text3", R::ComboBox, "Bitrate", true},
                            {"Label1_7", R::StaticText, "Qualité :"},
                            {"Text4", R::ComboBox, "Qualité", true},
                            {"Label1_8", R::StaticText, "Fichier :"},
                            {"Text5", R::EditableText, "Fichier", true},
                            {"browsebt", R::Button, "Choisir le fichier", true},
                            {"Label1_0", R::StaticText, "Durée :"},
                            {"Text1_2", R::EditableText, "Durée", true},
                            {"Label1_1", R::StaticText, "Durée encodée :"},
                            {"Text1_0", R::EditableText, "Durée encodée", true},
                            {"Label1_2", R::StaticText, "Octets écrits :"},
                            {"Text1_1", R::EditableText, "Octets écrits", true},
                            {"Recbt", R::Button, "Enregistrer"},
                            {"Pausebt", R::Button, "Pause"},
                            {"stopbt", R::Button, "Stop"},
                            {"Playbt", R::Button, "Playback : écouter l'enregistrement"},
                            {"Envoi", R::Button, "Envoyer par email"},
                            {"Command1", R::Button, "Nouvel enregistrement", true},
                            {"Command2", R::Button, "Infos", true},
                        });
    ExpectTabOrder(w, {"Periph", "text2", "Text3", "Text4", "Text5", "browsebt", "Recbt", "Pausebt", "stopbt",
                       "Playbt", "Envoi", "Command1", "Command2"});

    // Buttons off at start-up say so; the pause button's name follows its caption.
    QAccessibleInterface* pause = QAccessible::queryAccessibleInterface(Control<QWidget>(w, "Pausebt"));
    EXPECT_TRUE(pause->state().disabled);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(Control<QWidget>(w, "Recbt"))->state().disabled);
    Control<ImageButton>(w, "Pausebt")->ChangeCaption(QStringLiteral("Continuer"));
    EXPECT_EQ(pause->text(QAccessible::Name), "Continuer");
}

TEST_F(SettingsDialogTest, ScreenReaderMeetsEveryControl)
{
    SettingsDialog& d = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    ExpectAccessible(
        d, {
               {"Frame1_0", R::Grouping, "Informations pour l'envoi des fichiers"},
               {"txtMail", R::EditableText, "Votre adresse email", true},
               {"txtDest", R::EditableText, "Adresse email destinataire", true},
               {"txtSiteWeb", R::EditableText, "Adresse du site Web", true},
               {"txtLogin", R::EditableText, "Votre login sur le site", true},
               {"txtPassword", R::EditableText, "Votre mot de passe sur le site", true},
               {"Frame3", R::Grouping, "Paramètres de Proxy"},
               {"txtProxy", R::EditableText, "Adresse du proxy", true},
               {"txtPort", R::EditableText, "Port du proxy", true},
               {"Frame2", R::Grouping, "Mode d'envoi"},
               {"Option1_1", R::RadioButton, "Téléchargement sur le site Web", true},
               {"Option1_0", R::RadioButton, "Envoi par email", true},
               {"Frame1_1", R::Grouping, "Paramètres du logiciel"},
               {"OptLycee_0", R::RadioButton, "Vous travaillez au lycée : oui", true},
               {"OptLycee_1", R::RadioButton, "Vous travaillez au lycée : non", true},
               {"cmdBrowser", R::Button, "Parcourir : emplacement du dossier d'enregistrement", true},
               {"txtDossier", R::EditableText, "Nom du répertoire d'enregistrement", true},
               {"Label1_4", R::StaticText, "Chemin complet du répertoire d'enregistrement :"},
           });
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(option("OptLycee_0"))->state().checked);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(option("OptLycee_1"))->state().checked);
    ExpectTabOrder(d, {"txtMail", "txtDest", "txtSiteWeb", "txtLogin", "txtPassword", "txtProxy", "txtPort",
                       "Option1_1", "Option1_0", "OptLycee_0", "OptLycee_1", "cmdBrowser", "txtDossier"});
}

namespace {

class AccessibleWindows : public MirloTest {
protected:
    FakeMainWindow main;
    HandInWindows windows;
    UploadSession session{windows};
};

} // namespace

TEST_F(AccessibleWindows, AboutBox)
{
    AboutBox box(main, settings);
    Show(box);
    ExpectAccessible(box, {
                              {"Image1", R::Graphic, "Logo de Mirlo"},
                              {"Label5", R::StaticText, "Mirlo"},
                              {"lblCompany", R::Link, "Projet Mirlo", true},
                              {"Label4", R::Link, "mirlo@example.org", true},
                              {"cmdAide", R::Button, "Aide", true},
                              {"Command2", R::Button, "Modifier les paramètres"},
                              {"Command1", R::Button, "OK", true},
                          });
    ExpectTabOrder(box, {"lblCompany", "Label4", "cmdAide", "Command2", "Command1"});
}

TEST_F(AccessibleWindows, UploadProgressWindows)
{
    for (UploadViewKind kind : {UploadViewKind::Single, UploadViewKind::Split}) {
        auto& window = dynamic_cast<ProgressWindow&>(session.openView(kind));
        Show(window);
        window.setProgress(40);
        ExpectAccessible(window,
                         {
                             {"Label1", R::StaticText, "Veuillez patienter jusqu'à la fin du transfert"},
                             {"pgrr", R::Client, "Progression du transfert", true},
                         });
        EXPECT_EQ(QAccessible::queryAccessibleInterface(Control<QWidget>(window, "pgrr"))
                      ->text(QAccessible::Description),
                  "40 %");
        session.closeView();
    }
}

// Each key that opens a list that drops down opens an option box's list;
// Escape closes it unchanged, and the arrows start from the current choice.
TEST_F(MainWindowTest, KeysOpenTheOptionLists)
{
    writeSettings();
    MainWindow& w = start();
    Show(w);
    auto* box = Control<QLineEdit>(w, "text2");
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Space, Qt::NoModifier},
                                                              {Qt::Key_Return, Qt::NoModifier},
                                                              {Qt::Key_Enter, Qt::KeypadModifier},
                                                              {Qt::Key_F4, Qt::NoModifier},
                                                              {Qt::Key_Down, Qt::AltModifier}};
    for (const auto& [key, modifiers] : keys) {
        QString opened;
        QTimer::singleShot(0, &w, [&opened] {
            if (QWidget* list = QApplication::activePopupWidget()) {
                opened = list->objectName();
                QTest::keyClick(list, Qt::Key_Escape);
            }
        });
        QTest::keyClick(box, key, modifiers);
        EXPECT_EQ(opened, "cfe") << "key " << key;
        EXPECT_EQ(box->text(), "44100 Hz");
    }
    // Opened by a screen reader's action, then Down and Enter: the next rate.
    QTimer::singleShot(0, &w, [] {
        QTimer::singleShot(0, [] {
            if (QWidget* list = QApplication::activePopupWidget()) {
                QTest::keyClick(list, Qt::Key_Down);
                QTest::keyClick(list, Qt::Key_Return);
            }
        });
    });
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(box);
    ASSERT_TRUE(
        reader->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    reader->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(QTest::qWaitFor([box] { return box->text() == "48000 Hz"; }, 3000));
    EXPECT_EQ(key("Config", "Freq"), "3");
}
