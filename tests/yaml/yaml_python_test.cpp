// The writer's text read by an independent YAML reader (python3-yaml) gives the written tree.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "foundation/yaml/yaml.h"
#include "tests/support/temp_folder.h"
#include "tests/yaml/yaml_random_tree.h"
#include "tests/yaml/yaml_test_tree.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

// Every document of the stream as one line of JSON, scalars kept as texts.
constexpr const char* kReader = R"(import json, sys, yaml
with open(sys.argv[1], encoding='utf-8') as f:
    for doc in yaml.load_all(f, Loader=yaml.BaseLoader):
        sys.stdout.buffer.write(json.dumps(doc, ensure_ascii=False).encode('utf-8') + b'\n')
)";

bool PythonYamlAvailable() {
    return std::system("python3 -c 'import yaml' >/dev/null 2>&1") == 0;
}

std::vector<std::string> RunPython(const fs::path& script, const fs::path& input) {
    std::string command = "python3 '" + script.string() + "' '" + input.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot start " + command);
    std::vector<std::string> lines;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
        } else {
            lines.push_back(std::move(line));
            line.clear();
        }
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return lines;
}

TEST(YamlPython, WrittenTreesReadAlikeByIndependentReader) {
    if (!PythonYamlAvailable())
        GTEST_SKIP() << "python3 with the yaml module is missing";
    test::TempFolder folder;
    std::ofstream(folder / "reader.py") << kReader;

    constexpr int kDocuments = 120;
    std::vector<std::string> expected;
    std::string stream;
    test::RandomTree random(20240601);
    for (int i = 0; i < kDocuments; ++i) {
        Yaml doc;
        doc.root = random.Document();
        expected.push_back(test::Json(*doc.root));
        std::string text = doc.ToText();
        stream += text;
        EXPECT_EQ(test::Json(*Yaml(text).root), expected.back()) << "own reader:\n" << text;
    }
    std::ofstream(folder / "stream.yaml", std::ios::binary) << stream;

    std::vector<std::string> read = RunPython(folder / "reader.py", folder / "stream.yaml");
    ASSERT_EQ(read.size(), expected.size());
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_EQ(read[i], expected[i]) << "document " << i;
}

}  // namespace
}  // namespace kb
