#pragma once

// What a result line holds, after the option button that chooses it.
enum class ResultForm {
    None = 0,            // no option selected: no line
    PathAndFilename = 1, // Option1
    JustFilename = 2,    // Option2
    JustPath = 3,        // Option3
    JustSubfolder = 4,   // Option4
};
