#include "setup/script_text.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

TEST(SubstitutePlaceholders, ReplacesEachTokenOnceAndNeverRescansValues) {
    const std::vector<Placeholder> placeholders = {
        {"Password=PASSWORD\n", ""},
        {"DESIGNER_NAME", "COLLECTION_NAME $1 $$"},
        {"COLLECTION_NAME", "DESIGNER_NAME"},
    };
    EXPECT_EQ(SubstitutePlaceholders("a=DESIGNER_NAME\nPassword=PASSWORD\nb=COLLECTION_NAME\n",
                                     placeholders),
              "a=COLLECTION_NAME $1 $$\nb=DESIGNER_NAME\n");
    EXPECT_EQ(SubstitutePlaceholders("no tokens", placeholders), "no tokens");
    EXPECT_EQ(SubstitutePlaceholders("", placeholders), "");
}

TEST(SubstitutePlaceholders, FirstListedTokenWinsAtAPosition) {
    EXPECT_EQ(SubstitutePlaceholders("KEY=VALUE\n", {{"KEY=VALUE", ""}, {"VALUE", "v"}}), "\n");
    EXPECT_EQ(SubstitutePlaceholders("KEY=VALUE\n", {{"VALUE", "v"}, {"KEY=VALUE", ""}}), "\n");
    EXPECT_EQ(SubstitutePlaceholders("KEY=VALUE\n", {{"VALUE", "v"}}), "KEY=v\n");
}

TEST(QuotedParameter, QuotesOnlyWhereInnoSetupNeedsIt) {
    const struct {
        const char* value;
        const char* written;
    } cases[] = {
        {"{group}\\Coats\\Coat1", "{group}\\Coats\\Coat1"},
        {"inner  spaces stay", "inner  spaces stay"},
        {"", ""},
        {"Coats; winter", "\"Coats; winter\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {" leading", "\" leading\""},
        {"trailing ", "\"trailing \""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuotedParameter(c.value), c.written) << c.value;
    }
}

TEST(EscapeConstantBraces, DoublesOpeningBracesOnly) {
    EXPECT_EQ(EscapeConstantBraces("Coat {red}"), "Coat {{red}");
    EXPECT_EQ(EscapeConstantBraces("{{"), "{{{{");
    EXPECT_EQ(EscapeConstantBraces("plain}"), "plain}");
}

TEST(CheckedScriptValue, RefusesControlCharactersNamingTheValue) {
    EXPECT_EQ(CheckedScriptValue("garment name", "Coat \x80 ok"), "Coat \x80 ok");
    const struct {
        const char* value;
        const char* shown;
    } cases[] = {
        {"Coat\n1", "Coat\\n1"},   {"Coat\r\n", "Coat\\r\\n"}, {"a\tb", "a\\tb"},
        {"bell\x07", "bell\\x07"}, {"del\x7f", "del\\x7F"},
    };
    for (const auto& c : cases) {
        try {
            CheckedScriptValue("garment name", c.value);
            ADD_FAILURE() << "accepted " << c.shown;
        } catch (const SetupScriptError& error) {
            EXPECT_NE(
                std::string(error.what()).find(std::string("garment name \"") + c.shown + "\""),
                std::string::npos)
                << error.what();
        }
    }
}

}  // namespace
}  // namespace kb
