#pragma once
// The texts of the About box, computed once when it is made.
#include <string>

namespace kb {

struct AboutTexts {
    std::string version = "Version";
    std::string build = "Build";
    std::string date;
};

// versionText: the program's file version ("1.0.0.3"), "" when it has none; buildDate: the
// compiler's __DATE__ form ("Jun 24 2015", day padded with a space). The date reads
// "Built on Jun 24 2015"; the version splits at the first "." ("1" and "0.0.3").
AboutTexts MakeAboutTexts(const std::string& versionText, const std::string& buildDate);

}  // namespace kb
