#include "platform/desktop/mail/sessionbus.h"

namespace yotsumado {

namespace platform {

namespace {

constexpr char kAddressVariable[] = "DBUS_SESSION_BUS_ADDRESS";

bool BusNamed()
{
    return !qEnvironmentVariableIsEmpty(kAddressVariable);
}

} // namespace

QDBusConnection NamedSessionBus()
{
    return BusNamed() ? QDBusConnection::sessionBus() : QDBusConnection(QString());
}

void KeepUnnamedSessionBusUnstarted()
{
    if (BusNamed())
        return;
    // No transport has this name: connecting fails at once, without a
    // fallback to autolaunching.
    qputenv(kAddressVariable, "disabled:");
    // Asking now, before anyone else does (Qt's accessibility bridge would at
    // the first widget), makes libdbus read the address above and keep it.
    const QString name = QStringLiteral("yotsumado-no-session-bus");
    QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    QDBusConnection::disconnectFromBus(name);
    qunsetenv(kAddressVariable);
}

} // namespace platform

} // namespace yotsumado
