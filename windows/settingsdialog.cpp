#include "windows/settingsdialog.h"

#include "config/password.h"
#include "config/siteaddress.h"
#include "config/validemail.h"
#include "foundation/helpfile.h"
#include "windows/mainwindowlink.h"
#include "foundation/recordingname.h"
#include "foundation/seams.h"
#include "foundation/settings.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kSep = QString(QDir::separator());

QString MissingHelpMenu() { return QStringLiteral("Le fichier d'aide n'a pas été trouvé !"); }
QString MissingHelpKey() { return QStringLiteral("Le fichier d'aide n'a pa sété trouvé"); }

QString BadAddress(const QString& address)
{
    return QStringLiteral(" L'adresse \"") + address + QStringLiteral("\" n'est pas correcte.");
}

QLabel* MakeLabel(const QString& name, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

QLineEdit* MakeBox(const QString& name, const QString& tip)
{
    auto* box = new QLineEdit;
    box->setObjectName(name);
    box->setToolTip(tip);
    return box;
}

QRadioButton* MakeOption(const QString& name, const QString& text)
{
    auto* option = new QRadioButton(text);
    option->setObjectName(name);
    return option;
}

QString ReadOrZ(const QString& section, const QString& key, const QString& file)
{
    const QString value = ReadSetting(section, key, file);
    return value.isEmpty() ? QStringLiteral("Z:") : value;
}

// The school share must already be there: only its Mirlo folder is made.
void MakeSchoolFolder(const QString& folder) { QDir().mkdir(folder); }
// The user's own configuration folder may not exist yet on a new account.
void MakeHomeFolder(const QString& folder) { QDir().mkpath(folder); }

} // namespace

SettingsDialog::SettingsDialog(MainWindowLink& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setWindowTitle(QStringLiteral("Enregistrement Mp3 - Paramétrage"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The main window decides when the program ends, even while it is hidden.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls();
    WatchKeys(this);
    FillFromSettings();
    m_loaded = true;
}

void SettingsDialog::BuildControls()
{
    auto* menuBar = new QMenuBar(this);
    auto* mnuFichier = menuBar->addMenu(QStringLiteral("Fichier"));
    mnuFichier->setObjectName(QStringLiteral("mnuFichier"));
    mnuImport = mnuFichier->addAction(QStringLiteral("Importer des paramètres"));
    mnuImport->setObjectName(QStringLiteral("mnuImport"));
    mnuQuitter = mnuFichier->addAction(QStringLiteral("Quitter"));
    mnuQuitter->setObjectName(QStringLiteral("mnuQuitter"));
    mnuValider = menuBar->addAction(QStringLiteral("Valider"));
    mnuValider->setObjectName(QStringLiteral("mnuValider"));
    mnuAide = menuBar->addAction(QStringLiteral("Aide"));
    mnuAide->setObjectName(QStringLiteral("mnuAide"));

    // Sending information.
    auto* frameSend = new QGroupBox(QStringLiteral("Informations pour l'envoi des fichiers"));
    frameSend->setObjectName(QStringLiteral("Frame1_0"));
    auto* sendGrid = new QGridLayout(frameSend);
    txtMail = MakeBox(QStringLiteral("txtMail"), QStringLiteral("Tapez ici votre adresse email"));
    txtDest = MakeBox(QStringLiteral("txtDest"),
                      QStringLiteral("Tapez ici l'adresse email du destinataire des fichiers"));
    txtSiteWeb = MakeBox(QStringLiteral("txtSiteWeb"),
                         QStringLiteral("Tapez l'adresse du site Web (sans http://)"));
    txtLogin = MakeBox(QStringLiteral("txtLogin"),
                       QStringLiteral("Tapez ici le login qui vous a été remis en début d'année par votre professeur"));
    txtPassword = MakeBox(QStringLiteral("txtPassword"), QStringLiteral("Tapez ici le mot de passe du site Web"));
    const struct {
        const char* label;
        QString text;
        QLineEdit* box;
    } rows[] = {
        {"Label1_1", QStringLiteral("Votre adresse email :"), txtMail},
        {"Label1_0", QStringLiteral("Adresse email destinataire :"), txtDest},
        {"Label1_6", QStringLiteral("Adresse du site Web :"), txtSiteWeb},
        {"Label1_2", QStringLiteral("Votre login sur le site :"), txtLogin},
        {"Label1_7", QStringLiteral("Votre mot de passe sur le site :"), txtPassword},
    };
    int row = 0;
    for (const auto& r : rows) {
        sendGrid->addWidget(MakeLabel(QLatin1String(r.label), r.text), row, 0);
        sendGrid->addWidget(r.box, row, 1);
        ++row;
    }

    auto* frameProxy = new QGroupBox(QStringLiteral("Paramètres de Proxy"));
    frameProxy->setObjectName(QStringLiteral("Frame3"));
    auto* proxyRow = new QHBoxLayout(frameProxy);
    txtProxy = MakeBox(QStringLiteral("txtProxy"),
                       QStringLiteral("Tapez l'adresse du Proxy s'il y en a un.(p. ex. 172.20.0.254)"));
    txtPort = MakeBox(QStringLiteral("txtPort"), QStringLiteral("Tapez le n° du port du Proxy. (p. ex. 3128)"));
    proxyRow->addWidget(MakeLabel(QStringLiteral("Label1_8"), QStringLiteral("Adresse du proxy :")));
    proxyRow->addWidget(txtProxy, 3);
    proxyRow->addWidget(MakeLabel(QStringLiteral("Label1_9"), QStringLiteral("Port :")));
    proxyRow->addWidget(txtPort, 1);
    sendGrid->addWidget(frameProxy, row++, 0, 1, 2);

    auto* frameMode = new QGroupBox(QStringLiteral("Mode d'envoi"));
    frameMode->setObjectName(QStringLiteral("Frame2"));
    auto* modeRow = new QHBoxLayout(frameMode);
    Option1[1] = MakeOption(QStringLiteral("Option1_1"), QStringLiteral("Téléchargement sur le site Web"));
    Option1[0] = MakeOption(QStringLiteral("Option1_0"), QStringLiteral("Envoi par email"));
    modeRow->addWidget(Option1[1]);
    modeRow->addWidget(Option1[0]);
    sendGroup = new QButtonGroup(this);
    sendGroup->addButton(Option1[0], 0);
    sendGroup->addButton(Option1[1], 1);
    sendGrid->addWidget(frameMode, row++, 0, 1, 2);

    // Program settings.
    auto* frameProgram = new QGroupBox(QStringLiteral("Paramètres du logiciel"));
    frameProgram->setObjectName(QStringLiteral("Frame1_1"));
    auto* programGrid = new QGridLayout(frameProgram);
    auto* placeRow = new QHBoxLayout;
    OptLycee[0] = MakeOption(QStringLiteral("OptLycee_0"), QStringLiteral("Oui"));
    OptLycee[1] = MakeOption(QStringLiteral("OptLycee_1"), QStringLiteral("Non"));
    OptLycee[1]->setChecked(true);
    placeRow->addWidget(OptLycee[0]);
    placeRow->addWidget(OptLycee[1]);
    placeRow->addStretch();
    placeGroup = new QButtonGroup(this);
    placeGroup->addButton(OptLycee[0], 0);
    placeGroup->addButton(OptLycee[1], 1);
    programGrid->addWidget(MakeLabel(QStringLiteral("lblLycee"), QStringLiteral("Vous travaillez au lycée :")), 0, 0);
    programGrid->addLayout(placeRow, 0, 1);

    cmdBrowser = new QPushButton(QStringLiteral("Parcourir"));
    cmdBrowser->setObjectName(QStringLiteral("cmdBrowser"));
    cmdBrowser->setToolTip(QStringLiteral("Dossier dans lequel vous souhaitez créer le répertoire des enregistrements"));
    cmdBrowser->setAutoDefault(false);
    programGrid->addWidget(MakeLabel(QStringLiteral("Label1_5"),
                                     QStringLiteral("Emplacement du dossier d'enregistrement :")), 1, 0);
    programGrid->addWidget(cmdBrowser, 1, 1, Qt::AlignLeft);

    txtDossier = MakeBox(QStringLiteral("txtDossier"),
                         QStringLiteral("Nom que vous souhaitez donner au dossier qui contiendra les enregistrements"));
    programGrid->addWidget(MakeLabel(QStringLiteral("Label1_3"), QStringLiteral("Nom du répertoire d'enregistrement :")), 2, 0);
    programGrid->addWidget(txtDossier, 2, 1);

    lblDossier = MakeLabel(QStringLiteral("lblDossier"), QString());
    lblDossier->setMinimumWidth(320);
    programGrid->addWidget(MakeLabel(QStringLiteral("Label1_4"),
                                     QStringLiteral("Chemin complet du répertoire d'enregistrement :")), 3, 0);
    programGrid->addWidget(lblDossier, 3, 1);

    txtPath = new QLineEdit(this);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->hide();
    Command1 = new QPushButton(QStringLiteral("Valider"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->hide();
    cmdAide = new QPushButton(QStringLiteral("Aide"), this);
    cmdAide->setObjectName(QStringLiteral("cmdAide"));
    cmdAide->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(frameSend);
    layout->addWidget(frameProgram);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* order[] = {txtMail, txtDest, txtSiteWeb, txtLogin, txtPassword, txtProxy, txtPort,
                        cmdBrowser, txtDossier, Option1[1], Option1[0], OptLycee[1], OptLycee[0]};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(mnuImport, &QAction::triggered, this, &SettingsDialog::ImportParameters);
    connect(mnuQuitter, &QAction::triggered, this, &QWidget::close);
    connect(mnuValider, &QAction::triggered, this, &SettingsDialog::ValidateAndSave);
    connect(Command1, &QPushButton::clicked, this, &SettingsDialog::ValidateAndSave);
    connect(mnuAide, &QAction::triggered, this, [this] { ShowHelp(MissingHelpMenu()); });
    connect(cmdAide, &QPushButton::clicked, this, [this] { ShowHelp(MissingHelpMenu()); });
    connect(cmdBrowser, &QPushButton::clicked, this, &SettingsDialog::ChooseLocation);
    connect(txtDossier, &QLineEdit::textChanged, this, &SettingsDialog::RefreshFullPath);
    // Only a button being switched on is a selection change, whether by a
    // click or by the fill.
    connect(OptLycee[0], &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SwitchMode(true);
    });
    connect(OptLycee[1], &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SwitchMode(false);
    });
}

void SettingsDialog::WatchKeys(QWidget* widget)
{
    // The menu bar keeps its own keyboard handling.
    if (qobject_cast<QMenuBar*>(widget))
        return;
    widget->installEventFilter(this);
    for (QObject* child : widget->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
            WatchKeys(w);
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool SettingsDialog::HandleKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ValidateAndSave();
        return true;
    case Qt::Key_F1:
        ShowHelp(MissingHelpKey());
        return true;
    default:
        return false;
    }
}

void SettingsDialog::ShowHelp(const QString& missingText)
{
    if (!OpenHelpFile())
        MsgBox(missingText, MsgIcon::Exclamation);
}

void SettingsDialog::FillFromSettings()
{
    SharedValues& s = Shared();
    const QString program = ProgramSettingsFile();
    s.location = ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), program);
    s.perso = ReadOrZ(QStringLiteral("IniPath"), QStringLiteral("Perso"), program);
    // Switching an option on runs the mode switch right here, which fills
    // again; switching it to the state it has does nothing.
    if (!IsSchoolLocation(s.location)) {
        s.settingsFolder = JoinPath(AppDataFolder(), QStringLiteral("Mirlo"));
        MakeHomeFolder(s.settingsFolder);
        OptLycee[1]->setChecked(true);
    } else {
        s.settingsFolder = JoinPath(s.perso, QStringLiteral("Mirlo"));
        MakeSchoolFolder(s.settingsFolder);
        OptLycee[0]->setChecked(true);
    }

    const QString working = WorkingSettingsFile();
    auto read = [&working](const char* section, const char* key) {
        return ReadSetting(QLatin1String(section), QLatin1String(key), working);
    };
    s.sender = read("email", "Expediteur");
    s.recipient = read("email", "Destinataire");
    s.pupilName = read("email", "Nom").toUpper();
    s.recordingFolder = read("Config", "Dossier");
    s.webSite = read("Web", "Site");
    s.sendMode = read("Web", "mode");
    s.proxyHost = read("Web", "Proxy");
    s.proxyPortText = read("Web", "ProxyPort");
    s.webPassword = UnscrambleSetting(read("Web", "Password"));

    txtDest->setText(s.recipient);
    txtMail->setText(s.sender);
    txtLogin->setText(s.pupilName);
    lblDossier->setText(s.recordingFolder);

    if (!s.recordingFolder.isEmpty()) {
        const qsizetype cut = s.recordingFolder.lastIndexOf(kSep);
        // The location goes in before the name, so the name's change shows
        // the full path that validating would store.
        txtPath->setText(cut < 0 ? s.recordingFolder : s.recordingFolder.left(cut));
        txtDossier->setText(s.recordingFolder.mid(cut + 1));
    }

    txtSiteWeb->setText(s.webSite);
    txtPassword->setText(s.webPassword);
    txtProxy->setText(s.proxyHost);
    txtPort->setText(s.proxyPortText);

    if (s.sendMode == QLatin1String("web"))
        Option1[1]->setChecked(true);
    else if (s.sendMode == QLatin1String("mail"))
        Option1[0]->setChecked(true);
}

void SettingsDialog::SwitchMode(bool school)
{
    SharedValues& s = Shared();
    const QString program = ProgramSettingsFile();
    if (school) {
        s.location = QStringLiteral("Lycee");
        s.perso = ReadOrZ(QStringLiteral("IniPath"), QStringLiteral("Perso"), program);
        s.settingsFolder = JoinPath(s.perso, QStringLiteral("Mirlo"));
        MakeSchoolFolder(s.settingsFolder);
        s.sendMode = QStringLiteral("web");
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), QStringLiteral("Lycee"), program);
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Perso"), s.perso, program);
        const QString working = WorkingSettingsFile();
        if (!FileExists(working) && FileExists(program) && QFile::copy(program, working))
            QFile::setPermissions(working, QFile::ReadOwner | QFile::WriteOwner);
        WriteSetting(QStringLiteral("Web"), QStringLiteral("mode"), QStringLiteral("web"), working);
        // No e-mail sending at school.
        Option1[1]->setChecked(true);
        Option1[0]->setEnabled(false);
    } else {
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), QStringLiteral("home"), program);
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), QStringLiteral("home"),
                     WorkingSettingsFile());
        s.settingsFolder = JoinPath(AppDataFolder(), QStringLiteral("Mirlo"));
        MakeHomeFolder(s.settingsFolder);
        OptLycee[1]->setChecked(true);
        Option1[0]->setEnabled(true);
    }
    FillFromSettings();
}

void SettingsDialog::ValidateAndSave()
{
    const QString dest = txtDest->text();
    const QString mail = txtMail->text();
    // Only a text of length zero is empty: blanks pass.
    const struct {
        bool failed;
        QString message;
    } checks[] = {
        {dest.isEmpty(), QStringLiteral("Vous n'avez pas saisi l'adresse du destinataire !")},
        {!IsValidEmail(dest), BadAddress(dest)},
        {mail.isEmpty(), QStringLiteral("Vous n'avez pas saisi votre adresse email !")},
        {!IsValidEmail(mail), BadAddress(mail)},
        {txtLogin->text().isEmpty(),
         QStringLiteral("Vous n'avez pas saisi votre login (nom de connexion sur le site Web) !\r"
                        "Si vous n'avez pas de login, tapez votre nom.")},
        {txtSiteWeb->text().isEmpty(), QStringLiteral("Vous n'avez pas saisi l'adresse du site Web !")},
        {txtPassword->text().isEmpty(), QStringLiteral("Vous n'avez pas saisi votre mot de passe sur le site web !")},
    };
    for (const auto& check : checks) {
        if (check.failed) {
            MsgBox(check.message, MsgIcon::Exclamation);
            return;
        }
    }

    SharedValues& s = Shared();
    s.recipient = dest;
    s.sender = mail;
    s.pupilName = txtLogin->text().toUpper();
    s.webSite = CleanSiteAddress(txtSiteWeb->text());
    s.webPassword = txtPassword->text();
    s.proxyHost = txtProxy->text();
    s.proxyPortText = txtPort->text();
    const QString storedPassword = EncodePassword(s.webPassword);

    if (Option1[1]->isChecked()) {
        s.sendMode = QStringLiteral("web");
        m_main.setSendCaption(QStringLiteral("Envoyer sur le site"));
    }
    if (Option1[0]->isChecked()) {
        s.sendMode = QStringLiteral("mail");
        m_main.setSendCaption(QStringLiteral("Envoyer par email"));
    }
    s.recordingFolder = txtPath->text() + kSep + txtDossier->text();

    const struct {
        const char* section;
        const char* key;
        QString value;
    } keys[] = {
        {"Web", "Site", s.webSite},
        {"Web", "Password", storedPassword},
        {"Web", "mode", s.sendMode},
        {"Web", "Proxy", s.proxyHost},
        {"Web", "ProxyPort", s.proxyPortText},
        {"email", "Destinataire", s.recipient},
        {"email", "Expediteur", s.sender},
        {"email", "Nom", s.pupilName},
        {"Config", "Dossier", s.recordingFolder},
        {"IniPath", "Location", s.location},
        {"IniPath", "Perso", s.perso},
    };
    for (const QString& file : {WorkingSettingsFile(), ProgramSettingsFile()})
        for (const auto& k : keys)
            WriteSetting(QLatin1String(k.section), QLatin1String(k.key), k.value, file);

    s.recordingPath = DefaultRecordingPath(s.recordingFolder, s.pupilName, programClock().now());
    m_main.setRecordingPath(s.recordingPath);
    QDir().mkpath(s.recordingFolder);

    MsgBox(QStringLiteral("Vous pouvez modifier ces paramètres ultérieurement\ren cliquant sur le bouton "
                          "\"Infos\" dans la fenêtre du logiciel."),
           MsgIcon::Information);
    hide();
    m_main.showMainWindow();
}

void SettingsDialog::ImportParameters()
{
    const QString programFolder = ProgramFolder();
    QDir::setCurrent(programFolder);
    FileRequest request;
    request.title = QStringLiteral("Fichier de paramètres à importer");
    request.initialFolder = programFolder;
    request.defaultSuffix = QStringLiteral("prm");
    request.filter = QStringLiteral("Fichiers prm|*.prm");
    const QString chosen = prompt().openFileName(request);
    if (chosen.isEmpty())
        return;

    // The working file of the moment the import starts, even when the
    // imported Perso moves the settings folder.
    const QString working = WorkingSettingsFile();
    const QString program = ProgramSettingsFile();
    const struct {
        const char* section;
        const char* key;
        bool evenEmpty;
    } entries[] = {
        {"Web", "Upload", false},  {"Web", "Site", false},     {"email", "Destinataire", false},
        {"Web", "Proxy", true},    {"Web", "ProxyPort", true}, {"IniPath", "Perso", true},
    };
    QString everything;
    for (const auto& e : entries) {
        const QString section = QLatin1String(e.section);
        const QString key = QLatin1String(e.key);
        const QString value = ReadSetting(section, key, chosen);
        if (e.evenEmpty || !value.isEmpty()) {
            WriteSetting(section, key, value, working);
            WriteSetting(section, key, value, program);
        }
        everything += value;
    }
    if (everything.isEmpty())
        MsgBox(QStringLiteral("paramètres non valides !"), MsgIcon::Critical);
    FillFromSettings();
}

QString SettingsDialog::BrowseFolder(const QString& title) { return prompt().folder(title); }

void SettingsDialog::ChooseLocation()
{
    QString folder = BrowseFolder(QStringLiteral("Dans quel dossier voulez-vous créer le répertoire d'enregistrement ?"));
    // A root comes back with its separator ("/" here, "C:\" on Windows).
    if (folder.endsWith(kSep))
        folder.chop(1);
    txtPath->setText(folder);
    RefreshFullPath();
}

void SettingsDialog::RefreshFullPath() { lblDossier->setText(txtPath->text() + kSep + txtDossier->text()); }

void SettingsDialog::showEvent(QShowEvent* event)
{
    if (!m_loaded) {
        FillFromSettings();
        m_loaded = true;
    }
    QWidget::showEvent(event);
}

void SettingsDialog::unload()
{
    m_unloading = true;
    close();
    m_unloading = false;
}

void SettingsDialog::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_loaded = false;
    if (m_unloading)
        return;
    if (Shared().settingsComplete) {
        m_main.showMainWindow();
        return;
    }
    // A first run left unfinished: nothing is recording yet, so the orderly
    // shutdown is all there is to do.
    MainWindowLink& main = m_main;
    main.closeOtherWindows();
    EndProgram();
}
