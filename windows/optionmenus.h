#pragma once
#include "audio/encoderconfig.h"

#include <QLineEdit>
#include <QObject>
#include <QStringList>

#include <array>

struct Settings;
struct StoredRecordingOptions;
class QAction;
class QMenu;
class QWidget;

// One option box: read only, it shows the choice and opens its list on
// Space, Enter, F4 or Alt+Down, and on a screen reader's action; screen readers
// meet it as a list that drops down.
class OptionBox final : public QLineEdit {
    Q_OBJECT
public:
    OptionBox(const QString& text, QWidget* parent);

signals:
    void listRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The four option boxes of the main window (capture device, sample rate, bit
// rate, quality) and their pop-up menus. A click on a box opens its menu at
// the box, and so does the keyboard; a choice shows in the box, is stored in
// the working settings file and sets the recording options the next recording
// starts with.
class OptionMenus final : public QObject {
    Q_OBJECT
public:
    // Capture devices the device menu can list.
    static constexpr int kListedDevices = 8;

    struct Boxes {
        OptionBox* device = nullptr;
        OptionBox* sampleRate = nullptr;
        OptionBox* bitRate = nullptr;
        OptionBox* quality = nullptr;
    };
    // The menus are children of the window; choices go into the working
    // settings file these settings name at the time.
    OptionMenus(QWidget& window, const Boxes& boxes, const Settings& settings);

    const RecordingOptions& options() const { return m_options; }

    // Lists the capture devices, the system's default first.
    void listDevices(const QStringList& devices);
    // The stored positions, applied as if chosen; a position never stored is
    // stored with its default first.
    void applyStored(const StoredRecordingOptions& stored);

    // Menu positions: devices 1-8, sample rates 1-3, bit rates 1-11,
    // qualities 0-4. A position without an item keeps the choice as it was,
    // and is stored all the same.
    void chooseDevice(int position);
    void chooseSampleRate(int position);
    void chooseBitRate(int position);
    void chooseQuality(int position);

signals:
    // A menu closed: the boxes around it show the choice at once.
    void menuClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenu* makeMenu(const QString& name, const QString& title);
    QAction* makeItem(QMenu* menu, const QString& group, int position, const QString& caption);
    void store(const char* key, int position);
    QMenu* menuOf(const QLineEdit* box) const;
    // From the keyboard the list opens on the current choice.
    void popUp(QMenu* menu, QLineEdit* box, bool fromKeyboard);

    QWidget& m_window;
    Boxes m_boxes;
    const Settings& m_settings;
    QMenu* m_deviceMenu = nullptr;
    QMenu* m_sampleRateMenu = nullptr;
    QMenu* m_bitRateMenu = nullptr;
    QMenu* m_qualityMenu = nullptr;
    std::array<QAction*, kListedDevices + 1> m_deviceItems{}; // 1..8
    int m_devicePositions = 1;                                // devices listed, plus one
    // As the boxes show them before a stored choice is applied.
    RecordingOptions m_options{44100, 192, Mp3Quality::Normal, 0};
};
