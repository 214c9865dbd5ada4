// A stand-in for libFuzzer where the compiler has none: runs LLVMFuzzerTestOneInput on every
// file of the corpus folders, then on mutations of them (byte edits, tokens of a libFuzzer
// dictionary, splices) until the time or run limit. Accepts libFuzzer's flags
// -max_total_time=<s>, -runs=<n>, -seed=<n> and -dict=<file>.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

struct Options {
    double seconds = 60;
    long runs = -1;  // no limit
    unsigned seed = 1;
    std::vector<std::string> dictionaries;
    std::vector<std::string> corpus;
};

bool Flag(std::string_view argument, std::string_view name, std::string& value) {
    if (!argument.starts_with(name))
        return false;
    value = argument.substr(name.size());
    return true;
}

Options ReadOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (Flag(argv[i], "-max_total_time=", value))
            options.seconds = std::stod(value);
        else if (Flag(argv[i], "-runs=", value))
            options.runs = std::stol(value);
        else if (Flag(argv[i], "-seed=", value))
            options.seed = static_cast<unsigned>(std::stoul(value));
        else if (Flag(argv[i], "-dict=", value))
            options.dictionaries.push_back(value);
        else if (argv[i][0] == '-')
            std::fprintf(stderr, "ignoring %s\n", argv[i]);
        else
            options.corpus.emplace_back(argv[i]);
    }
    return options;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The tokens of a libFuzzer dictionary: lines name="..." or "...", with \\, \" and \xNN.
std::vector<std::string> ReadDictionary(const std::string& path) {
    std::vector<std::string> tokens;
    std::istringstream lines(ReadFile(path));
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.find('"');
        const size_t close = line.rfind('"');
        if (line.starts_with('#') || open == std::string::npos || close <= open)
            continue;
        std::string token;
        for (size_t i = open + 1; i < close; ++i) {
            if (line[i] == '\\' && i + 3 < close + 1 && line[i + 1] == 'x' &&
                HexDigit(line[i + 2]) >= 0 && HexDigit(line[i + 3]) >= 0) {
                token += static_cast<char>(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]));
                i += 3;
            } else if (line[i] == '\\' && i + 1 < close) {
                token += line[++i];
            } else {
                token += line[i];
            }
        }
        tokens.push_back(token);
    }
    return tokens;
}

std::vector<std::string> ReadCorpus(const std::vector<std::string>& paths) {
    std::vector<std::string> inputs;
    for (const std::string& path : paths) {
        if (fs::is_directory(path)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(path))
                if (entry.is_regular_file())
                    inputs.push_back(ReadFile(entry.path()));
        } else {
            inputs.push_back(ReadFile(path));
        }
    }
    return inputs;
}

class Mutator {
  public:
    Mutator(unsigned seed, std::vector<std::string> corpus, std::vector<std::string> tokens)
        : rng_(seed), corpus_(std::move(corpus)), tokens_(std::move(tokens)) {}

    std::string Next() {
        std::string text = corpus_.empty() ? std::string() : corpus_[Below(corpus_.size())];
        for (size_t edits = 1 + Below(8); edits > 0; --edits)
            Edit(text);
        return text;
    }

  private:
    size_t Below(size_t n) { return n == 0 ? 0 : rng_() % n; }

    void Edit(std::string& text) {
        const size_t at = Below(text.size() + 1);
        switch (Below(6)) {
            case 0:
                if (!tokens_.empty())
                    text.insert(at, tokens_[Below(tokens_.size())]);
                break;
            case 1:
                text.insert(at, 1, static_cast<char>(Below(256)));
                break;
            case 2:
                text.erase(at, Below(16));
                break;
            case 3:
                if (at < text.size())
                    text[at] = static_cast<char>(Below(256));
                break;
            case 4: {
                const size_t from = Below(text.size() + 1);
                text.insert(at, text.substr(from, Below(32)));
                break;
            }
            default:
                if (!corpus_.empty()) {
                    const std::string& other = corpus_[Below(corpus_.size())];
                    const size_t from = Below(other.size() + 1);
                    text = text.substr(0, at) + other.substr(from);
                }
        }
    }

    std::mt19937 rng_;
    std::vector<std::string> corpus_;
    std::vector<std::string> tokens_;
};

// The input being run, written to "<program name>-crash" in the working folder when the run
// aborts (sanitizer reports abort too with abort_on_error=1).
const std::string* current = nullptr;
char crashFile[256] = "fuzz-crash";

void NameCrashFile(const char* program) {
    const std::string name = fs::path(program).filename().string() + "-crash";
    if (name.size() < sizeof crashFile)
        std::copy(name.c_str(), name.c_str() + name.size() + 1, crashFile);
}

extern "C" void SaveCrash(int) {
    if (current) {
        const int fd = open(crashFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = write(fd, current->data(), current->size());
            close(fd);
        }
        constexpr std::string_view note = "input saved as ";
        [[maybe_unused]] ssize_t shown = write(2, note.data(), note.size());
        shown = write(2, crashFile, std::strlen(crashFile));
        shown = write(2, "\n", 1);
    }
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

void Run(const std::string& input) {
    current = &input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    current = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ReadOptions(argc, argv);
    NameCrashFile(argv[0]);
    std::signal(SIGABRT, SaveCrash);
    std::vector<std::string> tokens;
    for (const std::string& dictionary : options.dictionaries)
        for (std::string& token : ReadDictionary(dictionary))
            tokens.push_back(std::move(token));
    const std::vector<std::string> corpus = ReadCorpus(options.corpus);
    for (const std::string& input : corpus)
        Run(input);
    std::printf("replayed %zu corpus inputs\n", corpus.size());

    Mutator mutator(options.seed, corpus, tokens);
    const auto stop =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(options.seconds);
    long runs = 0;
    while ((options.runs < 0 || runs < options.runs) && std::chrono::steady_clock::now() < stop) {
        Run(mutator.Next());
        ++runs;
    }
    std::printf("ran %ld mutated inputs in at most %.0f s, seed %u\n", runs, options.seconds,
                options.seed);
    return 0;
}
