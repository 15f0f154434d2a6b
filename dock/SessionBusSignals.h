#pragma once

#include "dock/SignalSink.h"

// Signals on the session bus. Without a bus they go nowhere, silently; a
// signal has no answer, so sending never waits for whoever listens.
class SessionBusSignals : public SignalSink {
public:
    void send(const QDBusMessage& signal) override;
};
