#pragma once
// Random trees of maps, sequences and one-line scalars that any YAML reader reads alike: scalars
// start with a letter or digit, end without a space and hold no YAML indicator characters.
#include <random>
#include <string>

#include "foundation/yaml/yaml_node.h"

namespace kb::test {

class RandomTree {
  public:
    explicit RandomTree(unsigned seed) : rng_(seed) {}

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

    pYamlNode Node(int depth) {
        if (depth >= 4 || Pick(2) == 0) {
            auto node = std::make_shared<YamlNode>();
            node->SetValue(Scalar());
            return node;
        }
        return Container(depth, Pick(2) == 0);
    }

    pYamlNode Container(int depth, bool map) {
        auto node = std::make_shared<YamlNode>();
        size_t count = 1 + Pick(4);
        for (size_t i = 0; i < count; ++i) {
            if (map) {
                std::string key = Scalar();
                node->Insert(key.empty() ? "k" : key, Node(depth + 1));
            } else {
                node->Append(Node(depth + 1));
            }
        }
        return node;
    }

    std::mt19937 rng_;
};

}  // namespace kb::test
