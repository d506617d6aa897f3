#include "platform/mailhandoff.h"

// What both systems' hand-offs share.
namespace platform {

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
