// The fuzzing round of setup_text_fuzz on seeded random and hand-made hostile inputs, so that the
// normal and the sanitizer builds run it too.
#include <gtest/gtest.h>

#include <random>

#include "tests/setup/setup_text_fuzz_body.h"

namespace kb {
namespace {

TEST(SetupTextFuzz, SurvivesRandomAndHostileText) {
    std::mt19937 random(2026);
    const std::string pieces[] = {"\n",
                                  "[Files]\n",
                                  "[Icons]\n",
                                  "[Setup]\n",
                                  "Source: \"",
                                  "\"\"",
                                  "Coats.iss:",
                                  "99999999999999999999:",
                                  ":0:",
                                  "\xC3",
                                  "\xE9",
                                  "\x81",
                                  "\xEF\xBB\xBF",
                                  std::string(1, '\0'),
                                  "Name: ",
                                  " measuring instructions (",
                                  "\\",
                                  "CON",
                                  ".",
                                  " "};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            text += pieces[random() % std::size(pieces)];
        test::FuzzSetupTextOnce(text);
    }
    test::FuzzSetupTextOnce(std::string(100000, '\n'));
    test::FuzzSetupTextOnce("Coats.iss:" + std::string(5000, '9') + ": x\n");
    test::FuzzSetupTextOnce("[Icons]\nName: x measuring instructions (pdf)\n");
}

}  // namespace
}  // namespace kb
