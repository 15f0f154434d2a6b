#pragma once

// What a phrase matches, as every matcher of the program must see it: the
// walk's over file names and the two result filters' over lines. Phrases
// here are never empty, never only spaces and hold no star, since the
// search and the filters treat those before matching.
//
// Adds the columns "phrase" (QString), "text" (QByteArray) and "matches"
// (bool) to the running _data() function, and one row a case.
void addPhraseRows();
