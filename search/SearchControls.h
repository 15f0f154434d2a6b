#pragma once

#include "common/PointerState.h"

#include "search/ResultForm.h"

#include <QString>

// What a search run reads and sets on the window. A run yields to the window
// all the time, and a person may retype the phrase or pick another option
// meanwhile; so the phrase is read afresh for each folder-list entry and the
// result form for each matching file, and a change shows from the next entry
// or the next matching file. Whether to go into subfolders is read once.
class SearchControls {
public:
    virtual ~SearchControls() = default;

    virtual QString phrase() const = 0;
    virtual ResultForm resultForm() const = 0;
    virtual int includeSubfolders() const = 0; // 0, 1 or 2 (greyed)

    // The toggle button's caption: "Stop" while a run goes.
    virtual QString startCaption() const = 0;
    virtual void setStartCaption(const QString& caption) = 0;
    virtual void setPointer(PointerState state) = 0;

    // Around the walk of a run that has folders to walk: the window may show
    // outside itself that it is busy. The lines are all shown at the end.
    virtual void walkStarted() {}
    virtual void walkEnded() {}
};
