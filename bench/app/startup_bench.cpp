// Times the program from its start to the first paint of its main window, offscreen, against a
// Qt Widgets hello built in the same tree, and compares the peak memory of both. Each is started
// as a process of its own with KB_EXIT_AFTER_FIRST_PAINT, which makes it write "painted" once
// its window was painted and end; the two take turns, and the medians are compared. The program
// opens a workspace with a designer and a collection of 200 garments, restored from the settings
// as a designer's next start finds them.
//   startup_bench [runs [home]]   (with a home folder, the workspace is made there and kept)
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "bench/workspace/synthetic_workspace.h"
#include "foundation/settings_store.h"

namespace {

struct Start {
    double milliseconds = 0;     // from the start of the process to its first paint
    double cpuMilliseconds = 0;  // the processor time it took to get there
    double megabytes = 0;        // the peak of its resident memory
};

// Starts program with its standard output on a pipe, its error output discarded; answers the
// pid and sets output to the pipe's reading end.
pid_t Spawn(const std::string& program, int& output) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    output = pipeEnds[0];
    return pid;
}

// Reads until the child writes its "painted <CPU ms>" line or closes its output; answers whether
// it painted and sets cpu to the milliseconds it reports.
bool WaitForPaint(int output, double& cpu) {
    std::string text = "\n";  // the line is found by its start
    char buffer[256];
    ssize_t got;
    size_t at;
    while (((at = text.find("\npainted ")) == std::string::npos ||
            text.find('\n', at) == std::string::npos) &&
           (got = read(output, buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(got));
    return at != std::string::npos && std::sscanf(text.c_str() + at + 1, "painted %lf", &cpu) == 1;
}

Start Run(const std::string& program) {
    Start start;
    int output = -1;
    pid_t pid = -1;
    bool painted = false;
    start.milliseconds = kb::bench::Milliseconds([&] {
        pid = Spawn(program, output);
        painted = pid > 0 && WaitForPaint(output, start.cpuMilliseconds);
    });
    int status = 0;
    rusage usage{};
    if (pid > 0)
        wait4(pid, &status, 0, &usage);
    if (output >= 0)
        close(output);
    if (!painted || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not paint its window and end cleanly\n", program.c_str());
        std::exit(1);
    }
    start.megabytes = double(usage.ru_maxrss) / 1024;
    return start;
}

double Median(const std::vector<Start>& starts, double Start::*figure) {
    std::vector<double> values;
    for (const Start& start : starts)
        values.push_back(start.*figure);
    return kb::bench::Median(values);
}

// A private home with the workspace and the settings that restore its designer and collection.
void PrepareHome(const std::filesystem::path& home) {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home / "machine").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("KB_EXIT_AFTER_FIRST_PAINT", "1", 1);
    kb::bench::SyntheticShape shape;
    shape.garments = 200;
    shape.tables = 10;
    shape.rowsPerTable = 500;
    shape.picturesPerTable = 50;
    const auto workspace = kb::bench::MakeSyntheticWorkspace((home / "Documents").string(), shape);
    kb::WriteSetting(kb::SettingsRoot::CurrentUser, "Designer", workspace.designer);
    kb::WriteSetting(kb::SettingsRoot::CurrentUser, workspace.designer + "_ActiveCollection",
                     workspace.collection);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const bool keep = argc > 2;
    std::string folder =
        keep ? argv[2] : (std::filesystem::temp_directory_path() / "kb_startup_XXXXXX").string();
    if (!keep && mkdtemp(folder.data()) == nullptr)
        return 1;
    PrepareHome(folder);
    // Once each unmeasured: the libraries and fonts come from the page cache afterwards.
    Run(KB_PROGRAM);
    Run(KB_HELLO);
    std::vector<Start> program, hello;
    for (int run = 0; run < runs; ++run) {
        program.push_back(Run(KB_PROGRAM));
        hello.push_back(Run(KB_HELLO));
    }
    if (!keep)
        std::filesystem::remove_all(folder);
    kb::bench::PrintRatios({{"startup", Median(program, &Start::milliseconds), "hello",
                             Median(hello, &Start::milliseconds), "ms"},
                            {"memory", Median(program, &Start::megabytes), "",
                             Median(hello, &Start::megabytes), "MB"}});
    kb::bench::PrintRatios({{"startup CPU", Median(program, &Start::cpuMilliseconds), "hello",
                             Median(hello, &Start::cpuMilliseconds), "ms"}});
    return 0;
}
