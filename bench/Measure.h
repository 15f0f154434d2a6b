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

// Runs a command with its output sent to the file given, or to /dev/null; the
// wall time in ms, or a negative number when it could not run or failed.
double timeCommand(const QStringList& argv, const QString& output = QString());

// The same through GNU time, which also gives the command's peak resident
// memory (0 without it). wait4's own figure would not do: a child spawned by
// a big process counts that process's memory, lent to it until its exec.
struct CommandRun {
    double ms = -1;
    double peakResidentMb = 0;
};
CommandRun runMeasured(const QStringList& argv);
bool canMeasurePeakMemory();

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
