#pragma once
// The few desktop services the program needs from the operating system.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

// The user's documents folder; "/" when none can be had. A folder set with
// SetDocumentsFolder (tests, sample workspaces) takes precedence.
std::string DocumentsFolder();
void SetDocumentsFolder(std::string folder);

// The folder that holds the running executable, without a trailing separator.
std::string ExecutableFolder();
// The running executable's file name, without folder.
std::string ExecutableName();

// Where the program's own files lie, seen from the folder of its executable.
struct ProgramFiles {
    std::string resources;  // the stock pictures
    std::string helpers;    // the helper programs (installer compiler, database helper)
};
// The one place that tells the build tree from an installed program. Installed (a GNU layout
// such as /usr/bin, /usr/libexec/kitbinder, /usr/share/kitbinder): the resource folder exists
// at the installed place relative to the executable, and the helpers are in the libexec
// folder. Otherwise the build tree: pictures in ../Kitbinder, helpers beside the executable.
// Answers normalised absolute folders without a trailing separator.
ProgramFiles LocateProgramFiles(const std::string& executableFolder);
// LocateProgramFiles for the running executable.
const ProgramFiles& OwnProgramFiles();

// The program's command-line arguments (without the program's own name) as UTF-8, from main's
// argc and argv (on Windows those are in the ANSI code page, so the wide command line is read).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Whether standard error goes to a terminal that rewrites a line on escape sequences. On Windows
// a console, where this turns virtual-terminal processing on; false where the console cannot.
bool StandardErrorIsTerminal();
// Makes a console window show the program's UTF-8 output as such (Windows); nothing elsewhere.
// What either call changed in the console is set back when the program ends, also on Ctrl+C.
void UseUtf8Console();

// Opens a document or folder with the desktop's default handler; false when that failed.
bool OpenWithDefaultHandler(const std::string& path);

struct ProgramResult {
    bool started = false;  // false: the program could not be found or started
    int exitCode = -1;     // when waited for and it ended normally
    std::string output;    // standard output and error, when waited for
};

// Starts program (a path, or a bare name looked up in the helper folder, then on PATH) with
// the arguments in workingFolder; with wait, waits for it and collects its output, handing each
// piece to onOutput (when set) as it comes.
ProgramResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingFolder, bool wait,
                           const std::function<void(std::string_view)>& onOutput = {});

// Where StartProgram would find a bare name; "" when nowhere. On Windows a name without an
// extension is looked for with PATHEXT's program extensions (.com, .exe), never as a batch file.
std::string FindProgram(const std::string& program);

// The arguments as one Windows command line, each quoted where needed so that the C runtime's
// parser (CommandLineToArgvW) gives them back unchanged.
std::string WindowsCommandLine(const std::vector<std::string>& arguments);

}  // namespace kb
