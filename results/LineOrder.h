#pragma once

#include "results/LineRuns.h"
#include "results/LineStore.h"

#include <QCollator>
#include <QLocale>

#include <cstddef>
#include <functional>
#include <vector>

class ListReading;

// The order a file manager shows names in: the locale's, ignoring case, with
// numbers by their value ("file2" before "file10"). The C locale's collator
// compares code points alone, so there the default order of Unicode stands in.
QCollator fileNameCollator(const QLocale& locale = QLocale());

// The lines read in the collator's order: order[i] is the line that goes to
// place i. A line goes by its shown text (with a stand-in for what is not
// UTF-8), lines alike there by their bytes, and lines equal in both keep their
// order. Each line's sort key is built once. yield() runs every few hundred
// lines or comparisons; throws the line-gone failure once the lines have moved.
std::vector<std::size_t> sortedOrder(const ListReading& lines, const QCollator& collator,
                                     const std::function<void()>& yield);

// The lines read, copied into the empty store in the order given, their ticks
// left unset; yields as sortedOrder() does.
LineStore linesInOrder(const ListReading& lines, const std::vector<std::size_t>& order, LineStore store,
                       const std::function<void()>& yield);

// The lines read whose bytes equal an earlier line's; yields as sortedOrder() does.
LineRuns duplicateRuns(const ListReading& lines, const std::function<void()>& yield);
