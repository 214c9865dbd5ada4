// Reading and writing a YAML document of about 10 MB. The reader is measured against libyaml's
// loader on the same text in the same process (each building its tree and releasing it again),
// the writer against a plain line-by-line join of the same lines.
#include <yaml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/common/bench_timing.h"
#include "foundation/yaml/yaml.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 7;

double Seconds(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of a few runs, in seconds.
double Time(const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < kRuns; ++run)
        best = std::min(best, Seconds(work));
    return best;
}

// One reading: seconds to build the tree from the text, and to release it again.
struct Reading {
    double build = 1e9;
    double release = 1e9;
    double Total() const { return build + release; }
};

Reading Faster(Reading a, Reading b) {
    return a.Total() <= b.Total() ? a : b;
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

Reading ReadOwn(const std::string& text, size_t& keys) {
    auto start = Clock::now();
    auto doc = std::make_unique<kb::Yaml>(text);
    auto built = Clock::now();
    keys = doc->root->Keys().size();
    auto counted = Clock::now();
    doc.reset();
    auto end = Clock::now();
    return {std::chrono::duration<double>(built - start).count(),
            std::chrono::duration<double>(end - counted).count()};
}

// libyaml's loader: the text into a document of nodes, deleted again. Sets nodes to their
// number, 0 when the text does not load.
Reading ReadWithLibyaml(const std::string& text, size_t& nodes) {
    nodes = 0;
    yaml_parser_t parser;
    yaml_document_t document;
    if (!yaml_parser_initialize(&parser))
        return {};
    auto start = Clock::now();
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()),
                                 text.size());
    const bool loaded = yaml_parser_load(&parser, &document);
    yaml_parser_delete(&parser);
    auto built = Clock::now();
    if (!loaded)
        return {};
    nodes = static_cast<size_t>(document.nodes.top - document.nodes.start);
    auto counted = Clock::now();
    yaml_document_delete(&document);
    auto end = Clock::now();
    return {std::chrono::duration<double>(built - start).count(),
            std::chrono::duration<double>(end - counted).count()};
}

}  // namespace

int main() {
    kb::Yaml doc;
    Document(doc, 20000);
    std::string text;
    double write = Time([&] { text = doc.ToText(); });
    double megabytes = static_cast<double>(text.size()) / 1e6;

    // Taken in turns, so that a busy machine slows both alike.
    size_t keys = 0;
    size_t nodes = 0;
    Reading own;
    Reading libyaml;
    for (int run = 0; run < kRuns; ++run) {
        own = Faster(own, ReadOwn(text, keys));
        libyaml = Faster(libyaml, ReadWithLibyaml(text, nodes));
    }

    // The writer's baseline: every line of the text joined again.
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        lines.emplace_back(text, at, end - at);
    }
    std::string joined;
    double join = Time([&] {
        joined.clear();
        for (const std::string& line : lines)
            (joined += line) += '\n';
    });

    std::printf("document: %.1f MB, %zu lines, %zu libyaml nodes\n", megabytes, lines.size(),
                nodes);
    std::printf(
        "yaml read %.3f s, libyaml loader %.3f s, ratio %.2f (best of %d, read and freed)\n",
        own.Total(), libyaml.Total(), own.Total() / libyaml.Total(), kRuns);
    std::printf("  of which freeing the tree: yaml %.3f s, libyaml %.3f s\n", own.release,
                libyaml.release);
    std::printf("yaml write %.3f s, line join %.3f s, ratio %.1f (best of %d)\n", write, join,
                write / join, kRuns);
    kb::bench::PrintRatios(
        {{"yaml read", own.Total() * 1e3, "libyaml loader", libyaml.Total() * 1e3, "ms"},
         {"yaml write", write * 1e3, "line join", join * 1e3, "ms"}});
    return keys == 20000 && nodes > 0 && joined == text ? 0 : 1;
}
