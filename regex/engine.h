#pragma once
// The regular expression engine behind kb::RegularExp: PCRE2 (8-bit, no UTF), JIT when
// available. Compiled patterns are cached per pattern and mode and shared between threads;
// match data belongs to each call.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kb::regex {

struct GroupSpan {
    size_t start = 0;
    size_t end = 0;
    bool set = false;
};

class CompiledPattern;

// Compiles (or fetches from the cache) pattern in plain or single-line mode.
// Raises std::invalid_argument naming the pattern and the offset on a syntax error.
std::shared_ptr<const CompiledPattern> Compile(std::string_view pattern, bool singleLine);

// Number of capture groups of the pattern.
size_t CaptureCount(const CompiledPattern& pattern);

// Searches subject from startOffset; on a match fills spans (entry 0 the whole match, one per
// capture group) and answers true. A search that reaches the engine's backtracking, depth or
// memory limits answers false, as a subject that does not match.
bool Search(const CompiledPattern& pattern, std::string_view subject, size_t startOffset,
            std::vector<GroupSpan>& spans);

// Named group number, or -1 when the pattern has no such name.
int GroupNumber(const CompiledPattern& pattern, std::string_view name);

}  // namespace kb::regex
