// Reading and writing a YAML document of about 10 MB, against a plain line scan and a plain
// line-by-line copy of the same text in the same process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "foundation/yaml/yaml.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of a few runs, in seconds.
double Time(const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

kb::pYamlNode Text(std::string value) {
    auto node = std::make_shared<kb::YamlNode>();
    node->SetValue(std::move(value));
    return node;
}

// A root mapping of garment records, each a mapping with scalars, a sequence of sizes, a
// sequence of part mappings and a two-line note: about 10 MB of text.
kb::Yaml& Document(kb::Yaml& doc, size_t records) {
    for (size_t i = 0; i < records; ++i) {
        std::string id = std::to_string(i);
        auto& record = *(*doc.root)["garment " + id];
        record["name"] = Text("Coat model " + id);
        record["macro"] = Text("Patterns/Coats/coat_" + id + ".mac");
        for (const char* size : {"XS", "S", "M", "L", "XL"})
            record["sizes"]->Append(Text(size));
        for (int part = 0; part < 4; ++part) {
            auto piece = std::make_shared<kb::YamlNode>();
            (*piece)["piece"] = Text("piece " + std::to_string(part));
            (*piece)["count"] = Text(std::to_string(part + 1));
            (*piece)["picture"] = Text("Pictures/coat_" + id + "_" + std::to_string(part) + ".jpg");
            record["parts"]->Append(piece);
        }
        record["note"] = Text("first line of the note for " + id + "\nsecond line");
    }
    return doc;
}

}  // namespace

int main() {
    kb::Yaml doc;
    Document(doc, 20000);
    std::string text;
    double write = Time([&] { text = doc.ToText(); });
    double megabytes = static_cast<double>(text.size()) / 1e6;

    double read = Time([&] { kb::Yaml read(text); });

    // Baselines: every line found and copied into a string, then those lines joined again.
    std::vector<std::string> lines;
    double scan = Time([&] {
        lines.clear();
        for (size_t at = 0, end; at < text.size(); at = end + 1) {
            end = std::min(text.find('\n', at), text.size());
            lines.emplace_back(text, at, end - at);
        }
    });
    std::string joined;
    double join = Time([&] {
        joined.clear();
        for (const std::string& line : lines)
            (joined += line) += '\n';
    });

    std::printf("document: %.1f MB, %zu lines\n", megabytes, lines.size());
    std::printf("read  (Yaml(text)):     %7.3f s  %7.1f MB/s  %6.1f x line scan (%.3f s)\n", read,
                megabytes / read, read / scan, scan);
    std::printf("write (Yaml::ToText()): %7.3f s  %7.1f MB/s  %6.1f x line join (%.3f s)\n", write,
                megabytes / write, write / join, join);
    return joined.size() == text.size() ? 0 : 1;
}
