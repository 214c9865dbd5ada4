#include "tests/compiler/sample_setup.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

const std::vector<SampleFile>& SampleFiles() {
    static const std::vector<SampleFile> files = {
        {"Designers/Anna/Anna.jpg", "Shared/Designers/Anna/Anna.jpg"},
        {"Designers/Anna/Coats/Coats.jpg", "Shared/Designers/Anna/Coats/Coats.jpg"},
        {"Designers/Anna/Coats/Coat1.mac", "Shared/Designers/Anna/Coats/Coat1.mac"},
        {"Designers/Anna/Coats/Coat1.jpg", "Shared/Designers/Anna/Coats/Coat1.jpg"},
        {"Designers/Anna/Coats/Coat1.pdf", "Shared/Designers/Anna/Coats/Coat1.pdf"},
        {"Designers/Anna/Coats/Coat [2].mac", "Shared/Designers/Anna/Coats/Coat [2].mac"},
        {"Designers/Anna/Coats/Coat [2].jpg", "Shared/Designers/Anna/Coats/Coat [2].jpg"},
        {"MeasureTables/Women.mmt", "Shared/MeasureTables/Women.mmt"},
        {"MeasureTables/Women.pdf", "Shared/MeasureTables/Women.pdf"},
        {"MeasurePictures/Women/bust$1.jpg", "Shared/MeasurePictures/Women/bust$1.jpg"},
    };
    return files;
}

// Distinct binary content per file, so that a swapped or truncated file shows.
std::string ContentFor(const std::string& name) {
    std::string bytes = "content of " + name + "\r\n";
    for (int i = 0; i < 300; ++i)
        bytes += static_cast<char>((i * 7 + name.size()) & 0xFF);
    return bytes;
}

}  // namespace

std::string ReadBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream << bytes;
    if (!stream.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

SampleSetup MakeSampleSetup(const std::string& root) {
    SampleSetup sample;
    sample.workspace = root + "/ws";
    sample.files = SampleFiles();
    for (const SampleFile& file : sample.files)
        WriteBytes(sample.workspace + "/" + file.source, ContentFor(file.source));
    // The licence is Windows-1252 text, the way the designers' editors write it.
    WriteBytes(sample.workspace + "/Designers/Anna/Anna_License.txt",
               "Licence d'\xE9t\xE9 for $HOME \"quoted\"\r\nSecond line\r\n");
    WriteBytes(sample.workspace + "/Designers/Anna/Coats/Coats_BeforeInstall.txt", "Before\n");
    WriteBytes(sample.workspace + "/Designers/Anna/Coats/Coats_AfterInstall.txt",
               "After \xC3\xBC\n");
    std::string script = ReadBytes(KB_COMPIL32_DATA "/coats.iss.in");
    script = ReplaceAll(script, "@WS@", sample.workspace);
    script = ReplaceAll(script, "@RES@", KB_RESOURCE_DIR);
    sample.script = WriteScript(sample, "Coats.iss", script);
    sample.setup = sample.workspace + "/Installations/Coats.exe";
    return sample;
}

std::string WriteScript(const SampleSetup& sample, const std::string& name,
                        const std::string& text) {
    const std::string path = sample.workspace + "/Installations/" + name;
    WriteBytes(path, text);
    return path;
}

RunResult RunProgram(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment) {
    const std::string log =
        (fs::temp_directory_path() / ("compil32-run-" + std::to_string(getpid()))).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The given entries replace inherited ones of the same name.
    const auto overridden = [&](std::string_view entry) {
        for (const std::string& extra : environment)
            if (entry.substr(0, entry.find('=') + 1) == extra.substr(0, extra.find('=') + 1))
                return true;
        return false;
    };
    std::vector<std::string> environmentTexts;
    for (char** entry = environ; *entry; ++entry)
        if (!overridden(*entry))
            environmentTexts.emplace_back(*entry);
    environmentTexts.insert(environmentTexts.end(), environment.begin(), environment.end());
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    for (const std::string& entry : environmentTexts)
        envp.push_back(const_cast<char*>(entry.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = 0;
    RunResult result;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.output = ReadBytes(log);
    }
    posix_spawn_file_actions_destroy(&actions);
    std::error_code ignored;
    fs::remove(log, ignored);
    return result;
}

bool HasProgram(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

}  // namespace compiler::test
