#include "dock/SessionBusSignals.h"

#include <QDBusConnection>
#include <QDBusMessage>

void SessionBusSignals::send(const QDBusMessage& signal)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.send(signal);
}
