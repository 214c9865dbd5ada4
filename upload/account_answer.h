#pragma once
// What the service's account check answered.
#include <string>
#include <string_view>

namespace kb {

// The service answers an account check with the account's identifier: the 24 hexadecimal
// digits of a 12-byte object identifier of its document database.
inline constexpr size_t kAccountIdLength = 24;

struct AccountAnswer {
    enum class Kind { Identifier, UnknownUser, ServerProblem };
    Kind kind = Kind::ServerProblem;
    std::string id;  // the identifier, for Kind::Identifier
};

// "Not Found" is an unknown user; 24 hexadecimal digits are the identifier; anything else
// (the empty text of no connection, an error page, 24 other characters, which would change
// the addresses the identifier goes into) is a problem with the server.
AccountAnswer ReadAccountAnswer(std::string_view answer);

}  // namespace kb
