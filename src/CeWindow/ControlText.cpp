// Word wrapping and mnemonic marks of control texts.
#include "ControlText.h"

#include <algorithm>

namespace ce::win {

std::vector<TextLine> WrapText(std::u16string_view text, int width) {
    const size_t cells = static_cast<size_t>(std::max(width, 1));
    std::vector<TextLine> lines;
    size_t start = 0;
    while (true) {
        // The hard line from `start`: up to the next line break.
        size_t hardEnd = text.find_first_of(u"\r\n", start);
        if (hardEnd == std::u16string_view::npos) hardEnd = text.size();
        while (hardEnd - start > cells) {
            // Break after the last blank among the first width + 1 characters: a blank right
            // after a full line still lets the line keep all its cells.
            size_t blank = text.find_last_of(u' ', start + cells);
            size_t next;
            size_t length;
            if (blank == std::u16string_view::npos || blank < start || blank == start) {
                length = cells;
                next = start + cells;
            } else {
                next = blank + 1;
                while (next < hardEnd && text[next] == u' ') ++next;
                length = next - start;
            }
            if (next >= hardEnd) break;  // only blanks remain: they end this line
            lines.push_back({start, length, next});
            start = next;
        }
        if (hardEnd == text.size()) {
            lines.push_back({start, hardEnd - start, hardEnd});
            return lines;
        }
        size_t next = hardEnd + 1;
        if (text[hardEnd] == u'\r' && next < text.size() && text[next] == u'\n') ++next;
        lines.push_back({start, hardEnd - start, next});
        start = next;
    }
}

std::u16string StripMnemonic(std::u16string_view text, size_t* marked) {
    std::u16string out;
    out.reserve(text.size());
    if (marked) *marked = std::u16string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&' && marked && *marked == std::u16string::npos) *marked = out.size();
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace ce::win
