#include "bench/Measure.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

long long residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

double timeCommand(const QStringList& argv, const QString& output)
{
    std::vector<QByteArray> storage;
    storage.reserve(argv.size());
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const QString& arg : argv)
        storage.push_back(QFile::encodeName(arg));
    for (QByteArray& arg : storage)
        args.push_back(arg.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray outputPath = output.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(output);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const double start = monotonicMs();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(child, &status, 0);
    const double elapsed = monotonicMs() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

namespace {

const QString GnuTime = QStringLiteral("/usr/bin/time");

} // namespace

bool canMeasurePeakMemory()
{
    return QFileInfo(GnuTime).isExecutable();
}

CommandRun runMeasured(const QStringList& argv)
{
    if (!canMeasurePeakMemory())
        return {timeCommand(argv), 0};
    QTemporaryFile report;
    if (!report.open())
        return {timeCommand(argv), 0};
    CommandRun run;
    run.ms = timeCommand(QStringList{GnuTime, QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"),
                                     report.fileName(), QStringLiteral("--")}
                         + argv);
    // In KiB, on the last line.
    const QByteArrayList lines = report.readAll().trimmed().split('\n');
    run.peakResidentMb = lines.constLast().toDouble() / 1024;
    return run;
}

bool commandExists(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

EventLoopGapMeter::EventLoopGapMeter()
{
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &EventLoopGapMeter::tick);
    clock_.start();
}

void EventLoopGapMeter::start()
{
    longestNs_ = 0;
    lastNs_ = clock_.nsecsElapsed();
    timer_.start();
}

double EventLoopGapMeter::stop()
{
    tick();
    timer_.stop();
    return static_cast<double>(longestNs_) / 1e6;
}

void EventLoopGapMeter::tick()
{
    const qint64 now = clock_.nsecsElapsed();
    longestNs_ = std::max(longestNs_, now - lastNs_);
    lastNs_ = now;
}
