// A stand-in for the installer compiler in the Create Setup tests, a program so that it runs
// on every system. The test copies it as "Compil32.exe" into the folder that KB_TEST_BIN names,
// with "mode.txt" beside it saying what to do:
//   working        records its arguments and working folder in args.txt, writes the setup
//   failing        prints "boom: unknown section" and exits 2 (as the real compiler, without
//                  touching the setup)
//   naming-files   names two files as it adds them, then writes the setup
//   garment-line   fails on the script line that installs "Coat.jpg", naming it as the compiler
//                  does
//   test-install   answers /testinstall with a report and the exit code of KB_TEST_EXIT
//                  (recording its arguments in test-install-args.txt); else writes the setup
//   no-manifest    writes the setup only, as the Inno Setup compiler does
// The setup of "/cc <script>" is "<OutputBaseFilename>.exe" beside the script, holding "setup",
// with "<setup>.sha256" holding "manifest".
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << '\n';
}

// The setup goes beside the script, named by its OutputBaseFilename line as the compiler does.
void WriteSetup(const std::string& script, bool manifest) {
    std::istringstream lines(ReadAll(Utf8Path(script)));
    std::string base = "setup";
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("OutputBaseFilename="))
            base = line.substr(line.find('=') + 1);
    while (!base.empty() && base.back() == '\r')
        base.pop_back();
    const std::filesystem::path setup = Utf8Path(script).parent_path() / Utf8Path(base + ".exe");
    std::ofstream(setup, std::ios::binary) << "setup";
    if (manifest)
        std::ofstream(Utf8Path(PathText(setup) + ".sha256"), std::ios::binary) << "manifest";
}

// The 1-based number of the first line of the script holding text; 0 when none does.
int LineHolding(const std::string& script, const std::string& text) {
    std::istringstream lines(ReadAll(Utf8Path(script)));
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (line.find(text) != std::string::npos)
            return number;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path bin = Utf8Path(Environment("KB_TEST_BIN"));
    std::string mode = ReadAll(bin / "mode.txt");
    while (!mode.empty() && (mode.back() == '\n' || mode.back() == '\r'))
        mode.pop_back();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string script = arguments.size() > 1 ? arguments[1] : "";

    if (mode == "failing") {
        std::cout << "boom: unknown section" << std::endl;
        return 2;
    }
    if (mode == "garment-line") {
        std::cout << script << ":" << LineHolding(script, "Coat.jpg")
                  << ": Source file does not exist" << std::endl;
        return 1;
    }
    if (mode == "test-install" && !arguments.empty() && arguments[0] == "/testinstall") {
        WriteLines(bin / "test-install-args.txt", arguments);
        std::cout << "Test install of Coats.exe (its 64-bit build, from the same script):\n"
                  << "installed 3 files into C:/Program Files/Coats/\n"
                  << "  C:/Program Files/Coats/Coat.mac\n"
                  << Environment("KB_TEST_LEFT") << "\n"
                  << "  C:/Program Files/Coats/\n"
                  << "  C:/Program Files/Coats/Data/" << std::endl;
        return std::atoi(Environment("KB_TEST_EXIT").c_str());
    }
    if (mode == "working") {
        std::vector<std::string> record = arguments;
        record.push_back(PathText(std::filesystem::current_path()));
        WriteLines(bin / "args.txt", record);
    }
    if (mode == "naming-files")
        std::cout << "File: a\nFile: b" << std::endl;
    WriteSetup(script, mode != "no-manifest");
    return 0;
}
