#include "upload/account_answer.h"

#include <algorithm>

namespace kb {
namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

AccountAnswer ReadAccountAnswer(std::string_view answer) {
    if (answer == "Not Found")
        return {AccountAnswer::Kind::UnknownUser, ""};
    if (answer.size() == kAccountIdLength && std::ranges::all_of(answer, IsHexDigit))
        return {AccountAnswer::Kind::Identifier, std::string(answer)};
    return {};
}

}  // namespace kb
