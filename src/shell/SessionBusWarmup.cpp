#include "shell/SessionBusWarmup.h"

#include <QDBusConnection>

SessionBusWarmup::SessionBusWarmup(std::function<void()> first)
    : worker_([first = std::move(first)] {
          if (first) first();
          QDBusConnection::sessionBus().isConnected();
      })
{
}

SessionBusWarmup::~SessionBusWarmup() { worker_.join(); }
