// Until the desktop's mail system is reached through Simple MAPI, a hand-off
// on Windows reports that there is no mail program, as Linux does without
// sendmail.
#include "platform/mailhandoff.h"

#include <QObject>

namespace platform {

class MailHandOff::Run final : public QObject {
public:
    bool ended() const { return true; }
};

MailHandOff::MailHandOff() = default;

MailHandOff::~MailHandOff() = default;

bool MailHandOff::running() const { return m_run && !m_run->ended(); }

bool MailHandOff::handOff(const MailMessage&) { return Failed(MailFailure::Kind::NoMailProgram); }

bool MailHandOff::Failed(MailFailure::Kind kind)
{
    if (m_onFailure) {
        MailFailure failure;
        failure.kind = kind;
        m_onFailure(failure);
    }
    return false;
}

} // namespace platform
