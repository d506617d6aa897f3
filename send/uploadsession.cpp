#include "send/uploadsession.h"

#include <QObject>

UploadSession::UploadSession(HandInView& view) : m_handIn(view) {}

UploadSession::~UploadSession()
{
    // The program ends under a running upload: its request goes with it.
    m_onAbandon = {};
    delete m_passes;
    m_passes = nullptr;
    closeView();
}

void UploadSession::begin(std::unique_ptr<QObject> passes) { m_passes = passes.release(); }

void UploadSession::finish()
{
    if (!m_passes)
        return;
    // It may be the passes themselves telling: they go later.
    m_passes->deleteLater();
    m_passes = nullptr;
    m_onAbandon = {};
    closeView();
    if (m_onFinished)
        m_onFinished();
}

void UploadSession::requestAbandon()
{
    m_abandonRequested = true;
    if (m_onAbandon)
        m_onAbandon();
}

UploadView& UploadSession::openView(UploadViewKind kind)
{
    closeView();
    m_transferFinished = false;
    m_view = m_handIn.createView(kind, *this);
    return *m_view;
}

void UploadSession::closeView()
{
    // reset() lets go of the pointer before deleting, so view() is already
    // nullptr while the window goes.
    m_view.reset();
}
