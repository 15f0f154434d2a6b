#pragma once

#include "common/PointerState.h"
#include "io/Lookup.h"
#include "results/ReplacingFile.h"

#include <chrono>

class Desktop;
class ResultModel;
class StepTrap;

// How the target is looked up before the overwrite question: on the I/O
// threads, with the window yielding; one that does not answer in time is reported.
inline LookupOptions targetCheck()
{
    return targetLookup(std::chrono::seconds(3));
}

// The save button: asks for a file name, asks before an existing file is
// replaced, and writes every line as its bytes followed by CR LF under the
// busy pointer, holding the list meanwhile (see ListReading). The first
// failure, a trim of the list among them, is reported and ends the export
// with the old file untouched.
void saveResultsAsTextFile(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer,
                           const ReplacingFileOpener& open = openReplacingFile,
                           const LookupOptions& lookupTarget = targetCheck());

// Export List... of the result list's menu: the same, in the form of the file
// type chosen: lines ending in LF, lines ending in NUL, or a playlist of
// lines ending in LF after "#EXTM3U".
void exportList(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer,
                const ReplacingFileOpener& open = openReplacingFile, const LookupOptions& lookupTarget = targetCheck());
