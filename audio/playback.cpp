#include "audio/playback.h"

#include "audio/formatduration.h"

#include <QTimer>

Playback::Playback(CaptionSink setPlayCaption, std::function<void()> devicesFailed, QTimer* playTimer,
                   QObject* parent)
    : QObject(parent), m_setCaption(std::move(setPlayCaption)), m_devicesFailed(std::move(devicesFailed)),
      m_timer(playTimer), m_devices(InstalledSoundDevices()), m_player(m_devices)
{
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(50);
    }
    connect(m_timer, &QTimer::timeout, this, &Playback::ShowPosition);
}

Playback::~Playback() = default;

void Playback::StartPlayback(const QString& recordingPath)
{
    StopPlayback();
    // Restarted, so that a device plugged in since is found.
    m_devices.close();
    if (!m_devices.open()) {
        if (m_devicesFailed)
            m_devicesFailed();
        return;
    }
    const std::optional<PlayError> error = m_player.play(recordingPath);
    if (error == PlayError::NotPlayable) {
        // Nothing to play: show nothing.
        if (!m_devicesHeld)
            m_devices.close();
        return;
    }
    // A device that refuses shows the position of nothing played.
    m_started = true;
    m_timer->start();
}

void Playback::StopPlayback()
{
    m_player.stop();
    m_started = false;
    if (!m_devicesHeld)
        m_devices.close();
    m_timer->stop();
    if (m_setCaption)
        m_setCaption(QStringLiteral("PlayBack"));
}

void Playback::ShowPosition()
{
    if (m_started && m_setCaption)
        m_setCaption(FormatDuration(m_player.positionMs()));
}
