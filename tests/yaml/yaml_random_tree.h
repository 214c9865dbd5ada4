#pragma once
// Random trees of maps and sequences. By default their scalars are one-line texts that any YAML
// reader reads alike: they start with a letter or digit, end without a space and hold no YAML
// indicator characters. With arbitrary values, scalars are any mix of blanks, quotes, dashes,
// colons, bars and line breaks, and keys hold quotes, dashes, bars and inner blanks.
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/yaml/yaml_node.h"

namespace kb::test {

class RandomTree {
  public:
    enum class Values { Plain, Arbitrary };
    explicit RandomTree(unsigned seed, Values values = Values::Plain)
        : rng_(seed), arbitrary_(values == Values::Arbitrary) {}

    pYamlNode Document() { return Container(0, Pick(2) == 0); }

  private:
    size_t Pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(rng_); }

    std::string Scalar() {
        static const std::string first = "abcxyzABCXYZ0189";
        static const std::string inner = "abcxyzABZ019 ._/()+=;";
        if (Pick(12) == 0)
            return "";
        std::string text(1, first[Pick(first.size())]);
        size_t length = Pick(10);
        for (size_t i = 0; i < length; ++i) {
            if (Pick(15) == 0) {
                text += "\xC3\xA9";  // a letter outside ASCII, in UTF-8
            } else {
                text += inner[Pick(inner.size())];
            }
        }
        while (text.back() == ' ')
            text.pop_back();
        return text;
    }

    std::string Pieces(const std::vector<std::string_view>& pieces, size_t most) {
        std::string text;
        for (size_t count = Pick(most + 1); count > 0; --count)
            text += pieces[Pick(pieces.size())];
        return text;
    }

    std::string ArbitraryValue() {
        static const std::vector<std::string_view> pieces = {
            " ", "  ",  "\t", "\r", "\n", "\n\n", "\"",       "-",  "- ", ":", ": ",
            "|", "---", "#",  "a",  "b",  "x y",  "\xC3\xA9", "[]", "{}", "'", "\\"};
        return Pieces(pieces, 8);
    }

    // A key the format can hold: no colon, no line break, no outer blanks, no leading "- ".
    std::string ArbitraryKey() {
        static const std::vector<std::string_view> pieces = {"a", "B", "-",   "\"", "|",       "#",
                                                             " ", "x", "---", "'",  "\xC3\xA9"};
        std::string key = Trim(Pieces(pieces, 5));
        return key.substr(0, 2) == "- " ? "k" + key : key;
    }

    pYamlNode Node(int depth) {
        if (depth >= 4 || Pick(2) == 0) {
            auto node = std::make_shared<YamlNode>();
            node->SetValue(arbitrary_ ? ArbitraryValue() : Scalar());
            return node;
        }
        return Container(depth, Pick(2) == 0);
    }

    pYamlNode Container(int depth, bool map) {
        auto node = std::make_shared<YamlNode>();
        size_t count = 1 + Pick(4);
        for (size_t i = 0; i < count; ++i) {
            if (map && arbitrary_) {
                node->Insert(ArbitraryKey(), Node(depth + 1));
            } else if (map) {
                std::string key = Scalar();
                node->Insert(key.empty() ? "k" : key, Node(depth + 1));
            } else {
                node->Append(Node(depth + 1));
            }
        }
        return node;
    }

    std::mt19937 rng_;
    bool arbitrary_;
};

}  // namespace kb::test
