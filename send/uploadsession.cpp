#include "send/uploadsession.h"

UploadSession::UploadSession(HandInView& view) : m_handIn(view) {}

UploadSession::~UploadSession() = default;

UploadSession::Running::Running(UploadSession& session) : m_session(session) { m_session.m_running = true; }

UploadSession::Running::~Running() { m_session.m_running = false; }

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
