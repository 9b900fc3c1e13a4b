#include "shell/SessionBusWarmup.h"

#include <QDBusConnection>

SessionBusWarmup::SessionBusWarmup() : worker_([] { QDBusConnection::sessionBus().isConnected(); }) {}

SessionBusWarmup::~SessionBusWarmup() { worker_.join(); }
