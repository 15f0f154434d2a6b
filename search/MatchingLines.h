#pragma once

#include "search/FolderFeed.h"
#include "search/FolderLines.h"
#include "text/PhraseMatcher.h"

// The lines of a listed folder's matching files, in listing order: the one
// place where a listing becomes lines, for the window and the command line.
// goOn() runs before every file, and false ends the folder (the window yields
// there and looks at Stop); formNow() is asked for each matching file, as the
// window's options may change meanwhile; take(line) gets each line. False
// when goOn() ended it.
template <typename GoOn, typename FormNow, typename Take>
bool forEachMatchingLine(const FolderListing& listing, const PhraseMatcher& matcher, GoOn&& goOn, FormNow&& formNow,
                         Take&& take)
{
    const NameList& files = listing.files;
    FolderLines lines(listing.path);
    for (qsizetype position = 0; position < files.size(); ++position) {
        if (!goOn())
            return false;
        const QByteArrayView name = files.at(position);
        if (!matcher.matches(name))
            continue;
        if (const auto line = lines.line(formNow(), name))
            take(*line);
    }
    return true;
}
