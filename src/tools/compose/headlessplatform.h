#pragma once
// The services yotsumado-compose hands to its off-screen window: nothing can
// ever appear on a screen. The save dialog is always cancelled, a question
// answered "no", the mail program refused, a web address not opened, and the
// pointer never confined; the error boxes are kept so that the tool can print
// them.

#include "platform/services.h"

#include <QStringList>

namespace yotsumado {

class HeadlessPlatform {
public:
    HeadlessPlatform();
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    // The texts of the error boxes shown so far, in order.
    const QStringList& Errors() const { return errors_; }

    platform::Services services;

private:
    QStringList errors_;
};

} // namespace yotsumado
