// The account check's answers: only an identifier that stays one segment of the addresses it
// goes into is taken.
#include <gtest/gtest.h>

#include "upload/account_answer.h"

namespace kb {
namespace {

TEST(AccountAnswer, OnlyTwentyFourHexDigitsAreAnIdentifier) {
    using Kind = AccountAnswer::Kind;
    const struct {
        std::string answer;
        Kind kind;
    } cases[] = {
        {"0123456789abcdef01234567", Kind::Identifier},
        {"0123456789ABCDEF01234567", Kind::Identifier},
        {"Not Found", Kind::UnknownUser},
        {"not found", Kind::ServerProblem},
        {"", Kind::ServerProblem},
        {"0123456789abcdef0123456", Kind::ServerProblem},    // 23
        {"0123456789abcdef012345678", Kind::ServerProblem},  // 25
        // 24 characters that would change the processing address or the message
        {"../../processing/xxxxxxx", Kind::ServerProblem},
        {"0123456789abcdef0123?x=1", Kind::ServerProblem},
        {"0123456789abcdef012345\r\n", Kind::ServerProblem},
        {"<html><body>Error</body>", Kind::ServerProblem},
    };
    for (const auto& c : cases) {
        const AccountAnswer read = ReadAccountAnswer(c.answer);
        EXPECT_EQ(read.kind, c.kind) << c.answer;
        EXPECT_EQ(read.id, c.kind == Kind::Identifier ? c.answer : "") << c.answer;
    }
}

}  // namespace
}  // namespace kb
