#include "compiler/script_encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <stdexcept>
#include <vector>

namespace compiler {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// UTF-16 of a UTF-8 text; nullopt-like failure is signalled by the error code.
std::u16string FromUtf8(std::string_view utf8, UErrorCode& status) {
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR)
        status = U_ZERO_ERROR;
    if (U_FAILURE(status))
        return {};
    std::u16string result(static_cast<size_t>(length), u'\0');
    u_strFromUTF8(result.data(), length, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()),
                  &status);
    return result;
}

bool IsValidUtf8(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    FromUtf8(bytes, status);
    return U_SUCCESS(status);
}

std::string FromWindows1252(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    // Each Windows-1252 byte becomes at most three UTF-8 bytes.
    std::vector<char> out(bytes.size() * 3 + 1);
    const int32_t length =
        ucnv_convert("UTF-8", "windows-1252", out.data(), static_cast<int32_t>(out.size()),
                     bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("Windows-1252 conversion failed: ") +
                                 u_errorName(status));
    return std::string(out.data(), static_cast<size_t>(length));
}

}  // namespace

std::string DecodeScriptText(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return FromWindows1252(bytes);
}

std::string Utf16LeBytes(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const std::u16string wide = FromUtf8(utf8, status);
    if (U_FAILURE(status))
        throw std::runtime_error("text is not valid UTF-8");
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t unit : wide) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

}  // namespace compiler
