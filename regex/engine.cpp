#define PCRE2_CODE_UNIT_WIDTH 8
#include "regex/engine.h"

#include <pcre2.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace kb::regex {

class CompiledPattern {
  public:
    CompiledPattern(pcre2_code* code, std::string pattern)
        : code_(code), pattern_(std::move(pattern)) {
        uint32_t count = 0;
        pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &count);
        captures_ = count;
    }
    ~CompiledPattern() { pcre2_code_free(code_); }
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;

    const pcre2_code* Code() const { return code_; }
    size_t Captures() const { return captures_; }
    const std::string& Text() const { return pattern_; }

  private:
    pcre2_code* code_;
    std::string pattern_;
    size_t captures_ = 0;
};

namespace {

// Patterns are few and fixed in practice; the cap only guards against unbounded growth when a
// caller builds patterns from data. Dropping the cache never invalidates a pattern in use.
constexpr size_t kCacheLimit = 512;

std::string ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) {
        return "error " + std::to_string(code);
    }
    return reinterpret_cast<const char*>(buffer);
}

std::shared_ptr<const CompiledPattern> CompileNew(std::string_view pattern, bool singleLine) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    uint32_t options = PCRE2_DOLLAR_ENDONLY | (singleLine ? PCRE2_DOTALL : 0u);
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     options, &error, &offset, context);
    pcre2_compile_context_free(context);
    if (code == nullptr) {
        throw std::invalid_argument("Invalid regular expression \"" + std::string(pattern) +
                                    "\" at offset " + std::to_string(offset) + ": " +
                                    ErrorText(error));
    }
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // falls back to the interpreter on failure
    return std::make_shared<const CompiledPattern>(code, std::string(pattern));
}

// Per-thread match resources: match data grown to the largest pattern seen, and a JIT stack
// big enough for long subjects (the default 32 KiB one overflows on large texts).
struct MatchResources {
    pcre2_match_data* data = nullptr;
    uint32_t pairs = 0;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;

    MatchResources() {
        context = pcre2_match_context_create(nullptr);
        stack = pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr);
        if (stack != nullptr)
            pcre2_jit_stack_assign(context, nullptr, stack);
    }
    ~MatchResources() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(stack);
    }
    MatchResources(const MatchResources&) = delete;
    MatchResources& operator=(const MatchResources&) = delete;

    pcre2_match_data* DataFor(size_t captures) {
        uint32_t needed = static_cast<uint32_t>(captures + 1);
        if (needed > pairs) {
            pcre2_match_data_free(data);
            data = pcre2_match_data_create(needed, nullptr);
            pairs = needed;
        }
        return data;
    }
};

// A match that gave up on its backtracking, depth, heap or stack limit found nothing that could
// be used: a pathological subject reads as one that does not match.
bool IsResourceLimit(int rc) {
    switch (rc) {
        case PCRE2_ERROR_MATCHLIMIT:
        case PCRE2_ERROR_DEPTHLIMIT:
        case PCRE2_ERROR_HEAPLIMIT:
        case PCRE2_ERROR_JIT_STACKLIMIT:
        case PCRE2_ERROR_NOMEMORY:
            return true;
        default:
            return false;
    }
}

// Match resources are lent for one match at a time from a shared pool rather than kept per
// thread: freeing a JIT stack while its thread ends crashes on Windows. The pool holds as many
// as threads ever matched at once, and is never destroyed, as a thread may still match while
// the program ends.
class ResourcePool {
  public:
    std::unique_ptr<MatchResources> Take() {
        {
            std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<MatchResources> resources = std::move(idle_.back());
                idle_.pop_back();
                return resources;
            }
        }
        return std::make_unique<MatchResources>();
    }
    void Give(std::unique_ptr<MatchResources> resources) {
        std::lock_guard lock(mutex_);
        idle_.push_back(std::move(resources));
    }

  private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<MatchResources>> idle_;
};

ResourcePool& Pool() {
    static ResourcePool* pool = new ResourcePool;
    return *pool;
}

// The resources of one match, given back to the pool when it ends.
class LentResources {
  public:
    LentResources() : resources_(Pool().Take()) {}
    ~LentResources() { Pool().Give(std::move(resources_)); }
    LentResources(const LentResources&) = delete;
    LentResources& operator=(const LentResources&) = delete;
    MatchResources& operator*() const { return *resources_; }

  private:
    std::unique_ptr<MatchResources> resources_;
};

}  // namespace

std::shared_ptr<const CompiledPattern> Compile(std::string_view pattern, bool singleLine) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::shared_ptr<const CompiledPattern>> cache;

    std::string key;
    key.reserve(pattern.size() + 1);
    key.push_back(singleLine ? 's' : 'p');
    key.append(pattern);
    {
        std::lock_guard lock(mutex);
        auto found = cache.find(key);
        if (found != cache.end())
            return found->second;
    }
    auto compiled = CompileNew(pattern, singleLine);
    std::lock_guard lock(mutex);
    if (cache.size() >= kCacheLimit)
        cache.clear();
    return cache.emplace(std::move(key), compiled).first->second;
}

size_t CaptureCount(const CompiledPattern& pattern) {
    return pattern.Captures();
}

bool Search(const CompiledPattern& pattern, std::string_view subject, size_t startOffset,
            std::vector<GroupSpan>& spans) {
    spans.clear();
    if (startOffset > subject.size())
        return false;
    const LentResources lent;
    MatchResources& resources = *lent;
    pcre2_match_data* data = resources.DataFor(pattern.Captures());
    int rc = pcre2_match(pattern.Code(), reinterpret_cast<PCRE2_SPTR>(subject.data()),
                         subject.size(), startOffset, 0, data, resources.context);
    if (rc == PCRE2_ERROR_NOMATCH || IsResourceLimit(rc))
        return false;
    if (rc < 0) {
        throw std::runtime_error("Matching the regular expression \"" + pattern.Text() +
                                 "\" failed: " + ErrorText(rc));
    }
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data);
    spans.resize(pattern.Captures() + 1);
    for (size_t i = 0; i < spans.size(); ++i) {
        PCRE2_SIZE start = vector[2 * i];
        PCRE2_SIZE end = vector[2 * i + 1];
        if (start != PCRE2_UNSET && i < static_cast<size_t>(rc)) {
            spans[i] = GroupSpan{start, end, true};
        }
    }
    return true;
}

int GroupNumber(const CompiledPattern& pattern, std::string_view name) {
    std::string terminated(name);
    int number = pcre2_substring_number_from_name(pattern.Code(),
                                                  reinterpret_cast<PCRE2_SPTR>(terminated.c_str()));
    return number < 0 ? -1 : number;
}

}  // namespace kb::regex
