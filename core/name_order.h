#pragma once

#include <string_view>

namespace rangwerk {

// The order of names for the alphabetical query order: byte by byte in Windows-1252 with a-z
// taken as A-Z; a character that Windows-1252 cannot hold sorts after every one that it can,
// by its code point; a prefix comes before the longer name. Negative, zero or positive.
int CompareNames(std::string_view a, std::string_view b);

// The order of names in a choice list, alphabetical as a German reader looks a name up: letters
// by their base letter whatever their accent or letter case (Ä beside A, ß as ss, Æ as ae),
// blanks, punctuation and other signs of Latin-1 before digits, digits before letters, and any
// other character after the letters by its code point; where that leaves two names equal, the
// plain letter comes before the accented one. Names that differ only in letter case compare
// equal (0), so a stable sort keeps their order. Negative, zero or positive.
int CompareNamesForReading(std::string_view a, std::string_view b);

}  // namespace rangwerk
