#include "windows/aboutbox.h"

#include "foundation/helpfile.h"
#include "windows/mainwindowlink.h"
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/twips.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#ifndef MIRLO_VERSION_MAJOR
#error "the build passes the program version"
#endif

static void InitAboutResources()
{
    Q_INIT_RESOURCE(mirloicon);
}

namespace {

const QString kProgramName = QStringLiteral("Mirlo");
constexpr int kWidth = 600;
constexpr int kMargin = 16;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = QString())
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

void MakeLink(QLabel* label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 192));
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
}

} // namespace

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

QString AboutBox::InstructionsText()
{
    const QString p = QStringLiteral("\r\r");
    return QStringLiteral("Avant d'enregistrer, assurez-vous que votre micro fonctionne et que le volume "
                          "d'enregistrement est suffisant.")
        + p
        + QStringLiteral("Vous pouvez conserver les réglages par défaut ou effectuer les modifications "
                         "nécessaires ")
        + QStringLiteral("en réglant la qualité d'enregistrement, le taux d'échantillonnage (\"bitrate\") "
                         "et la fréquence.")
        + p + QStringLiteral("Plus les valeurs sont élevées et plus le fichier à envoyer sera volumineux")
        + p
        + QStringLiteral("Les fichiers sont enregistrés dans le dossier que vous avez sélectionné lors du "
                         "premier lancement (par défaut \"Enregistrements\" sur le disque C:) ")
        + QStringLiteral("mais vous pouvez changer ce paramètre comme bon vous semble et également modifier "
                         "le nom du fichier qui vous est proposé.")
        + p
        + QStringLiteral("Après avoir enregistré votre travail, vous pouvez écouter votre prestation "
                         "(bouton \"Playback\") ")
        + QStringLiteral("et, pour finir, l'envoyer par email.")
        + p
        + QStringLiteral("Pour que le courriel puisse être expédié, il faut que votre logiciel de messagerie "
                         "(Outlook Express) soit déjà configuré avec vos paramètres de connexion chez votre "
                         "fournisseur d'accès Internet.")
        + p
        + QStringLiteral("Si vous n'êtes pas satisfait de l'enregistrement, vous pouvez le recommencer en "
                         "cliquant sur le bouton \"Nouvel enregistrement\"")
        + p
        + QStringLiteral("Ce petit utilitaire est éventuellement appelé à subir des modifications si les "
                         "utilisateurs suggèrent des améliorations.")
        + QStringLiteral("\r")
        + QStringLiteral("Vos suggestions sont les bienvenues : écrivez à %1 en indiquant \"%2\" dans "
                         "l'objet du message.")
              .arg(kContactAddress, kProgramName);
}

QString AboutBox::CreditText()
{
    return QStringLiteral("Utilitaire d'enregistrement.\rpour l'envoi de travaux personnels par email.\r"
                          "(conçu par les développeurs du projet Mirlo)");
}

QString AboutBox::ShownText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

AboutBox::AboutBox(MainWindowLink& main, QWidget* parent) : QWidget(parent, Qt::Window), m_main(main)
{
    InitAboutResources();
    setObjectName(QStringLiteral("FAbout"));
    // Closing unloads the box; the next one starts afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kProgramName + QStringLiteral(" - utilitaire d'enregistrement - Présentation"));

    m_picture = MakeLabel(this, "Image1");
    m_picture->setPixmap(QPixmap(QStringLiteral(":/mirlo/mirlo.png")));
    m_picture->setScaledContents(true);

    m_label5 = MakeLabel(this, "Label5", kProgramName);
    QFont big = m_label5->font();
    big.setPointSize(24);
    big.setBold(true);
    m_label5->setFont(big);

    // Label3 sits under Label2 as a faint offset copy.
    m_label3 = MakeLabel(this, "Label3");
    m_label2 = MakeLabel(this, "Label2");
    for (QLabel* l : {m_label2, m_label3})
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette shadow = m_label3->palette();
    shadow.setColor(QPalette::WindowText, QColor(170, 170, 170));
    m_label3->setPalette(shadow);
    QPalette front = m_label2->palette();
    front.setColor(QPalette::WindowText, QColor(20, 40, 110));
    m_label2->setPalette(front);

    m_lblVersion = MakeLabel(this, "lblVersion");
    m_lblCopyright = MakeLabel(this, "lblCopyright");
    m_lblCompany = MakeLabel(this, "lblCompany");
    m_label4 = MakeLabel(this, "Label4", kContactAddress);
    MakeLink(m_lblCompany);
    MakeLink(m_label4);
    m_lblCompany->installEventFilter(this);
    m_label4->installEventFilter(this);

    m_label1 = MakeLabel(this, "Label1");
    m_label1->setWordWrap(true);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_line1 = new QFrame(this);
    m_line2 = new QFrame(this);
    m_line1->setObjectName(QStringLiteral("Line1"));
    m_line2->setObjectName(QStringLiteral("Line2"));
    m_line1->setStyleSheet(QStringLiteral("background-color: rgb(128,128,128);"));
    m_line2->setStyleSheet(QStringLiteral("background-color: rgb(255,255,255);"));

    m_cmdAide = new QPushButton(QStringLiteral("Aide"), this);
    m_cmdAide->setObjectName(QStringLiteral("cmdAide"));
    m_command2 = new QPushButton(QStringLiteral("Modifier les paramètres"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command1 = new QPushButton(QStringLiteral("OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    m_command1->installEventFilter(this);
    connect(m_command1, &QPushButton::clicked, this, &AboutBox::CloseWithOk);
    connect(m_command2, &QPushButton::clicked, this, &AboutBox::OpenSettings);
    connect(m_cmdAide, &QPushButton::clicked, this, &AboutBox::OpenHelp);

    Load();

    setTabOrder(m_command1, m_cmdAide);
    setTabOrder(m_cmdAide, m_command2);
    m_command1->setFocus();
}

void AboutBox::Load()
{
    // Fixed parts first; the loading steps then place what depends on them.
    m_picture->setGeometry(kMargin, 14, 56, 56);
    m_label5->adjustSize();
    m_label5->move(kMargin + 56 + 12, 14 + (56 - m_label5->height()) / 2);

    const int creditTop = 18;
    const int textTop = 86;
    m_label1->setText(ShownText(InstructionsText()));
    const int textWidth = kWidth - 2 * kMargin;
    const int textHeight = m_label1->heightForWidth(textWidth);
    const int lineY = textTop + textHeight + 14;
    const int rowY = lineY + 10;
    const int rowHeight = fontMetrics().height() + 4;
    const int buttonsY = rowY + 2 * rowHeight + 12;
    const int buttonHeight = m_command1->sizeHint().height();
    setFixedSize(kWidth, buttonsY + buttonHeight + 14);

    // 1. Etched rule with equal margins, the second line one pixel lower.
    const int lineLeft = kMargin;
    const int lineRight = width() - lineLeft;
    m_line1->setGeometry(lineLeft, lineY, lineRight - lineLeft, 1);
    m_line2->setGeometry(lineLeft, lineY + 1, lineRight - lineLeft, 1);

    // 2. Copyright right-aligned on the rule's end, version on the left.
    m_lblCopyright->setText(kCopyright);
    m_lblCopyright->adjustSize();
    m_lblCopyright->move(lineRight - m_lblCopyright->width(), rowY);
    m_lblVersion->setText(VersionText(MIRLO_VERSION_MAJOR, MIRLO_VERSION_MINOR, MIRLO_VERSION_PATCH));
    m_lblVersion->adjustSize();
    m_lblVersion->move(lineLeft, rowY);

    // 3.
    m_lblCompany->setText(kCompany);
    m_lblCompany->adjustSize();
    m_lblCompany->move(lineLeft, rowY + rowHeight);
    m_label4->adjustSize();
    m_label4->move(lineRight - m_label4->width(), rowY + rowHeight);

    // 4. Credit lines centred, then pushed 400 twips right; the copy 12 twips more
    // (at least a pixel, or the copy would vanish under the original).
    const QString credit = CreditText();
    for (QLabel* l : {m_label2, m_label3}) {
        l->setText(ShownText(credit));
        l->adjustSize();
    }
    const int centred = (width() - m_label2->width()) / 2;
    const int left2 = centred + TwipsToPixels(400, this);
    m_label2->move(left2, creditTop);
    m_label3->move(left2 + std::max(1, TwipsToPixels(412, this) - TwipsToPixels(400, this)), creditTop);
    m_label2->raise();

    // 5. OK right-aligned on the rule's end; the other two on the left.
    m_command1->resize(std::max(90, m_command1->sizeHint().width()), buttonHeight);
    m_command1->move(lineRight - m_command1->width(), buttonsY);
    m_cmdAide->resize(std::max(90, m_cmdAide->sizeHint().width()), buttonHeight);
    m_cmdAide->move(lineLeft, buttonsY);
    m_command2->resize(m_command2->sizeHint().width() + 16, buttonHeight);
    m_command2->move(lineLeft + m_cmdAide->width() + 8, buttonsY);

    // 6.
    m_label1->setGeometry(kMargin, textTop, textWidth, textHeight);
}

void AboutBox::CloseWithOk()
{
    m_main.showMainWindow();
    close();
}

void AboutBox::OpenSettings()
{
    Shared().settingsComplete = true;
    hide();
    m_main.showSettingsDialog();
}

void AboutBox::OpenHelp()
{
    if (!OpenHelpFile())
        MsgBox(QStringLiteral("Le fichier d'aide n'a pas été trouvé"), MsgIcon::Exclamation);
}

void AboutBox::WriteToContact()
{
    shell().openUrl(QUrl(QStringLiteral("mailto:%1?subject=%2").arg(kContactAddress, kProgramName)));
}

void AboutBox::OpenCompanyLink()
{
    // The label's own text goes to the desktop's "open" handler.
    shell().openUrl(QUrl(m_lblCompany->text()));
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
    if (watched == m_command1 && event->type() == QEvent::FocusIn && !m_pointerMoved) {
        m_pointerMoved = true;
        QCursor::setPos(m_command1->mapToGlobal(m_command1->rect().center()));
    } else if (event->type() == QEvent::MouseButtonRelease
               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_label4)
            WriteToContact();
        else if (watched == m_lblCompany)
            OpenCompanyLink();
    }
    return QWidget::eventFilter(watched, event);
}
