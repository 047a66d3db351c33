#pragma once
// The session bus, only where the environment names one.
//
// With no DBUS_SESSION_BUS_ADDRESS, libdbus "autolaunches" a bus the first
// time anything asks for the session bus: on an X display with dbus-x11
// installed it runs dbus-launch, whose bus, and the desktop services that bus
// starts on demand (the portal, which starts mail programs), outlive this
// program. Qt asks by itself: its accessibility bridge wants the session bus
// as soon as the first widget exists. So where no bus is named, nothing of
// ours asks, and Qt is kept from asking.

#include <QDBusConnection>

namespace yotsumado {

namespace platform {

// The session bus when the environment names one; otherwise a connection
// that is not connected, made without asking libdbus for anything.
QDBusConnection NamedSessionBus();

// Call once, right after the application object is made and before any
// window: when no bus is named, has libdbus take an address that connects
// nowhere (libdbus keeps the session address it first read for the
// process's lifetime), then gives the environment back as it was, so that
// the programs we start (a mail program, the browser) find a bus their own
// way.
void KeepUnnamedSessionBusUnstarted();

} // namespace platform

} // namespace yotsumado
