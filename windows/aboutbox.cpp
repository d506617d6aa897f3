#include "windows/aboutbox.h"

#include "foundation/helpfile.h"
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "platform/mailhandoff.h"
#include "windows/mainwindowlink.h"
#include "windows/qtseams.h"
#include "windows/screenreadernames.h"
#include "windows/twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#ifndef MIRLO_VERSION_MAJOR
#error "the build passes the program version"
#endif

static void InitAboutResources() { Q_INIT_RESOURCE(mirloicon); }

namespace {

const QString kProgramName = QStringLiteral("Mirlo");
constexpr int kWidth = 600;
constexpr int kMargin = 16;
constexpr int kGap = 8; // between texts side by side

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = QString())
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// A screen reader meets each link as a link it can press.
class AccessibleLink final : public QAccessibleWidget {
public:
    explicit AccessibleLink(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        // What the link opens may take a while: the screen reader gets its answer first.
        if (action == pressAction())
            QMetaObject::invokeMethod(static_cast<LinkLabel*>(widget()), &LinkLabel::followed,
                                      Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* LinkAccessibility(const QString& className, QObject* object)
{
    if (className == QLatin1String("LinkLabel") && object && object->isWidgetType())
        return new AccessibleLink(static_cast<LinkLabel*>(object));
    return nullptr;
}

// Roughly the characters of a line of the instructions.
constexpr int kLineCharacters = 95;

double Luminance(const QColor& c)
{
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The desktop's link colour, made lighter on a dark background or darker on a
// light one until it reads clearly (contrast of at least 4.5 to 1).
QColor ReadableOn(QColor text, const QColor& back)
{
    const bool darkBack = Luminance(back) < 0.18;
    for (int i = 0; i < 30 && Contrast(text, back) < 4.5; ++i)
        text = darkBack ? text.lighter(112) : text.darker(112);
    return text;
}

} // namespace

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    static const bool accessible = (QAccessible::installFactory(LinkAccessibility), true);
    Q_UNUSED(accessible);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, ReadableOn(pal.color(QPalette::Link), pal.color(QPalette::Window)));
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setContentsMargins(2, 1, 2, 1); // room for the focus frame
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit followed();
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        emit followed();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::focusInEvent(QFocusEvent* event)
{
    setFrameShape(QFrame::Box);
    QLabel::focusInEvent(event);
}

void LinkLabel::focusOutEvent(QFocusEvent* event)
{
    setFrameShape(QFrame::NoFrame);
    QLabel::focusOutEvent(event);
}

const QString AboutBox::kContactAddress = QStringLiteral("mirlo@example.org");
const QString AboutBox::kCopyright = QStringLiteral("Copyright © 2026 Mirlo developers");
const QString AboutBox::kCompany = QStringLiteral("Projet Mirlo");

QString AboutBox::VersionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(revision, 4, 10, QLatin1Char('0'));
}

QString AboutBox::InstructionsText(const QString& sendMode, const QString& recordingFolder,
                                   platform::MailRoute mailRoute)
{
    const bool web = sendMode == QLatin1String("web");
    const bool mail = sendMode == QLatin1String("mail");
    const QString where =
        recordingFolder.isEmpty() ? QString() : QStringLiteral("(en ce moment \"%1\") ").arg(recordingFolder);
    const QString handIn = web    ? QStringLiteral("et, pour finir, l'envoyer sur le site.")
                           : mail ? QStringLiteral("et, pour finir, l'envoyer par email.")
                                  : QStringLiteral("et, pour finir, l'envoyer sur le site ou par email.");
    QString needed;
    if (web)
        needed =
            QStringLiteral("Pour que le fichier puisse être déposé sur le site, il faut que l'adresse du "
                           "site Web, votre login et votre mot de passe soient saisis dans les "
                           "paramètres.");
    else if (mail && mailRoute == platform::MailRoute::PupilsMailProgram)
        needed = QStringLiteral("Pour que le courriel puisse être expédié, il faut que votre logiciel de "
                                "messagerie par défaut soit déjà configuré avec vos paramètres de connexion "
                                "chez votre fournisseur d'accès Internet.");
    else if (mail)
        needed =
            QStringLiteral("Pour que le courriel puisse être expédié, il faut que le programme d'envoi de "
                           "courrier de l'ordinateur (sendmail) soit déjà configuré avec vos paramètres "
                           "de connexion chez votre fournisseur d'accès Internet.");
    else
        needed = QStringLiteral("Choisissez dans les paramètres comment rendre votre enregistrement : par le "
                                "site Web ou par email.");

    const QString p = QStringLiteral("\r\r");
    return QStringLiteral("Avant d'enregistrer, assurez-vous que votre micro fonctionne et que le volume "
                          "d'enregistrement est suffisant.") +
           p +
           QStringLiteral("Vous pouvez conserver les réglages par défaut ou effectuer les modifications "
                          "nécessaires ") +
           QStringLiteral("en réglant la qualité d'enregistrement, le taux d'échantillonnage (\"bitrate\") "
                          "et la fréquence.") +
           p + QStringLiteral("Plus les valeurs sont élevées et plus le fichier à envoyer sera volumineux") +
           p +
           QStringLiteral("Les fichiers sont enregistrés dans le dossier que vous avez sélectionné lors du "
                          "premier lancement ") +
           where +
           QStringLiteral("mais vous pouvez changer ce paramètre comme bon vous semble et également modifier "
                          "le nom du fichier qui vous est proposé.") +
           p +
           QStringLiteral("Après avoir enregistré votre travail, vous pouvez écouter votre prestation "
                          "(bouton \"Playback\") ") +
           handIn + p + needed + p +
           QStringLiteral("Si vous n'êtes pas satisfait de l'enregistrement, vous pouvez le recommencer en "
                          "cliquant sur le bouton \"Nouvel enregistrement\"") +
           p +
           QStringLiteral("Ce petit utilitaire est éventuellement appelé à subir des modifications si les "
                          "utilisateurs suggèrent des améliorations.") +
           QStringLiteral("\r") +
           QStringLiteral("Vos suggestions sont les bienvenues : écrivez à %1 en indiquant \"%2\" dans "
                          "l'objet du message.")
               .arg(kContactAddress, kProgramName);
}

QString AboutBox::CreditText()
{
    return QStringLiteral("Utilitaire d'enregistrement.\rpour l'envoi de travaux personnels par email.\r"
                          "(conçu par les développeurs du projet Mirlo)");
}

AboutBox::AboutBox(MainWindowLink& main, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(main), m_settings(settings)
{
    InitAboutResources();
    setObjectName(QStringLiteral("FAbout"));
    // Closing unloads the box; the next one starts afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kProgramName + QStringLiteral(" - utilitaire d'enregistrement - Présentation"));

    m_picture = MakeLabel(this, "Image1");
    m_picture->setPixmap(QPixmap(QStringLiteral(":/mirlo/mirlo.png")));
    m_picture->setScaledContents(true);

    m_programName = MakeLabel(this, "Label5", kProgramName);
    QFont big = m_programName->font();
    big.setPointSize(24);
    big.setBold(true);
    m_programName->setFont(big);

    // The credit's shadow sits under it as a faint offset copy.
    m_creditShadow = MakeLabel(this, "Label3");
    m_credit = MakeLabel(this, "Label2");
    for (QLabel* l : {m_credit, m_creditShadow})
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // The box's background is the desktop's: so are its text colours, the
    // shadow a faint mix of text and background.
    QPalette shadow = m_creditShadow->palette();
    const QColor text = shadow.color(QPalette::WindowText);
    const QColor back = shadow.color(QPalette::Window);
    shadow.setColor(QPalette::WindowText,
                    QColor((text.red() + 2 * back.red()) / 3, (text.green() + 2 * back.green()) / 3,
                           (text.blue() + 2 * back.blue()) / 3));
    m_creditShadow->setPalette(shadow);
    HideFromScreenReaders(*m_creditShadow);

    m_version = MakeLabel(this, "lblVersion");
    m_copyright = MakeLabel(this, "lblCopyright");
    m_companyLink = new LinkLabel(QString(), this);
    m_companyLink->setObjectName(QStringLiteral("lblCompany"));
    m_contactLink = new LinkLabel(kContactAddress, this);
    m_contactLink->setObjectName(QStringLiteral("Label4"));
    connect(m_companyLink, &LinkLabel::followed, this, &AboutBox::OpenCompanyLink);
    connect(m_contactLink, &LinkLabel::followed, this, &AboutBox::WriteToContact);

    m_instructions = MakeLabel(this, "Label1");
    m_instructions->setWordWrap(true);
    m_instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_ruleDark = new QFrame(this);
    m_ruleLight = new QFrame(this);
    m_ruleDark->setObjectName(QStringLiteral("Line1"));
    m_ruleLight->setObjectName(QStringLiteral("Line2"));
    m_ruleDark->setStyleSheet(QStringLiteral("background-color: rgb(128,128,128);"));
    m_ruleLight->setStyleSheet(QStringLiteral("background-color: rgb(255,255,255);"));

    m_helpButton = new QPushButton(QStringLiteral("Aide"), this);
    m_helpButton->setObjectName(QStringLiteral("cmdAide"));
    m_settingsButton = new QPushButton(QStringLiteral("Modifier les paramètres"), this);
    m_settingsButton->setObjectName(QStringLiteral("Command2"));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    m_okButton->setDefault(true);
    m_okButton->installEventFilter(this);
    connect(m_okButton, &QPushButton::clicked, this, &AboutBox::CloseWithOk);
    connect(m_settingsButton, &QPushButton::clicked, this, &AboutBox::OpenSettings);
    connect(m_helpButton, &QPushButton::clicked, this, &AboutBox::OpenHelp);

    FillTexts();
    LayOut();

    // The links, then left to right along the button row; OK keeps the first focus.
    setTabOrder(m_companyLink, m_contactLink);
    setTabOrder(m_contactLink, m_helpButton);
    setTabOrder(m_helpButton, m_settingsButton);
    setTabOrder(m_settingsButton, m_okButton);
    m_picture->setAccessibleName(QStringLiteral("Logo de Mirlo"));
    m_companyLink->setAccessibleDescription(QStringLiteral("Lien vers le projet Mirlo"));
    m_contactLink->setAccessibleDescription(QStringLiteral("Lien : écrire à l'auteur de Mirlo"));
    m_helpButton->setAccessibleDescription(QStringLiteral("Ouvre l'aide de Mirlo"));
    m_okButton->setAccessibleDescription(
        QStringLiteral("Ferme cette présentation et revient à l'enregistrement"));
    m_okButton->setFocus();
}

void AboutBox::FillTexts()
{
    m_instructions->setText(ShownText(
        InstructionsText(m_settings.sendMode, m_settings.recordingFolder, platform::MailHandOffRoute())));
    m_copyright->setText(kCopyright);
    m_version->setText(VersionText(MIRLO_VERSION_MAJOR, MIRLO_VERSION_MINOR, MIRLO_VERSION_PATCH));
    m_companyLink->setText(kCompany);
    const QString credit = CreditText();
    for (QLabel* l : {m_credit, m_creditShadow})
        l->setText(ShownText(credit));
}

// A larger desktop font makes the box wider and taller than designed; its
// texts never overlap or clip.
void AboutBox::LayOut()
{
    // The credit's faint copy sits in the same place, its text a little to the
    // right (at least a pixel, or it would vanish under the original).
    const int shadowShift = std::max(1, TwipsToPixels(412, this) - TwipsToPixels(400, this));
    m_creditShadow->setContentsMargins(shadowShift, 0, 0, 0);
    m_credit->setContentsMargins(0, 0, shadowShift, 0);
    auto* credit = new QGridLayout;
    credit->addWidget(m_creditShadow, 0, 0);
    credit->addWidget(m_credit, 0, 0);
    m_credit->raise();

    m_picture->setFixedSize(56, 56);
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(m_picture, 0, Qt::AlignTop);
    header->addWidget(m_programName);
    header->addStretch(1);
    header->addSpacing(kGap);
    header->addLayout(credit);

    // The instructions keep the designed width at the designed font and grow
    // wider with a larger one, as far as the screen allows.
    const QRect screen =
        (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const int wanted =
        std::max(kWidth - 2 * kMargin, m_instructions->fontMetrics().averageCharWidth() * kLineCharacters);
    const int textWidth = std::min(wanted, std::max(kWidth - 2 * kMargin, screen.width() - 2 * kMargin - 64));
    m_instructions->setFixedWidth(textWidth);
    m_instructions->setFixedHeight(m_instructions->heightForWidth(textWidth));
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("instructionsScroll"));
    scroller->setAccessibleName(QStringLiteral("Mode d'emploi"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setWidget(m_instructions);
    scroller->viewport()->setAutoFillBackground(false);
    m_instructions->setAutoFillBackground(false);

    // An etched rule: the light line one pixel under the dark one.
    auto* rule = new QVBoxLayout;
    rule->setSpacing(0);
    for (QFrame* line : {m_ruleDark, m_ruleLight}) {
        line->setFixedHeight(1);
        rule->addWidget(line);
    }

    // Version and company link on the left, copyright and contact on the right.
    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(kGap);
    facts->setVerticalSpacing(4);
    facts->addWidget(m_version, 0, 0, Qt::AlignLeft);
    facts->addWidget(m_copyright, 0, 1, Qt::AlignRight);
    facts->addWidget(m_companyLink, 1, 0, Qt::AlignLeft);
    facts->addWidget(m_contactLink, 1, 1, Qt::AlignRight);

    for (QPushButton* b : {m_okButton, m_helpButton})
        b->setMinimumWidth(90);
    m_settingsButton->setMinimumWidth(m_settingsButton->sizeHint().width() + 16);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_helpButton);
    buttons->addWidget(m_settingsButton);
    buttons->addStretch(1);
    buttons->addSpacing(kGap);
    buttons->addWidget(m_okButton);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(kMargin, 14, kMargin, 14);
    box->setSpacing(8);
    box->addLayout(header);
    box->addWidget(scroller);
    box->addSpacing(6);
    box->addLayout(rule);
    box->addLayout(facts);
    box->addSpacing(6);
    box->addLayout(buttons);
    box->setSizeConstraint(QLayout::SetFixedSize);

    // What is left of the screen's height, below a title bar, goes to the
    // instructions; the rest of them scrolls.
    scroller->setFixedSize(textWidth, m_instructions->height());
    box->activate();
    const int over = height() - (screen.height() - 48);
    if (over > 0) {
        const int bar = scroller->verticalScrollBar()->sizeHint().width();
        scroller->setFixedSize(textWidth + bar, std::max(m_instructions->fontMetrics().height() * 4,
                                                         m_instructions->height() - over));
        scroller->setFocusPolicy(Qt::StrongFocus); // the arrows and Page keys scroll it
    } else {
        scroller->setFocusPolicy(Qt::NoFocus);
    }
    box->activate(); // placed before it is first shown
}

void AboutBox::CloseWithOk()
{
    m_main.showMainWindow();
    close();
}

void AboutBox::OpenSettings()
{
    m_settings.complete = true;
    hide();
    m_main.showSettingsDialog();
}

void AboutBox::OpenHelp()
{
    switch (::OpenHelp(m_settings.programFolder, HelpPage::Contents)) {
    case HelpOpening::Opened: return;
    case HelpOpening::Missing:
        MsgBox(QStringLiteral("Le fichier d'aide n'a pas été trouvé"), MsgIcon::Exclamation);
        return;
    case HelpOpening::NoBrowser:
        MsgBox(HelpNotOpenedText(HelpPagePath(m_settings.programFolder, HelpPage::Contents)),
               MsgIcon::Exclamation);
        return;
    }
}

void AboutBox::WriteToContact()
{
    shell().openUrl(QUrl(QStringLiteral("mailto:%1?subject=%2").arg(kContactAddress, kProgramName)));
}

void AboutBox::OpenCompanyLink()
{
    // The label's own text goes to the desktop's "open" handler.
    shell().openUrl(QUrl(m_companyLink->text()));
}

void AboutBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AboutBox::closeEvent(QCloseEvent* event)
{
    m_main.showMainWindow();
    event->accept();
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_okButton && event->type() == QEvent::FocusIn && !m_pointerMoved) {
        m_pointerMoved = true;
        QCursor::setPos(m_okButton->mapToGlobal(m_okButton->rect().center()));
    }
    return QWidget::eventFilter(watched, event);
}
