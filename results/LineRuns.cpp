#include "results/LineRuns.h"

#include "results/SpareStores.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace {

// What a line costs beside its bytes: its end and its tick.
constexpr std::size_t PerLineBytes = sizeof(std::uint64_t) + sizeof(std::uint8_t);

std::size_t linesIn(const LineRuns& runs)
{
    return std::accumulate(runs.begin(), runs.end(), std::size_t(0),
                           [](std::size_t sum, const LineRun& run) { return sum + run.count; });
}

void reserveMore(LineStore& store, std::size_t bytes, std::size_t lines)
{
    store.bytes.reserveMore(bytes);
    store.ends.reserveMore(lines);
    store.checks.reserveMore(lines);
}

// Adds the lines [first, last) of from at the end of to, whose room is had.
void appendLines(LineStore& to, const LineStore& from, std::size_t first, std::size_t last)
{
    const std::size_t start = from.start(first);
    const std::size_t length = from.start(last) - start;
    const auto base = static_cast<std::uint64_t>(to.bytes.size()) - start;
    to.bytes.append(from.bytes.data() + start, length);
    for (std::size_t line = first; line < last; ++line)
        to.ends.push_back(from.ends[line] + base);
    to.checks.append(from.checks.data() + first, last - first);
}

void notify(const AboutToChange& aboutToChange, const LineRuns& runs)
{
    if (aboutToChange)
        aboutToChange(runs);
}

} // namespace

TakenLines takeRuns(LineStore& list, const LineRuns& runs, const AboutToChange& aboutToChange, SpareStores* spares)
{
    TakenLines taken;
    if (runs.empty())
        return taken;
    if (runs.back().at + runs.back().count > list.count())
        throw std::out_of_range("no such result lines");
    std::size_t takenBytes = 0;
    for (const LineRun& run : runs)
        takenBytes += list.start(run.at + run.count) - list.start(run.at);
    const std::size_t takenLines = linesIn(runs);
    const std::size_t keptBytes = list.bytes.size() - takenBytes;
    const std::size_t keptLines = list.count() - takenLines;
    const bool keptAreFewer = keptBytes + keptLines * PerLineBytes <= takenBytes + takenLines * PerLineBytes;
    LineStore copies = spares != nullptr ? spares->take(keptAreFewer ? keptBytes : takenBytes) : LineStore();

    if (keptAreFewer) {
        // The kept lines are copied out and the list as it was becomes the step.
        reserveMore(copies, keptBytes, keptLines);
        notify(aboutToChange, runs);
        std::size_t next = 0;
        for (const LineRun& run : runs) {
            appendLines(copies, list, next, run.at);
            next = run.at + run.count;
        }
        appendLines(copies, list, next, list.count());
        taken.lines = std::move(list);
        taken.whole = true;
        list = std::move(copies);
        return taken;
    }

    reserveMore(copies, takenBytes, takenLines);
    notify(aboutToChange, runs);
    // One pass: kept lines move down over the gaps, taken ones are copied out.
    char* const data = list.bytes.data();
    std::size_t writeLine = runs.front().at;
    std::size_t writeByte = list.start(writeLine);
    std::size_t readLine = writeLine;
    std::size_t readByte = writeByte;
    const auto keepUpTo = [&](std::size_t last) {
        if (readLine == last)
            return;
        const std::size_t endByte = list.start(last);
        std::memmove(data + writeByte, data + readByte, endByte - readByte);
        const std::uint64_t shift = readByte - writeByte;
        for (std::size_t line = readLine; line < last; ++line, ++writeLine) {
            list.ends[writeLine] = list.ends[line] - shift;
            list.checks[writeLine] = list.checks[line];
        }
        writeByte += endByte - readByte;
        readByte = endByte;
        readLine = last;
    };
    for (const LineRun& run : runs) {
        keepUpTo(run.at);
        appendLines(copies, list, run.at, run.at + run.count);
        readLine = run.at + run.count;
        readByte = list.start(readLine);
    }
    keepUpTo(list.count());
    list.bytes.truncate(writeByte);
    list.ends.truncate(writeLine);
    list.checks.truncate(writeLine);
    taken.lines = std::move(copies);
    return taken;
}

LineStore putBackRuns(LineStore& list, TakenLines&& taken, const LineRuns& runs, const AboutToChange& aboutToChange)
{
    LineStore& lines = taken.lines;
    if (runs.empty())
        return std::move(lines);
    if (taken.whole) {
        const std::size_t before = lines.count();
        const std::size_t kept = before - linesIn(runs);
        if (runs.back().at + runs.back().count > before || kept > list.count())
            throw std::out_of_range("no such result lines");
        reserveMore(lines, list.bytes.size() - list.start(kept), list.count() - kept);
        notify(aboutToChange, runs);
        // The kept lines are those of the list as it was; only their ticks may differ.
        std::size_t keptLine = 0;
        std::size_t place = 0;
        for (const LineRun& run : runs) {
            for (; place < run.at; ++place)
                lines.checks[place] = list.checks[keptLine++];
            place = run.at + run.count;
        }
        for (; place < before; ++place)
            lines.checks[place] = list.checks[keptLine++];
        appendLines(lines, list, kept, list.count());
        std::swap(list, lines);
        return std::move(lines);
    }
    if (linesIn(runs) != lines.count() || runs.back().at + runs.back().count > list.count() + lines.count())
        throw std::out_of_range("no such result lines");
    reserveMore(list, lines.bytes.size(), lines.count());
    notify(aboutToChange, runs);

    // From the back: the list's lines move up past the runs still to come,
    // then each run's lines are copied into the gap left for them.
    list.bytes.extend(lines.bytes.size());
    list.ends.extend(lines.count());
    list.checks.extend(lines.count());
    char* const data = list.bytes.data();
    std::size_t listLeft = list.count() - lines.count();
    std::size_t takenLeft = lines.count();
    const auto listEnd = [&](std::size_t count) { return count == 0 ? 0 : list.ends[count - 1]; };
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const std::size_t runEnd = run->at + run->count;
        const std::size_t after = listLeft + takenLeft - runEnd;
        if (after > 0) {
            const std::uint64_t shift = lines.start(takenLeft);
            const std::size_t from = listEnd(listLeft - after);
            std::memmove(data + from + shift, data + from, listEnd(listLeft) - from);
            for (std::size_t line = listLeft; line-- > listLeft - after;) {
                list.ends[line + takenLeft] = list.ends[line] + shift;
                list.checks[line + takenLeft] = list.checks[line];
            }
            listLeft -= after;
        }
        const std::size_t first = takenLeft - run->count;
        const std::size_t from = lines.start(first);
        const std::uint64_t to = listEnd(listLeft) + from;
        std::memcpy(data + to, lines.bytes.data() + from, lines.start(takenLeft) - from);
        for (std::size_t line = 0; line < run->count; ++line) {
            list.ends[run->at + line] = lines.ends[first + line] - from + to;
            list.checks[run->at + line] = lines.checks[first + line];
        }
        takenLeft = first;
    }
    return std::move(lines);
}
