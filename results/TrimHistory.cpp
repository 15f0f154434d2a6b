#include "TrimHistory.h"

#include <cstring>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace {

bool startsTheList(const LineRuns& runs)
{
    return runs.size() == 1 && runs.front().at == 0;
}

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

void truncate(LineStore& store, std::size_t lines)
{
    store.bytes.truncate(store.start(lines));
    store.ends.truncate(lines);
    store.checks.truncate(lines);
}

void notify(const AboutToChange& aboutToChange, const LineRuns& runs)
{
    if (aboutToChange)
        aboutToChange(runs);
}

} // namespace

LineStore takeRuns(LineStore& list, const LineRuns& runs, const AboutToChange& aboutToChange, LineStore* room)
{
    LineStore taken;
    if (runs.empty())
        return taken;
    if (runs.back().at + runs.back().count > list.count())
        throw std::out_of_range("no such result lines");
    if (startsTheList(runs)) {
        // The list's storage becomes the taken lines; what follows them moves.
        const std::size_t kept = runs.front().count;
        LineStore fresh;
        LineStore& rest = room != nullptr ? *room : fresh;
        reserveMore(rest, list.bytes.size() - list.start(kept), list.count() - kept);
        notify(aboutToChange, runs);
        appendLines(rest, list, kept, list.count());
        truncate(list, kept);
        taken = std::move(list);
        list = std::move(rest);
        return taken;
    }
    std::size_t takenBytes = 0;
    for (const LineRun& run : runs)
        takenBytes += list.start(run.at + run.count) - list.start(run.at);
    reserveMore(taken, takenBytes, linesIn(runs));
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
        appendLines(taken, list, run.at, run.at + run.count);
        readLine = run.at + run.count;
        readByte = list.start(readLine);
    }
    keepUpTo(list.count());
    list.bytes.truncate(writeByte);
    list.ends.truncate(writeLine);
    list.checks.truncate(writeLine);
    return taken;
}

void putBackRuns(LineStore& list, LineStore&& taken, const LineRuns& runs, const AboutToChange& aboutToChange)
{
    if (runs.empty())
        return;
    if (linesIn(runs) != taken.count() || runs.back().at + runs.back().count > list.count() + taken.count())
        throw std::out_of_range("no such result lines");
    if (startsTheList(runs)) {
        reserveMore(taken, list.bytes.size(), list.count());
        notify(aboutToChange, runs);
        appendLines(taken, list, 0, list.count());
        list = std::move(taken);
        return;
    }
    reserveMore(list, taken.bytes.size(), taken.count());
    notify(aboutToChange, runs);

    // From the back: the list's lines move up past the runs still to come,
    // then each run's lines are copied into the gap left for them.
    list.bytes.extend(taken.bytes.size());
    list.ends.extend(taken.count());
    list.checks.extend(taken.count());
    char* const data = list.bytes.data();
    std::size_t listLeft = list.count() - taken.count();
    std::size_t takenLeft = taken.count();
    const auto listEnd = [&](std::size_t lines) { return lines == 0 ? 0 : list.ends[lines - 1]; };
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const std::size_t runEnd = run->at + run->count;
        const std::size_t after = listLeft + takenLeft - runEnd;
        if (after > 0) {
            const std::uint64_t shift = taken.start(takenLeft);
            const std::size_t from = listEnd(listLeft - after);
            std::memmove(data + from + shift, data + from, listEnd(listLeft) - from);
            for (std::size_t line = listLeft; line-- > listLeft - after;) {
                list.ends[line + takenLeft] = list.ends[line] + shift;
                list.checks[line + takenLeft] = list.checks[line];
            }
            listLeft -= after;
        }
        const std::size_t first = takenLeft - run->count;
        const std::size_t from = taken.start(first);
        const std::uint64_t to = listEnd(listLeft) + from;
        std::memcpy(data + to, taken.bytes.data() + from, taken.start(takenLeft) - from);
        for (std::size_t line = 0; line < run->count; ++line) {
            list.ends[run->at + line] = taken.ends[first + line] - from + to;
            list.checks[run->at + line] = taken.checks[first + line];
        }
        takenLeft = first;
    }
    taken = LineStore();
}

TrimHistory::TrimHistory(std::size_t maxSteps, std::size_t maxBytes) : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

void TrimHistory::trim(LineStore& list, LineRuns runs, const AboutToChange& aboutToChange)
{
    if (runs.empty())
        return;
    undo_.push_back({std::move(runs), {}});
    try {
        undo_.back().taken = takeRuns(list, undo_.back().runs, aboutToChange, &room_);
    } catch (...) {
        undo_.pop_back();
        throw;
    }
    redo_.clear();
    dropOldSteps();
}

bool TrimHistory::undo(LineStore& list, const AboutToChange& aboutToChange)
{
    if (undo_.empty())
        return false;
    redo_.emplace_back();
    try {
        putBackRuns(list, std::move(undo_.back().taken), undo_.back().runs, aboutToChange);
    } catch (...) {
        redo_.pop_back();
        throw;
    }
    redo_.back().runs = std::move(undo_.back().runs);
    undo_.pop_back();
    return true;
}

bool TrimHistory::redo(LineStore& list, const AboutToChange& aboutToChange)
{
    if (redo_.empty())
        return false;
    undo_.emplace_back();
    try {
        undo_.back().taken = takeRuns(list, redo_.back().runs, aboutToChange, &room_);
    } catch (...) {
        undo_.pop_back();
        throw;
    }
    undo_.back().runs = std::move(redo_.back().runs);
    redo_.pop_back();
    dropOldSteps();
    return true;
}

void TrimHistory::dropOldSteps()
{
    std::size_t held = 0;
    for (const Step& step : undo_)
        held += step.heldBytes();
    for (const Step& step : redo_)
        held += step.heldBytes();
    while (undo_.size() > maxSteps_ || (undo_.size() > 1 && held > maxBytes_)) {
        held -= undo_.front().heldBytes();
        room_ = std::move(undo_.front().taken);
        undo_.pop_front();
        room_.bytes.clear();
        room_.ends.clear();
        room_.checks.clear();
    }
}
