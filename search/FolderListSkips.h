#pragma once

#include "search/SkipRules.h"

class FolderListModel;

// The skip entries of the folder list as rules for every walk of a search.
SkipRules skipRulesOf(const FolderListModel& list);
