#pragma once
#include "services.h"

namespace platform {

// Hands a message to the desktop's default mail program.
class FreedesktopMail final : public MailHandOver {
public:
    int SendMail(const MailMessage& message) override;
};

} // namespace platform
