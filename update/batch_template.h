#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

namespace rangwerk {

// How widths and precisions count the characters of a value.
enum class TextUnits {
    Bytes,  // one byte, one character (the console's code page on Windows)
    Utf8    // one UTF-8 sequence, one character
};

// A template that cannot be filled: a stray "%", an unknown conversion, an index past the
// values. The message is German.
class TemplateError : public Failure {
public:
    explicit TemplateError(const std::string& message) : Failure(message) {}
};

// Fills one line of "Update.bat" as a format template with string values:
//   "%s" the next value in order, "%0:s" / "%1:s" the value of that position (later "%s" go on
//   after it), "%%" one percent sign, "%-10.3s" width, left alignment and precision as in
//   printf. Everything else in the line is taken byte for byte.
// Throws TemplateError when the line is malformed.
std::string FormatTemplate(std::string_view line, const std::vector<std::string>& values,
                           TextUnits units);

}  // namespace rangwerk
