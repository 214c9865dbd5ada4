#include "setup/script_origins.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "setup/script_text.h"

namespace kb {

namespace {

constexpr std::string_view kFixedText = "the fixed script text";

// The first parameter value of an entry line that starts with key, unquoted.
std::string ParameterValue(std::string_view line, std::string_view key) {
    if (!line.starts_with(key))
        return {};
    line.remove_prefix(key.size());
    if (!line.starts_with('"'))
        return std::string(line.substr(0, line.find(';')));
    std::string value;
    for (size_t at = 1; at < line.size(); ++at) {
        if (line[at] == '"') {
            if (at + 1 < line.size() && line[at + 1] == '"') {
                value += '"';
                ++at;
                continue;
            }
            break;
        }
        value += line[at];
    }
    return value;
}

class LineOrigins {
  public:
    explicit LineOrigins(const SetupScan& scan)
        : scan_(scan),
          designer_("designer " + scan.inputs.selection.designer),
          collection_("collection " + scan.inputs.selection.collection) {}

    std::string Of(std::string_view section, std::string_view line) const {
        if (line.empty() || line.starts_with('['))
            return std::string(kFixedText);
        if (section == "Setup")
            return SetupLine(line);
        if (section == "Files")
            return FilesLine(line);
        if (section == "Icons")
            return IconsLine(line);
        if (section == "Dirs" || section == "UninstallDelete")
            return designer_ + " and " + collection_ + " (folder names)";
        return std::string(kFixedText);
    }

  private:
    std::string SetupLine(std::string_view line) const {
        const size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const std::string value =
            equals == std::string_view::npos ? "" : std::string(line.substr(equals + 1));
        const std::pair<std::string_view, std::string> origins[] = {
            {"AppName", designer_ + " and " + collection_ + " (names)"},
            {"AppVerName", designer_ + " and " + collection_ + " (names), setting version"},
            {"UninstallDisplayName", designer_ + " and " + collection_ + " (names)"},
            {"AppPublisher", designer_ + " (name)"},
            {"DefaultGroupName", designer_ + " (name)"},
            {"AppVersion", "setting collection version"},
            {"AppPublisherURL", "setting web site of " + designer_},
            {"AppSupportURL", "setting web site of " + designer_},
            {"AppUpdatesURL", "setting web site of " + designer_},
            {"Password", "setting installation password"},
            {"OutputBaseFilename", "setting setup file name"},
            {"LicenseFile", designer_ + ", licence text " + value},
            {"InfoBeforeFile", collection_ + ", before-install text " + value},
            {"InfoAfterFile", collection_ + ", after-install text " + value},
            {"WizardImageFile", collection_ + ", setup picture " + value},
            {"WizardSmallImageFile", "the stock small setup picture " + value},
        };
        for (const auto& [name, origin] : origins)
            if (key == name)
                return origin;
        return std::string(kFixedText);
    }

    std::string FilesLine(std::string_view line) const {
        const std::string source = ParameterValue(line, "Source: ");
        for (size_t i = 0; i < scan_.list.entries.size(); ++i)
            if (scan_.list.entries[i].path == source)
                return scan_.OriginOf(i) + ", file " + source;
        return "file " + source;
    }

    std::string IconsLine(std::string_view line) const {
        for (const std::string& garment : scan_.inputs.garments) {
            const std::string name = "\\" + EscapeConstantBraces(garment);
            if (line.find(name + ".mac") != std::string_view::npos ||
                line.find(name + " Documentation (") != std::string_view::npos)
                return "garment " + garment + " (icon)";
        }
        if (line.find(" measuring instructions (") != std::string_view::npos) {
            const std::string name = ParameterValue(line, "Name: ");
            const size_t start = name.find('\\') + 1;
            return "table " + name.substr(start, name.find(" measuring instructions") - start) +
                   " (measuring instructions icon)";
        }
        if (line.find("Filename: http://") != std::string_view::npos ||
            line.find("Filename: \"http://") != std::string_view::npos)
            return designer_ + ", web site file Website.txt";
        return collection_ + " (documentation icon)";
    }

    const SetupScan& scan_;
    std::string designer_;
    std::string collection_;
};

}  // namespace

std::vector<std::string> ScriptLineOrigins(std::string_view script, const SetupScan& scan) {
    const LineOrigins origins(scan);
    std::vector<std::string> lines;
    std::string section;
    for (size_t start = 0; start < script.size();) {
        const size_t end = std::min(script.find('\n', start), script.size());
        const std::string_view line = script.substr(start, end - start);
        start = end + 1;
        if (line.starts_with('[') && line.ends_with(']'))
            section = std::string(line.substr(1, line.size() - 2));
        lines.push_back(origins.Of(section, line));
    }
    return lines;
}

std::string ExplainCompilerOutput(std::string_view output, std::string_view scriptFileName,
                                  const std::vector<std::string>& origins) {
    const std::string marker = std::string(scriptFileName) + ":";
    std::string explained;
    for (size_t start = 0; start < output.size();) {
        const size_t end = std::min(output.find('\n', start), output.size());
        const std::string_view line = output.substr(start, end - start);
        start = end + 1;
        explained += line;
        const size_t at = line.find(marker);
        if (at != std::string_view::npos) {
            size_t digits = at + marker.size();
            int number = 0;
            while (digits < line.size() && number < 100000000 &&
                   std::isdigit(static_cast<unsigned char>(line[digits])))
                number = number * 10 + (line[digits++] - '0');
            if (number > 0 && static_cast<size_t>(number) <= origins.size() &&
                digits < line.size() && line[digits] == ':')
                explained += " [line " + std::to_string(number) + " comes from " +
                             origins[static_cast<size_t>(number) - 1] + "]";
        }
        explained += '\n';
    }
    return explained;
}

}  // namespace kb
