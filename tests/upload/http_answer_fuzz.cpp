// libFuzzer target for what the upload makes of the service's answers (target
// http_answer_fuzz, not in "all"): the excerpt shown in a message box keeps its bounds and shows
// no control character, and only an identifier that stays one path segment is taken from an
// account check.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "upload/account_answer.h"
#include "upload/http_client.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "answer: %s\n", what);
        std::abort();
    }
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool Plain(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 32 && c != '\t')
            return false;
    return true;
}

void CheckExcerpt(std::string_view answer) {
    const std::string excerpt = kb::AnswerExcerpt(answer);
    if (answer.empty()) {
        Check(excerpt.empty(), "an empty answer shows something");
        return;
    }
    const std::vector<std::string_view> lines = Lines(excerpt);
    Check(lines.size() <= kb::kShownAnswerLines + 1, "too many lines shown");
    for (std::string_view line : lines) {
        Check(line.size() <= kb::kShownAnswerLineLength + 3, "a line shown too long");
        for (char c : line)
            Check(static_cast<unsigned char>(c) >= 32 || c == '\t', "a control character shown");
    }
    // A short answer of plain lines is shown whole, line ends without their CR.
    const std::vector<std::string_view> given = Lines(answer);
    bool shortAndPlain = given.size() <= kb::kShownAnswerLines;
    std::string expected;
    for (size_t i = 0; i < given.size(); ++i) {
        std::string_view line = given[i];
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        shortAndPlain = shortAndPlain && line.size() <= kb::kShownAnswerLineLength && Plain(line);
        expected += (i == 0 ? "" : "\n") + std::string(line);
    }
    if (shortAndPlain && !answer.ends_with('\n'))
        Check(excerpt == expected, "a short plain answer not shown whole");
}

void CheckAccountAnswer(std::string_view answer) {
    const kb::AccountAnswer read = kb::ReadAccountAnswer(answer);
    using Kind = kb::AccountAnswer::Kind;
    Check((read.kind == Kind::UnknownUser) == (answer == "Not Found"), "unknown user misread");
    if (read.kind != Kind::Identifier) {
        Check(read.id.empty(), "an identifier beside no account");
        return;
    }
    Check(read.id == answer && read.id.size() == kb::kAccountIdLength, "identifier not as sent");
    Check(kb::UrlEncode(read.id) == read.id, "identifier would change the address");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    CheckExcerpt(answer);
    CheckAccountAnswer(answer);
    // The identifier's length reached with whatever bytes came.
    CheckAccountAnswer(answer.substr(0, kb::kAccountIdLength));
    return 0;
}
