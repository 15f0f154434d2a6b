#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <vector>

// Milliseconds on the monotonic clock, comparable across processes.
double monotonicMs();

double median(std::vector<double> values);

// Resident set size of this process.
long long residentBytes();

// Runs a command with its output sent to /dev/null; the wall time in ms, or
// a negative number when it could not run or failed.
double timeCommand(const QStringList& argv);

bool commandExists(const QString& name);

// The longest time the event loop went unvisited while it is armed: a zero
// timer fires whenever the loop runs, and the gaps between firings are kept.
class EventLoopGapMeter : public QObject {
    Q_OBJECT
public:
    EventLoopGapMeter();
    void start();
    double stop(); // longest gap in ms

private:
    void tick();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 longestNs_ = 0;
};
