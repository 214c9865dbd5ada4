// The locale services from ICU.
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <cstring>
#include <memory>

#include "foundation/text.h"
#include "foundation/text_platform.h"

namespace kb {

namespace {

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

}  // namespace

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

std::string FromWindows1252(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    std::string out(bytes.size() * 3 + 1, '\0');
    const int32_t length =
        ucnv_convert("UTF-8", "windows-1252", out.data(), static_cast<int32_t>(out.size()),
                     bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::string(bytes);
    out.resize(static_cast<size_t>(length));
    return out;
}

namespace platform {

std::optional<std::string> LocaleCase(std::string_view text, bool upper) {
    UCaseMap* map = ThreadCaseMap();
    if (map == nullptr)
        return std::nullopt;
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
    return std::nullopt;
}

std::optional<int> LocaleCompare(std::string_view a, std::string_view b) {
    icu::Collator* collator = ThreadCollator();
    if (collator == nullptr)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result =
        collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                              icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    if (U_FAILURE(status))
        return std::nullopt;
    return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}

std::optional<std::string> FileSystemUpperCase(std::string_view name) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
    const auto length = static_cast<int32_t>(name.size());
    std::string out;
    out.reserve(name.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return std::nullopt;
        uint8_t encoded[U8_MAX_LENGTH];
        int32_t size = 0;
        U8_APPEND_UNSAFE(encoded, size, u_toupper(c));
        out.append(reinterpret_cast<const char*>(encoded), static_cast<size_t>(size));
    }
    return out;
}

}  // namespace platform

}  // namespace kb
