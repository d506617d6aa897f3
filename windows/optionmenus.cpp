#include "windows/optionmenus.h"

#include "config/recordingchoices.h"
#include "foundation/settings.h"
#include "foundation/windows1252.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// A menu item keeps its caption as data: the shown text escapes "&".
QString ItemCaption(const QAction* item) { return item ? item->data().toString() : QString(); }

void SetItemCaption(QAction* item, const QString& caption)
{
    item->setData(caption);
    QString shown = caption;
    shown.replace(u'&', QStringLiteral("&&"));
    item->setText(shown);
}

// Device names show as the settings file would keep them: in Windows-1252,
// at most 254 characters.
QString StorableDeviceName(const QString& name)
{
    return FromWindows1252(QByteArray(ToWindows1252(name).constData()).left(254));
}

// ALSA calls the system's own choice of device "default": the pupil reads French.
QString ShownDeviceName(const QString& name)
{
    if (name == QLatin1String("default"))
        return QStringLiteral("Périphérique par défaut du système");
    return StorableDeviceName(name);
}

// The quality menu's positions, lowest first, then the voice.
std::optional<Mp3Quality> QualityAt(int position)
{
    static const Mp3Quality qualities[] = {Mp3Quality::Low, Mp3Quality::Normal, Mp3Quality::High,
                                           Mp3Quality::VeryHigh, Mp3Quality::Voice};
    if (position < kFirstQuality || position > kLastQuality)
        return std::nullopt;
    return qualities[position - kFirstQuality];
}

// A screen reader meets each box as a list that drops down: named, showing
// the choice as its value, with an action that opens the list.
class AccessibleOptionBox final : public QAccessibleWidget {
public:
    explicit AccessibleOptionBox(OptionBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<QLineEdit*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    QString localizedActionDescription(const QString& action) const override
    {
        if (action == showMenuAction() || action == pressAction())
            return QStringLiteral("Ouvrir la liste");
        return QAccessibleWidget::localizedActionDescription(action);
    }
    void doAction(const QString& action) override
    {
        // The list runs its own loop: the screen reader gets its answer first.
        if (action == showMenuAction() || action == pressAction())
            QMetaObject::invokeMethod(static_cast<OptionBox*>(widget()), &OptionBox::listRequested,
                                      Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* OptionBoxAccessibility(const QString& className, QObject* object)
{
    if (className == QLatin1String("OptionBox") && object && object->isWidgetType())
        return new AccessibleOptionBox(static_cast<OptionBox*>(object));
    return nullptr;
}

// Keys that open a list that drops down, as in any list box.
bool OpensList(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F4: return modifiers == Qt::NoModifier;
    case Qt::Key_Down:
    case Qt::Key_Up: return modifiers == Qt::AltModifier;
    default: return false;
    }
}

} // namespace

OptionBox::OptionBox(const QString& text, QWidget* parent) : QLineEdit(text, parent)
{
    static const bool accessible = (QAccessible::installFactory(OptionBoxAccessibility), true);
    Q_UNUSED(accessible);
    setReadOnly(true);
}

void OptionBox::keyPressEvent(QKeyEvent* event)
{
    if (OpensList(event)) {
        emit listRequested();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

OptionMenus::OptionMenus(QWidget& window, const Boxes& boxes, const Settings& settings)
    : QObject(&window), m_window(window), m_boxes(boxes), m_settings(settings)
{
    m_sampleRateMenu = makeMenu(QStringLiteral("cfe"), QStringLiteral("CaptureFrequency"));
    for (int i = kFirstSampleRate; i <= kLastSampleRate; ++i)
        connect(makeItem(m_sampleRateMenu, QStringLiteral("cf"), i, SampleRateChoice(i)->caption),
                &QAction::triggered, this, [this, i] { chooseSampleRate(i); });

    m_bitRateMenu = makeMenu(QStringLiteral("ERE"), QStringLiteral("EncodingRate"));
    for (int i = kFirstBitRate; i <= kLastBitRate; ++i)
        connect(makeItem(m_bitRateMenu, QStringLiteral("ER"), i, BitRateChoice(i)->caption),
                &QAction::triggered, this, [this, i] { chooseBitRate(i); });

    m_qualityMenu = makeMenu(QStringLiteral("MDE"), QStringLiteral("Mode"));
    for (int i = kFirstQuality; i <= kLastQuality; ++i)
        connect(makeItem(m_qualityMenu, QStringLiteral("MD"), i, QualityChoice(i)->caption),
                &QAction::triggered, this, [this, i] { chooseQuality(i); });

    m_deviceMenu = makeMenu(QStringLiteral("RPE"), QStringLiteral("RecPeriph"));
    for (int i = 1; i <= kListedDevices; ++i) {
        m_deviceItems[i] = makeItem(m_deviceMenu, QStringLiteral("RP"), i, QString());
        m_deviceItems[i]->setVisible(i == 1);
        connect(m_deviceItems[i], &QAction::triggered, this, [this, i] { chooseDevice(i); });
    }

    for (OptionBox* box : {m_boxes.device, m_boxes.sampleRate, m_boxes.bitRate, m_boxes.quality}) {
        box->setCursor(Qt::PointingHandCursor);
        box->installEventFilter(this);
        connect(box, &OptionBox::listRequested, this, [this, box] { popUp(menuOf(box), box, true); });
    }
}

QMenu* OptionMenus::menuOf(const QLineEdit* box) const
{
    return box == m_boxes.device       ? m_deviceMenu
           : box == m_boxes.sampleRate ? m_sampleRateMenu
           : box == m_boxes.bitRate    ? m_bitRateMenu
                                       : m_qualityMenu;
}

QMenu* OptionMenus::makeMenu(const QString& name, const QString& title)
{
    auto* menu = new QMenu(title, &m_window);
    menu->setObjectName(name);
    return menu;
}

// Items are named after their menu's group and their position: "cf_1", "RP_8".
QAction* OptionMenus::makeItem(QMenu* menu, const QString& group, int position, const QString& caption)
{
    QAction* item = menu->addAction(QString());
    item->setObjectName(QStringLiteral("%1_%2").arg(group).arg(position));
    SetItemCaption(item, caption);
    return item;
}

void OptionMenus::listDevices(const QStringList& devices)
{
    for (int i = 1; i <= devices.size() && i <= kListedDevices; ++i) {
        SetItemCaption(m_deviceItems[i], ShownDeviceName(devices[i - 1]));
        m_deviceItems[i]->setVisible(true);
    }
    m_devicePositions = int(devices.size()) + 1;
}

void OptionMenus::applyStored(const StoredRecordingOptions& stored)
{
    const QString file = m_settings.workingFile();
    auto positionOrDefault = [&file](const QString& position, const char* key, const char* fallback) {
        if (!position.isEmpty())
            return MenuPosition(position);
        WriteSetting(QStringLiteral("Config"), QLatin1String(key), QLatin1String(fallback), file);
        return MenuPosition(QLatin1String(fallback));
    };
    // The device chosen last time, when it is still there.
    const std::optional<int> device = positionOrDefault(stored.devicePosition, "Periph", "1");
    if (device && *device >= 1 && *device < m_devicePositions && *device <= kListedDevices)
        chooseDevice(*device);
    else
        m_boxes.device->setText(ItemCaption(m_deviceItems[1]));

    if (const auto position = positionOrDefault(stored.sampleRatePosition, "Freq", "2"))
        chooseSampleRate(*position);
    if (const auto position = positionOrDefault(stored.qualityPosition, "Quality", "1"))
        chooseQuality(*position);
    if (const auto position = positionOrDefault(stored.bitRatePosition, "Bitrate", "1"))
        chooseBitRate(*position);
}

void OptionMenus::store(const char* key, int position)
{
    WriteSetting(QStringLiteral("Config"), QLatin1String(key), QString::number(position),
                 m_settings.workingFile());
}

void OptionMenus::chooseDevice(int position)
{
    if (position >= 1 && position <= kListedDevices)
        m_boxes.device->setText(ItemCaption(m_deviceItems[position]));
    // Position 0 was the default device, like position 1.
    m_options.captureDevice = std::max(0, position - 1);
    store("Periph", position);
}

void OptionMenus::chooseSampleRate(int position)
{
    if (const auto choice = SampleRateChoice(position)) {
        m_boxes.sampleRate->setText(choice->caption);
        m_options.sampleRate = choice->value;
    }
    store("Freq", position);
}

void OptionMenus::chooseBitRate(int position)
{
    if (const auto choice = BitRateChoice(position)) {
        m_boxes.bitRate->setText(choice->caption);
        m_options.bitRateKbps = choice->value;
    }
    store("Bitrate", position);
}

void OptionMenus::chooseQuality(int position)
{
    if (const auto choice = QualityChoice(position)) {
        m_boxes.quality->setText(choice->caption);
        m_options.quality = *QualityAt(position);
    }
    store("Quality", position);
}

void OptionMenus::popUp(QMenu* menu, QLineEdit* box, bool fromKeyboard)
{
    if (fromKeyboard) {
        // The arrows start from the current choice.
        QAction* current = nullptr;
        for (QAction* item : menu->actions())
            if (item->isVisible() && ItemCaption(item) == box->text())
                current = item;
        if (current)
            QTimer::singleShot(0, menu, [menu, current] { menu->setActiveAction(current); });
    }
    menu->exec(box->mapToGlobal(QPoint(0, 0)));
    emit menuClosed();
}

bool OptionMenus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* box = static_cast<QLineEdit*>(watched);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !box->rect().contains(mouse->position().toPoint()))
        return false;
    popUp(menuOf(box), box, false);
    return false;
}
