#pragma once

#include "ListerState.h"
#include "SkipRules.h"

#include <QByteArray>

#include <memory>

// Starts the walker of a feed on a thread of its own: it walks the tree depth
// first as the walk will, starts the listings ahead of it on helper threads,
// and hands each folder over in turn.
void startWalker(const std::shared_ptr<ListerState>& shared, QByteArray folder, SkipRules skip);
