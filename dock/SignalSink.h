#pragma once

class QDBusMessage;

// Where bus signals go: the session bus, or a test's recorder.
class SignalSink {
public:
    virtual ~SignalSink() = default;
    // Hands the signal over without waiting for anything.
    virtual void send(const QDBusMessage& signal) = 0;
};
