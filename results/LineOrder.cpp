#include "results/LineOrder.h"

#include "results/ListReading.h"

#include <QHashFunctions>
#include <QString>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// Pieces of work between two yields; each costs a microsecond or less.
constexpr std::size_t SliceSize = 256;
// Lines sorted at once before the merges; a few milliseconds' work.
constexpr std::size_t RunSize = 4096;

// Yields before the first piece of work and after every SliceSize more.
class Slices {
public:
    explicit Slices(const std::function<void()>& yield) : yield_(yield) {}
    void next()
    {
        if (done_++ % SliceSize == 0)
            yield_();
    }

private:
    const std::function<void()>& yield_;
    std::size_t done_ = 0;
};

struct KeyedLine {
    QCollatorSortKey key;
    std::size_t line;
};

std::string_view bytesOf(const ListReading& lines, std::size_t line)
{
    const QByteArrayView bytes = lines.lineBytes(static_cast<qsizetype>(line));
    return {bytes.data(), static_cast<std::size_t>(bytes.size())};
}

// Merges the sorted ranges [first, middle) and [middle, last) of from into to, the first range's line first
// where two are alike.
template <typename Before>
void mergeRuns(std::vector<KeyedLine>& from, std::vector<KeyedLine>& to, std::size_t first, std::size_t middle,
               std::size_t last, const Before& before, Slices& slices)
{
    std::size_t left = first;
    std::size_t right = middle;
    for (std::size_t out = first; out < last; ++out) {
        slices.next();
        const bool takeRight = right < last && (left == middle || before(from[right], from[left]));
        to[out] = std::move(from[takeRight ? right++ : left++]);
    }
}

// Lets go of the keys a few at a time: a million of them take a while to free.
void dropSliced(std::vector<KeyedLine>& lines, Slices& slices)
{
    while (!lines.empty()) {
        slices.next();
        lines.pop_back();
    }
}

} // namespace

QCollator fileNameCollator(const QLocale& locale)
{
    // English adds no rules of its own to Unicode's default order.
    QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English) : locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

std::vector<std::size_t> sortedOrder(const ListReading& lines, const QCollator& collator,
                                     const std::function<void()>& yield)
{
    Slices slices(yield);
    const auto count = static_cast<std::size_t>(lines.lineCount());
    std::vector<KeyedLine> keyed;
    keyed.reserve(count);
    for (std::size_t line = 0; line < count; ++line) {
        slices.next();
        keyed.push_back({collator.sortKey(QString::fromUtf8(lines.lineBytes(static_cast<qsizetype>(line)))), line});
    }
    const auto before = [&lines](const KeyedLine& a, const KeyedLine& b) {
        const int byKey = a.key.compare(b.key);
        return byKey != 0 ? byKey < 0 : bytesOf(lines, a.line) < bytesOf(lines, b.line);
    };
    // A merge sort, stable and in pieces: runs sorted whole, then merged pairwise.
    for (std::size_t first = 0; first < count; first += RunSize) {
        yield();
        std::stable_sort(keyed.begin() + static_cast<std::ptrdiff_t>(first),
                         keyed.begin() + static_cast<std::ptrdiff_t>(std::min(first + RunSize, count)), before);
    }
    std::vector<KeyedLine> merged;
    if (count > RunSize) {
        merged.reserve(count);
        for (const KeyedLine& line : keyed) {
            slices.next();
            merged.push_back(line);
        }
    }
    for (std::size_t width = RunSize; width < count; width *= 2) {
        for (std::size_t first = 0; first < count; first += 2 * width) {
            const std::size_t middle = std::min(first + width, count);
            mergeRuns(keyed, merged, first, middle, std::min(first + 2 * width, count), before, slices);
        }
        std::swap(keyed, merged);
    }
    std::vector<std::size_t> order;
    order.reserve(count);
    for (const KeyedLine& line : keyed)
        order.push_back(line.line);
    dropSliced(merged, slices);
    dropSliced(keyed, slices);
    return order;
}

LineStore linesInOrder(const ListReading& lines, const std::vector<std::size_t>& order, LineStore store,
                       const std::function<void()>& yield)
{
    Slices slices(yield);
    store.ends.reserveMore(order.size());
    store.checks.reserveMore(order.size());
    for (const std::size_t line : order) {
        slices.next();
        const QByteArrayView bytes = lines.lineBytes(static_cast<qsizetype>(line));
        store.bytes.reserveMore(static_cast<std::size_t>(bytes.size()));
        store.bytes.append(bytes.data(), static_cast<std::size_t>(bytes.size()));
        store.ends.push_back(store.bytes.size());
        store.checks.push_back(0);
    }
    return store;
}

LineRuns duplicateRuns(const ListReading& lines, const std::function<void()>& yield)
{
    Slices slices(yield);
    const auto count = static_cast<std::size_t>(lines.lineCount());
    // The first line of each text, by its hash, in a table at most two thirds full; an empty slot has no line.
    struct Slot {
        std::size_t hash = 0;
        std::size_t linePlusOne = 0;
    };
    std::size_t capacity = 16;
    while (capacity < count + count / 2)
        capacity *= 2;
    std::vector<Slot> table(capacity);
    const std::size_t seed = QHashSeed::globalSeed();
    LineRuns runs;
    for (std::size_t line = 0; line < count; ++line) {
        slices.next();
        const std::string_view bytes = bytesOf(lines, line);
        const std::size_t hash = qHash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), seed);
        std::size_t at = hash & (capacity - 1);
        bool seen = false;
        for (; table[at].linePlusOne != 0 && !seen; at = (at + 1) & (capacity - 1))
            seen = table[at].hash == hash && bytesOf(lines, table[at].linePlusOne - 1) == bytes;
        if (!seen)
            table[at] = {hash, line + 1};
        else if (!runs.empty() && runs.back().at + runs.back().count == line)
            ++runs.back().count;
        else
            runs.push_back({line, 1});
    }
    return runs;
}
