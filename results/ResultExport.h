#pragma once

#include "PointerState.h"
#include "ReplacingFile.h"

class Desktop;
class ResultModel;
class StepTrap;

// The save button: asks for a file name, asks before an existing file is
// replaced, and writes every line as its bytes followed by CR LF under the
// busy pointer. The first failure is reported and ends the export with the
// old file untouched.
void saveResultsAsTextFile(StepTrap& trap, Desktop& desktop, const ResultModel& list, const SetPointerState& setPointer,
                           const ReplacingFileOpener& open = openReplacingFile);

// Export List... of the result list's menu: the same, in the form of the file
// type chosen: lines ending in LF, lines ending in NUL, or a playlist of
// lines ending in LF after "#EXTM3U".
void exportList(StepTrap& trap, Desktop& desktop, const ResultModel& list, const SetPointerState& setPointer,
                const ReplacingFileOpener& open = openReplacingFile);
