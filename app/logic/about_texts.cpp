#include "app/logic/about_texts.h"

#include <sstream>

namespace kb {

AboutTexts MakeAboutTexts(const std::string& versionText, const std::string& buildDate) {
    AboutTexts texts;
    std::istringstream parts(buildDate);
    std::string part;
    texts.date = "Built on";
    while (parts >> part)
        texts.date += " " + part;
    if (!versionText.empty()) {
        size_t dot = versionText.find('.');
        texts.version = dot == std::string::npos ? "" : versionText.substr(0, dot);
        texts.build = dot == std::string::npos ? versionText : versionText.substr(dot + 1);
    }
    return texts;
}

}  // namespace kb
