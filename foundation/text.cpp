#include "foundation/text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucasemap.h>
#include <unicode/utf8.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace kb {

namespace {

bool IsValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

// The locale name for case mapping and collation. ICU maps the C and POSIX locales to
// en_US_POSIX, whose collation orders by code point; texts are compared linguistically there
// too, so that locale falls back to the root collation (a < A < b < B).
const char* UserLocale() {
    const char* name = uloc_getDefault();
    if (name == nullptr || std::strcmp(name, "en_US_POSIX") == 0 || std::strcmp(name, "c") == 0) {
        return "";
    }
    return name;
}

struct CaseMapDeleter {
    void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

UCaseMap* ThreadCaseMap() {
    thread_local std::unique_ptr<UCaseMap, CaseMapDeleter> map = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCaseMap* opened = ucasemap_open(UserLocale(), 0, &status);
        return std::unique_ptr<UCaseMap, CaseMapDeleter>(U_SUCCESS(status) ? opened : nullptr);
    }();
    return map.get();
}

using CaseFunction = int32_t (*)(const UCaseMap*, char*, int32_t, const char*, int32_t,
                                 UErrorCode*);

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

// Maps the whole text with ICU; bytes that are not UTF-8 get ASCII mapping only, so that no
// byte is ever replaced.
std::string MapCase(std::string_view text, bool upper) {
    UCaseMap* map = ThreadCaseMap();
    if (text.empty() || map == nullptr || !IsValidUtf8(text))
        return AsciiCase(text, upper);
    CaseFunction function = upper ? ucasemap_utf8ToUpper : ucasemap_utf8ToLower;
    std::string out(text.size() + 8, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = function(map, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                  static_cast<int32_t>(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<size_t>(length), '\0');
            continue;
        }
        if (U_FAILURE(status))
            break;
        out.resize(static_cast<size_t>(length));
        return out;
    }
    return AsciiCase(text, upper);
}

// One collator is built for the process; each thread compares with its own clone, since a
// collator keeps per-call state that must not be shared.
const icu::Collator* SharedCollator() {
    static std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(
            icu::Collator::createInstance(icu::Locale(UserLocale()), status));
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            made.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        }
        if (made)
            made->setStrength(icu::Collator::TERTIARY);
        return made;
    }();
    return collator.get();
}

icu::Collator* ThreadCollator() {
    thread_local std::unique_ptr<icu::Collator> collator(
        SharedCollator() != nullptr ? SharedCollator()->clone() : nullptr);
    return collator.get();
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
    icu::Collator* collator = ThreadCollator();
    if (collator == nullptr)
        return ByteCompare(a, b);
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result =
        collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                              icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    if (U_FAILURE(status))
        return ByteCompare(a, b);
    // Bytes that are not UTF-8 all read as one replacement character; such texts must still
    // differ when their bytes do.
    if (result == UCOL_EQUAL && a != b && (!IsValidUtf8(a) || !IsValidUtf8(b))) {
        return ByteCompare(a, b);
    }
    return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}

}  // namespace kb
