#include "update/comma_list.h"

namespace rangwerk {

namespace {

bool IsBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

}  // namespace

std::vector<std::string> SplitCommaList(std::string_view text) {
    // Everything after a zero character is not part of the text.
    if (const auto zero = text.find('\0'); zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    std::vector<std::string> items;
    std::size_t at = 0;
    const std::size_t end = text.size();
    while (at < end && IsBlank(text[at])) {
        ++at;
    }
    while (at < end) {
        std::string item;
        if (text[at] == '"') {
            ++at;
            while (at < end) {
                if (text[at] == '"') {
                    if (at + 1 < end && text[at + 1] == '"') {
                        item += '"';
                        at += 2;
                        continue;
                    }
                    ++at;  // the closing quote
                    break;
                }
                item += text[at++];
            }
        } else {
            const std::size_t begin = at;
            while (at < end && !IsBlank(text[at]) && text[at] != ',') {
                ++at;
            }
            item.assign(text.substr(begin, at - begin));
        }
        items.push_back(std::move(item));
        while (at < end && IsBlank(text[at])) {
            ++at;
        }
        if (at < end && text[at] == ',') {
            if (at + 1 == end) {
                items.emplace_back();
            }
            do {
                ++at;
            } while (at < end && IsBlank(text[at]));
        }
    }
    return items;
}

}  // namespace rangwerk
