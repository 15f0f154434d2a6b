#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class SignalSink;

// The count of result lines on the program's entry in the dock or task
// manager while a walk runs, through the LauncherEntry signal the docks read.
// Every change goes out at least MinimumGapMs after the signal before it, so
// the dock sees at most four a second, and the last one always carries the
// latest state. A walk that ran longer than LongWalkMs and ends while the
// window is not active asks for attention until the window is activated.
// Outside a walk nothing is sent but the end of that attention.
class LauncherBadge : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MinimumGapMs = 250;
    static constexpr qint64 LongWalkMs = 5000;

    // appUri names the desktop entry ("application://<id>.desktop"); clockMs
    // reads a steady clock.
    LauncherBadge(SignalSink& sink, QString appUri, std::function<qint64()> clockMs, QObject* parent = nullptr);

    void walkStarted(qint64 lines);
    void linesChanged(qint64 lines);
    void walkEnded(qint64 lines, bool windowActive);
    void windowActivated();

    // When a change held back for the gap goes out; none when nothing waits.
    std::optional<qint64> heldUntilMs() const;
    // Sends what changed once the gap allows it; the timer calls it for a
    // change that was held back.
    void sendDue();

private:
    struct Shown {
        qint64 count = 0;
        bool countVisible = false;
        bool urgent = false;
        bool operator==(const Shown& other) const
        {
            return count == other.count && countVisible == other.countVisible && urgent == other.urgent;
        }
    };

    SignalSink& sink_;
    QString appUri_;
    std::function<qint64()> clockMs_;
    Shown wanted_;
    Shown sent_;
    bool walking_ = false;
    qint64 walkStartMs_ = 0;
    std::optional<qint64> lastSendMs_;
    QTimer heldBack_;
};
