#pragma once
#include "audio/encoderconfig.h"

#include <QObject>
#include <QStringList>

#include <array>

struct Settings;
struct StoredRecordingOptions;
class QAction;
class QLineEdit;
class QMenu;
class QWidget;

// The four option boxes of the main window (capture device, sample rate, bit
// rate, quality) and their pop-up menus. A click on a box opens its menu at
// the box; a choice shows in the box, is stored in the working settings file
// and sets the recording options the next recording starts with.
class OptionMenus final : public QObject {
    Q_OBJECT
public:
    // Capture devices the device menu can list.
    static constexpr int kListedDevices = 8;

    struct Boxes {
        QLineEdit* device = nullptr;
        QLineEdit* sampleRate = nullptr;
        QLineEdit* bitRate = nullptr;
        QLineEdit* quality = nullptr;
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
    void popUp(QMenu* menu, QLineEdit* box);

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
