#include "results/SpareStores.h"

#include <algorithm>
#include <utility>

LineStore SpareStores::take(std::size_t bytes)
{
    auto chosen = stores_.end();
    for (auto store = stores_.begin(); store != stores_.end(); ++store) {
        if (chosen == stores_.end()) {
            chosen = store;
            continue;
        }
        const std::size_t have = store->bytes.capacity();
        const std::size_t best = chosen->bytes.capacity();
        const bool holds = bytes > 0 && have >= bytes;
        const bool bestHolds = bytes > 0 && best >= bytes;
        if (holds ? !bestHolds || have < best : !bestHolds && have > best)
            chosen = store;
    }
    LineStore taken;
    if (chosen != stores_.end()) {
        taken = std::move(*chosen);
        stores_.erase(chosen);
    }
    return taken;
}

void SpareStores::give(LineStore&& store)
{
    store.bytes.clear();
    store.ends.clear();
    store.checks.clear();
    // Small blocks went back to the heap; only mapped ones are worth keeping.
    if (store.bytes.capacity() == 0)
        return;
    stores_.push_back(std::move(store));
    if (stores_.size() > MaxStores)
        stores_.erase(std::min_element(stores_.begin(), stores_.end(), [](const LineStore& a, const LineStore& b) {
            return a.bytes.capacity() < b.bytes.capacity();
        }));
}
