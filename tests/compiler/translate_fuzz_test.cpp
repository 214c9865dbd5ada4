// The translator fuzz target's check on its corpus and on the attacks that it was made for.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/compiler/sample_setup.h"
#include "tests/compiler/translate_fuzz_body.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

TEST(Compil32Fuzz, CorpusGivesNoForeignNsisText) {
    int translated = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(KB_COMPIL32_FUZZ_CORPUS)) {
        const std::optional<std::string> nsis = TranslateForFuzz(ReadBytes(entry.path()));
        if (!nsis)
            continue;
        ++translated;
        EXPECT_EQ(ForeignNsisText(*nsis), "") << entry.path();
    }
    EXPECT_GE(translated, 5);  // the seeds reach the writer, not only the parser's errors
}

// The check itself: it must see what makensis would act on.
TEST(Compil32Fuzz, CheckFindsCommandsDefinesBreaksAndContinuations) {
    const std::string own =
        "!include MUI2.nsh\n  !insertmacro MUI_PAGE_WELCOME\n!define MUI_ABORTWARNING\n"
        "Name \"a$$${U+7B}b} ${If} ${NSD_CreateLabel} $$${U+25}HOME%\"\n!macroend\n";
    EXPECT_EQ(ForeignNsisText(own), "");
    const std::pair<std::string, std::string> foreign[] = {
        {"Name \"x\"\n  !system \"touch /tmp/x\"\n", "compile-time command: !system"},
        {"Name \"x\r!execute \"y\"\"\n", "line broken by a CR"},
        {"!include /etc/passwd\n", "compile-time command: !include /etc/passwd"},
        {"Name \"$${NSISDIR}\"\n", "define reference: ${NSISDIR}"},
        {"Name \"a$$%HOME%\"\n", "environment variable reference: $%HOME%"},
        {"OutFile \"s$%KBD%.exe\"\n", "environment variable reference: $%KBD%"},
        {"; Setup of x\\\n", "line continued by a backslash"},
    };
    for (const auto& [text, found] : foreign)
        EXPECT_EQ(ForeignNsisText(text).substr(0, found.size()), found) << text;
}

}  // namespace
}  // namespace compiler::test
