#include "audio/playback.h"

#include "audio/formatduration.h"
#include "audio/soundlibrary.h"
#include "foundation/seams.h"
#include "foundation/windows1252.h"

#include <QTimer>

void ReportSoundLibraryFailure()
{
    MsgBox(QStringLiteral("Erreur lors de l'initialisation de fmod") + QStringLiteral("\r\n") +
               SoundErrorText(FSOUND_GetError()),
           MsgIcon::Critical);
    EndProgram();
}

Playback::Playback(CaptionSink setPlayCaption, QTimer* playTimer, QObject* parent)
    : QObject(parent), m_setCaption(std::move(setPlayCaption)), m_timer(playTimer)
{
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(50);
    }
    connect(m_timer, &QTimer::timeout, this, &Playback::ShowPosition);
}

Playback::~Playback()
{
    if (m_playChannel)
        FSOUND_StopSound(m_playChannel);
    if (m_playStream)
        FSOUND_Stream_Close(m_playStream);
}

void Playback::StartPlayback(const QString& recordingPath)
{
    StopPlayback();
    if (!FSOUND_Init(44100, 10, FSOUND_INIT_USEDEFAULTMIDISYNTH)) {
        ReportSoundLibraryFailure();
        return;
    }
    m_playStream =
        FSOUND_Stream_Open(ToWindows1252(recordingPath).constData(), FSOUND_16BITS | FSOUND_STEREO, 0, 0);
    if (m_playStream == 0) {
        // Nothing to play: show nothing, and never hand the empty handle on.
        if (!m_libraryHeld)
            FSOUND_Close();
        return;
    }
    m_playChannel = FSOUND_Stream_Play(FSOUND_FREE, m_playStream);
    m_timer->start();
}

void Playback::StopPlayback()
{
    if (m_playChannel != 0) {
        FSOUND_StopSound(m_playChannel);
        m_playChannel = 0;
    }
    if (m_playStream != 0) {
        FSOUND_Stream_Close(m_playStream);
        m_playStream = 0;
    }
    if (!m_libraryHeld)
        FSOUND_Close();
    m_timer->stop();
    if (m_setCaption)
        m_setCaption(QStringLiteral("PlayBack"));
}

void Playback::ShowPosition()
{
    if (m_playStream == 0)
        return;
    if (m_setCaption)
        m_setCaption(FormatDuration(FSOUND_Stream_GetTime(m_playStream)));
}
