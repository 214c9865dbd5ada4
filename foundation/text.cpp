#include "foundation/text.h"

#include "foundation/text_platform.h"

namespace kb {

namespace {

std::string AsciiCase(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Maps the whole text by the user's locale; bytes that are not UTF-8 get ASCII mapping only, so
// that no byte is ever replaced.
std::string MapCase(std::string_view text, bool upper) {
    if (text.empty() || !IsValidUtf8(text))
        return AsciiCase(text, upper);
    std::optional<std::string> mapped = platform::LocaleCase(text, upper);
    return mapped ? std::move(*mapped) : AsciiCase(text, upper);
}

int ByteCompare(std::string_view a, std::string_view b) {
    int result = a.compare(b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace

std::string Trim(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string LowerCase(std::string_view text) {
    return MapCase(text, false);
}
std::string UpperCase(std::string_view text) {
    return MapCase(text, true);
}

int CompareText(std::string_view a, std::string_view b) {
    std::optional<int> order = platform::LocaleCompare(a, b);
    if (!order)
        return ByteCompare(a, b);
    // Bytes that are not UTF-8 all read as one replacement character; such texts must still
    // differ when their bytes do.
    if (*order == 0 && a != b && (!IsValidUtf8(a) || !IsValidUtf8(b)))
        return ByteCompare(a, b);
    return *order < 0 ? -1 : (*order > 0 ? 1 : 0);
}

}  // namespace kb
