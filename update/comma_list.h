#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rangwerk {

// Splits a comma list into its items:
// - characters with codes 1 to 32 before an item are skipped;
// - an item that begins with a double quote runs to the next lone double quote; inside it two
//   double quotes stand for one and commas and blanks belong to the item; an unclosed quote
//   runs to the end;
// - any other item runs up to the next comma or character with a code from 1 to 32;
// - after an item, characters with codes 1 to 32 are skipped; a following comma is skipped with
//   the blanks after it, and a comma that is the very last character adds one empty item.
// A zero character ends the text.
std::vector<std::string> SplitCommaList(std::string_view text);

}  // namespace rangwerk
