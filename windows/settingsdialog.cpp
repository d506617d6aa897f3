#include "windows/settingsdialog.h"

#include "config/parameterimport.h"
#include "config/settingsform.h"
#include "config/settingsmessages.h"
#include "foundation/helpfile.h"
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/mainwindowlink.h"
#include "windows/screenreadernames.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
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
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kSep = QString(QDir::separator());

QString MissingHelpMenu() { return QStringLiteral("Le fichier d'aide n'a pas été trouvé !"); }
QString MissingHelpKey() { return QStringLiteral("Le fichier d'aide n'a pas été trouvé"); }
QString ModeSetByAdministratorText()
{
    return QStringLiteral(
        "Le mode lycée est réglé par l'administrateur de cet ordinateur : vous ne pouvez pas "
        "le changer ici.");
}

QLabel* MakeLabel(const QString& name, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

} // namespace

// A path shown whole when it fits, else shortened in the middle, and always
// whole in its tooltip. Never wider than a third of the screen, so a long
// folder cannot push the dialog off it.
class PathLabel final : public QLabel {
public:
    void setPath(const QString& path)
    {
        m_path = path;
        setToolTip(path);
        updateGeometry();
        Elide();
    }

    QSize sizeHint() const override
    {
        const QMargins m = contentsMargins();
        const int wanted = fontMetrics().horizontalAdvance(m_path) + m.left() + m.right() + 2 * margin() + 1;
        return {std::clamp(wanted, UsualWidth(), std::max(UsualWidth(), ThirdOfScreen())),
                fontMetrics().height() + m.top() + m.bottom() + 2 * margin()};
    }
    // On a narrow screen it gives way: the tooltip still has the whole path.
    QSize minimumSizeHint() const override { return {MinimumWidth(), sizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    int UsualWidth() const { return fontMetrics().averageCharWidth() * 45; }
    int MinimumWidth() const { return fontMetrics().averageCharWidth() * 20; }
    int ThirdOfScreen() const
    {
        const QScreen* s = screen();
        return s ? s->availableGeometry().width() / 3 : 400;
    }
    void Elide() { setText(fontMetrics().elidedText(m_path, Qt::ElideMiddle, contentsRect().width())); }

    QString m_path;
};

namespace {

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

// French names and descriptions for screen readers: the boxes' captions are
// separate labels, and "Oui", "Non" or "Parcourir" alone say little. The
// boxes' tooltips serve as their descriptions.
void NameDialogControls(QWidget& dialog)
{
    NameForScreenReaders(
        dialog,
        {
            {"txtMail", "Votre adresse email", nullptr},
            {"txtDest", "Adresse email destinataire", nullptr},
            {"txtSiteWeb", "Adresse du site Web", nullptr},
            {"txtLogin", "Votre login sur le site", nullptr},
            {"txtPassword", "Votre mot de passe sur le site", nullptr},
            // A group inside a group would otherwise take the outer one's title.
            {"Frame3", "Paramètres de Proxy", nullptr},
            {"Frame2", "Mode d'envoi", nullptr},
            {"txtProxy", "Adresse du proxy", nullptr},
            {"txtPort", "Port du proxy", nullptr},
            {"Option1_1", nullptr, "Mode d'envoi : les enregistrements sont déposés sur le site Web"},
            {"Option1_0", nullptr,
             "Mode d'envoi : les enregistrements sont envoyés par email au destinataire"},
            {"OptLycee_0", "Vous travaillez au lycée : oui",
             "Vos paramètres sont rangés dans votre dossier du lycée ; l'envoi se fait sur le site Web"},
            {"OptLycee_1", "Vous travaillez au lycée : non",
             "Vos paramètres sont rangés dans votre dossier personnel sur cet ordinateur"},
            {"cmdBrowser", "Parcourir : emplacement du dossier d'enregistrement", nullptr},
            {"txtDossier", "Nom du répertoire d'enregistrement", nullptr},
            {"lblDossier", nullptr, "Chemin complet du répertoire d'enregistrement"},
        });
}

// The school share must already be there: only its Mirlo folder is made.
void MakeSchoolFolder(const QString& folder) { MakeSettingsFolder(folder, false); }
// The user's own configuration folder may not exist yet on a new account.
void MakeHomeFolder(const QString& folder) { MakeSettingsFolder(folder, true); }

// Settings files that are there but were refused (a link, a pipe, a huge
// file) read as empty; the pupil is told once, when the dialog loads.
void WarnAboutRefusedSettingsFiles(const Settings& settings)
{
    for (const QString& file : {settings.programFile(), settings.workingFile()}) {
        const SettingsFileFault fault = LoadProfile(file).fault;
        if (fault != SettingsFileFault::None && fault != SettingsFileFault::Missing)
            MsgBox(SettingsReadFailureText(fault, file), MsgIcon::Exclamation);
    }
}

} // namespace

SettingsDialog::SettingsDialog(MainWindowLink& main, Settings& settings, QWidget* parent)
    : QWidget(parent), m_main(main), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Enregistrement Mp3 - Paramétrage"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // The main window decides when the program ends, even while it is hidden.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls();
    WatchKeys(this);
    FillFromSettings();
    WarnAboutRefusedSettingsFiles(m_settings);
    m_loaded = true;
}

void SettingsDialog::BuildControls()
{
    QMenuBar* menuBar = BuildMenuBar();
    QGroupBox* sending = BuildSendingGroup();
    QGroupBox* program = BuildProgramGroup();

    // On a small screen with large fonts the groups scroll under the menu bar.
    m_content = new QWidget;
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->addWidget(sending);
    contentLayout->addWidget(program);
    contentLayout->addStretch();
    m_scrollArea = new QScrollArea;
    m_scrollArea->setWidget(m_content);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_scrollArea);

    OrderTabs();
    NameDialogControls(*this);
    ConnectControls();
}

QMenuBar* SettingsDialog::BuildMenuBar()
{
    auto* menuBar = new QMenuBar(this);
    auto* fileMenu = menuBar->addMenu(QStringLiteral("Fichier"));
    fileMenu->setObjectName(QStringLiteral("mnuFichier"));
    m_importAction = fileMenu->addAction(QStringLiteral("Importer des paramètres"));
    m_importAction->setObjectName(QStringLiteral("mnuImport"));
    m_quitAction = fileMenu->addAction(QStringLiteral("Quitter"));
    m_quitAction->setObjectName(QStringLiteral("mnuQuitter"));
    m_validateAction = menuBar->addAction(QStringLiteral("Valider"));
    m_validateAction->setObjectName(QStringLiteral("mnuValider"));
    m_helpAction = menuBar->addAction(QStringLiteral("Aide"));
    m_helpAction->setObjectName(QStringLiteral("mnuAide"));
    return menuBar;
}

// Addresses, login and password, with the proxy and the sending mode below.
QGroupBox* SettingsDialog::BuildSendingGroup()
{
    auto* frame = new QGroupBox(QStringLiteral("Informations pour l'envoi des fichiers"));
    frame->setObjectName(QStringLiteral("Frame1_0"));
    auto* grid = new QGridLayout(frame);
    m_senderBox = MakeBox(QStringLiteral("txtMail"), QStringLiteral("Tapez ici votre adresse email"));
    m_recipientBox = MakeBox(QStringLiteral("txtDest"),
                             QStringLiteral("Tapez ici l'adresse email du destinataire des fichiers"));
    m_siteBox =
        MakeBox(QStringLiteral("txtSiteWeb"), QStringLiteral("Tapez l'adresse du site Web (sans http://)"));
    m_loginBox = MakeBox(
        QStringLiteral("txtLogin"),
        QStringLiteral("Tapez ici le login qui vous a été remis en début d'année par votre professeur"));
    m_passwordBox =
        MakeBox(QStringLiteral("txtPassword"), QStringLiteral("Tapez ici le mot de passe du site Web"));
    const struct {
        const char* label;
        QString text;
        QLineEdit* box;
    } rows[] = {
        {"Label1_1", QStringLiteral("Votre adresse email :"), m_senderBox},
        {"Label1_0", QStringLiteral("Adresse email destinataire :"), m_recipientBox},
        {"Label1_6", QStringLiteral("Adresse du site Web :"), m_siteBox},
        {"Label1_2", QStringLiteral("Votre login sur le site :"), m_loginBox},
        {"Label1_7", QStringLiteral("Votre mot de passe sur le site :"), m_passwordBox},
    };
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(MakeLabel(QLatin1String(r.label), r.text), row, 0);
        grid->addWidget(r.box, row, 1);
        ++row;
    }
    grid->addWidget(BuildProxyGroup(), row++, 0, 1, 2);
    grid->addWidget(BuildSendModeGroup(), row++, 0, 1, 2);
    return frame;
}

QGroupBox* SettingsDialog::BuildProxyGroup()
{
    auto* frame = new QGroupBox(QStringLiteral("Paramètres de Proxy"));
    frame->setObjectName(QStringLiteral("Frame3"));
    auto* line = new QHBoxLayout(frame);
    m_proxyBox = MakeBox(QStringLiteral("txtProxy"),
                         QStringLiteral("Tapez l'adresse du Proxy s'il y en a un.(p. ex. 172.20.0.254)"));
    m_portBox =
        MakeBox(QStringLiteral("txtPort"), QStringLiteral("Tapez le n° du port du Proxy. (p. ex. 3128)"));
    line->addWidget(MakeLabel(QStringLiteral("Label1_8"), QStringLiteral("Adresse du proxy :")));
    line->addWidget(m_proxyBox, 3);
    line->addWidget(MakeLabel(QStringLiteral("Label1_9"), QStringLiteral("Port :")));
    line->addWidget(m_portBox, 1);
    return frame;
}

QGroupBox* SettingsDialog::BuildSendModeGroup()
{
    auto* frame = new QGroupBox(QStringLiteral("Mode d'envoi"));
    frame->setObjectName(QStringLiteral("Frame2"));
    auto* line = new QHBoxLayout(frame);
    m_webOption = MakeOption(QStringLiteral("Option1_1"), QStringLiteral("Téléchargement sur le site Web"));
    m_mailOption = MakeOption(QStringLiteral("Option1_0"), QStringLiteral("Envoi par email"));
    line->addWidget(m_webOption);
    line->addWidget(m_mailOption);
    auto* group = new QButtonGroup(this);
    group->addButton(m_mailOption, 0);
    group->addButton(m_webOption, 1);
    return frame;
}

// Where the pupil works and where the recordings go.
QGroupBox* SettingsDialog::BuildProgramGroup()
{
    auto* frame = new QGroupBox(QStringLiteral("Paramètres du logiciel"));
    frame->setObjectName(QStringLiteral("Frame1_1"));
    auto* grid = new QGridLayout(frame);

    auto* placeLine = new QHBoxLayout;
    m_schoolOption = MakeOption(QStringLiteral("OptLycee_0"), QStringLiteral("Oui"));
    m_homeOption = MakeOption(QStringLiteral("OptLycee_1"), QStringLiteral("Non"));
    m_homeOption->setChecked(true);
    placeLine->addWidget(m_schoolOption);
    placeLine->addWidget(m_homeOption);
    placeLine->addStretch();
    auto* placeGroup = new QButtonGroup(this);
    placeGroup->addButton(m_schoolOption, 0);
    placeGroup->addButton(m_homeOption, 1);
    grid->addWidget(MakeLabel(QStringLiteral("lblLycee"), QStringLiteral("Vous travaillez au lycée :")), 0,
                    0);
    grid->addLayout(placeLine, 0, 1);

    m_browseButton = new QPushButton(QStringLiteral("Parcourir"));
    m_browseButton->setObjectName(QStringLiteral("cmdBrowser"));
    m_browseButton->setToolTip(
        QStringLiteral("Dossier dans lequel vous souhaitez créer le répertoire des enregistrements"));
    m_browseButton->setAutoDefault(false);
    grid->addWidget(
        MakeLabel(QStringLiteral("Label1_5"), QStringLiteral("Emplacement du dossier d'enregistrement :")), 1,
        0);
    grid->addWidget(m_browseButton, 1, 1, Qt::AlignLeft);

    m_folderNameBox = MakeBox(
        QStringLiteral("txtDossier"),
        QStringLiteral("Nom que vous souhaitez donner au dossier qui contiendra les enregistrements"));
    grid->addWidget(
        MakeLabel(QStringLiteral("Label1_3"), QStringLiteral("Nom du répertoire d'enregistrement :")), 2, 0);
    grid->addWidget(m_folderNameBox, 2, 1);

    m_fullPathLabel = new PathLabel;
    m_fullPathLabel->setObjectName(QStringLiteral("lblDossier"));
    grid->addWidget(MakeLabel(QStringLiteral("Label1_4"),
                              QStringLiteral("Chemin complet du répertoire d'enregistrement :")),
                    3, 0);
    grid->addWidget(m_fullPathLabel, 3, 1);
    return frame;
}

// Top to bottom, as the dialog reads.
void SettingsDialog::OrderTabs()
{
    QWidget* order[] = {m_senderBox,  m_recipientBox, m_siteBox,      m_loginBox,   m_passwordBox,
                        m_proxyBox,   m_portBox,      m_webOption,    m_mailOption, m_schoolOption,
                        m_homeOption, m_browseButton, m_folderNameBox};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void SettingsDialog::ConnectControls()
{
    connect(m_importAction, &QAction::triggered, this, &SettingsDialog::ImportParameters);
    connect(m_quitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_validateAction, &QAction::triggered, this, &SettingsDialog::ValidateAndSave);
    connect(m_helpAction, &QAction::triggered, this, [this] { ShowHelp(MissingHelpMenu()); });
    connect(m_browseButton, &QPushButton::clicked, this, &SettingsDialog::ChooseLocation);
    connect(m_folderNameBox, &QLineEdit::textChanged, this, &SettingsDialog::RefreshFullPath);
    // Only a button being switched on is a selection change, whether by a
    // click or by the fill.
    connect(m_schoolOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SwitchMode(true);
    });
    connect(m_homeOption, &QRadioButton::toggled, this, [this](bool on) {
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
    case Qt::Key_Enter: ValidateAndSave(); return true;
    case Qt::Key_F1: ShowHelp(MissingHelpKey()); return true;
    default: return false;
    }
}

void SettingsDialog::ShowHelp(const QString& missingText)
{
    switch (OpenHelp(m_settings.programFolder, HelpPage::Settings)) {
    case HelpOpening::Opened: return;
    case HelpOpening::Missing: MsgBox(missingText, MsgIcon::Exclamation); return;
    case HelpOpening::NoBrowser:
        MsgBox(HelpNotOpenedText(HelpPagePath(m_settings.programFolder, HelpPage::Settings)),
               MsgIcon::Exclamation);
        return;
    }
}

void SettingsDialog::FillFromSettings()
{
    Settings& s = m_settings;
    const QString program = s.programFile();
    s.location = ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), program);
    s.perso = StoredPerso(program);
    // Switching an option on runs the mode switch right here, which fills
    // again; switching it to the state it has does nothing.
    if (!IsSchoolLocation(s.location)) {
        s.settingsFolder = JoinPath(AppDataFolder(), QStringLiteral("Mirlo"));
        MakeHomeFolder(s.settingsFolder);
        m_homeOption->setChecked(true);
    } else {
        s.settingsFolder = JoinPath(s.perso, QStringLiteral("Mirlo"));
        MakeSchoolFolder(s.settingsFolder);
        m_schoolOption->setChecked(true);
    }

    const QString working = s.workingFile();
    auto read = [&working](const char* section, const char* key) {
        return ReadSetting(QLatin1String(section), QLatin1String(key), working);
    };
    const QString storedPassword = read("Web", "Password");
    s.sender = read("email", "Expediteur");
    s.recipient = read("email", "Destinataire");
    s.pupilName = read("email", "Nom").toUpper();
    s.recordingFolder = read("Config", "Dossier");
    s.webSite = read("Web", "Site");
    s.sendMode = read("Web", "mode");
    s.proxyHost = read("Web", "Proxy");
    s.proxyPortText = read("Web", "ProxyPort");
    s.webPassword = UnscrambleSetting(storedPassword);

    m_recipientBox->setText(s.recipient);
    m_senderBox->setText(s.sender);
    m_loginBox->setText(s.pupilName);
    m_fullPathLabel->setPath(s.recordingFolder);

    if (!s.recordingFolder.isEmpty()) {
        const qsizetype cut = s.recordingFolder.lastIndexOf(kSep);
        // The location goes in before the name, so the name's change shows
        // the full path that validating would store.
        m_folderLocation = cut < 0 ? s.recordingFolder : s.recordingFolder.left(cut);
        m_folderNameBox->setText(s.recordingFolder.mid(cut + 1));
    }

    m_siteBox->setText(s.webSite);
    m_passwordBox->setText(s.webPassword);
    m_proxyBox->setText(s.proxyHost);
    m_portBox->setText(s.proxyPortText);

    if (s.sendMode == QLatin1String("web"))
        m_webOption->setChecked(true);
    else if (s.sendMode == QLatin1String("mail"))
        m_mailOption->setChecked(true);
}

void SettingsDialog::SwitchMode(bool school)
{
    Settings& s = m_settings;
    const QString program = s.programFile();
    // The shared file decides the mode for every user of the computer; where
    // only the administrator may write it, the pupil cannot change it.
    const QString location = school ? QStringLiteral("Lycee") : QStringLiteral("home");
    if (IsSchoolLocation(ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), program)) !=
            school &&
        WriteSettings(program, {{QStringLiteral("IniPath"), QStringLiteral("Location"), location}},
                      NewFileAccess::Shared) != SettingsFileFault::None) {
        // The options show the stored mode again before the pupil reads why.
        FillFromSettings();
        MsgBox(ModeSetByAdministratorText(), MsgIcon::Information);
        return;
    }
    if (school) {
        s.location = QStringLiteral("Lycee");
        s.perso = StoredPerso(program);
        s.settingsFolder = JoinPath(s.perso, QStringLiteral("Mirlo"));
        MakeSchoolFolder(s.settingsFolder);
        s.sendMode = QStringLiteral("web");
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), QStringLiteral("Lycee"), program,
                     NewFileAccess::Shared);
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Perso"), s.perso, program,
                     NewFileAccess::Shared);
        const QString working = s.workingFile();
        if (!FileExists(working) && FileExists(program))
            CopyProgramSettings(program, working);
        WriteSetting(QStringLiteral("Web"), QStringLiteral("mode"), QStringLiteral("web"), working);
        // No e-mail sending at school.
        m_webOption->setChecked(true);
        m_mailOption->setEnabled(false);
    } else {
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), QStringLiteral("home"), program,
                     NewFileAccess::Shared);
        WriteSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), QStringLiteral("home"),
                     s.workingFile());
        s.settingsFolder = JoinPath(AppDataFolder(), QStringLiteral("Mirlo"));
        MakeHomeFolder(s.settingsFolder);
        m_homeOption->setChecked(true);
        m_mailOption->setEnabled(true);
    }
    FillFromSettings();
}

TypedSettings SettingsDialog::TypedValues() const
{
    TypedSettings typed;
    typed.sender = m_senderBox->text();
    typed.recipient = m_recipientBox->text();
    typed.login = m_loginBox->text();
    typed.site = m_siteBox->text();
    typed.password = m_passwordBox->text();
    typed.proxyHost = m_proxyBox->text();
    typed.proxyPort = m_portBox->text();
    typed.folderLocation = m_folderLocation;
    typed.folderName = m_folderNameBox->text();
    if (m_webOption->isChecked())
        typed.sending = SendChoice::Web;
    else if (m_mailOption->isChecked())
        typed.sending = SendChoice::Mail;
    return typed;
}

void SettingsDialog::ValidateAndSave()
{
    const TypedSettings typed = TypedValues();
    if (const auto complaint = SettingsComplaint(typed)) {
        MsgBox(*complaint, MsgIcon::Exclamation);
        return;
    }
    const SavedSettings saved = SaveSettings(m_settings, typed, programClock().now());
    if (!saved.failure.isEmpty()) {
        // Everything typed stays in the dialog for another try.
        MsgBox(saved.failure, MsgIcon::Critical);
        return;
    }
    if (!saved.sendCaption.isEmpty())
        m_main.setSendCaption(saved.sendCaption);
    m_main.setRecordingPath(saved.recordingPath);

    MsgBox(QStringLiteral("Vous pouvez modifier ces paramètres ultérieurement\ren cliquant sur le bouton "
                          "\"Infos\" dans la fenêtre du logiciel."),
           MsgIcon::Information);
    hide();
    m_main.showMainWindow();
}

void SettingsDialog::ImportParameters()
{
    const QString programFolder = m_settings.programFolder;
    QDir::setCurrent(programFolder);
    FileRequest request;
    request.title = QStringLiteral("Fichier de paramètres à importer");
    request.initialFolder = programFolder;
    request.defaultSuffix = QStringLiteral("prm");
    request.filter = QStringLiteral("Fichiers prm|*.prm");
    const QString chosen = prompt().openFileName(request);
    if (chosen.isEmpty())
        return;

    // Written into the working file of this moment; an imported Perso moves
    // the settings folder only with the reload.
    const ImportOutcome outcome = ImportParameterFile(m_settings, chosen);
    if (outcome.message)
        MsgBox(*outcome.message, MsgIcon::Critical);
    if (outcome.stored)
        FillFromSettings();
}

QString SettingsDialog::BrowseFolder(const QString& title) { return prompt().folder(title); }

void SettingsDialog::ChooseLocation()
{
    QString folder =
        BrowseFolder(QStringLiteral("Dans quel dossier voulez-vous créer le répertoire d'enregistrement ?"));
    // A root comes back with its separator ("/" here, "C:\" on Windows).
    if (folder.endsWith(kSep))
        folder.chop(1);
    m_folderLocation = folder;
    RefreshFullPath();
}

void SettingsDialog::RefreshFullPath()
{
    // An empty location stands for the pupil's own folder: the label shows
    // where validating would put the recordings.
    m_fullPathLabel->setPath(RecordingFolderFor(m_folderLocation, m_folderNameBox->text()));
    if (isVisible() && m_content->sizeHint().width() > m_scrollArea->viewport()->width())
        FitToScreen();
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    if (!m_loaded) {
        FillFromSettings();
        WarnAboutRefusedSettingsFiles(m_settings);
        m_loaded = true;
    }
    FitToScreen();
    QWidget::showEvent(event);
}

void SettingsDialog::FitToScreen()
{
    const QScreen* s = screen();
    if (!s)
        return;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QSize content = m_content->sizeHint();
    const int menuHeight = layout()->menuBar() ? layout()->menuBar()->sizeHint().height() : 0;
    QSize wanted(content.width(), content.height() + menuHeight);
    // The window manager's frame is known once the window is up; a title bar's worth before.
    QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty())
        frame = QSize(8, 40);
    const QSize room = s->availableGeometry().size() - frame;
    if (wanted.height() > room.height())
        wanted.rwidth() += bar;
    if (wanted.width() > room.width())
        wanted.rheight() += bar;
    resize(wanted.boundedTo(room));
    KeepOnScreen();
}

void SettingsDialog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    KeepOnScreen();
}

// Grown by a longer text: back inside the screen if it now sticks out.
void SettingsDialog::KeepOnScreen()
{
    const QScreen* s = screen();
    if (!s || !isVisible())
        return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    QPoint shift;
    if (frame.right() > area.right())
        shift.setX(area.right() - frame.right());
    if (frame.bottom() > area.bottom())
        shift.setY(area.bottom() - frame.bottom());
    if (!shift.isNull())
        move(pos() + shift);
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
    if (m_settings.complete) {
        m_main.showMainWindow();
        return;
    }
    // A first run left unfinished: nothing is recording yet, so the orderly
    // shutdown is all there is to do.
    MainWindowLink& main = m_main;
    main.closeOtherWindows();
    EndProgram();
}
