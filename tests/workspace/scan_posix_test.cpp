// Macros that are no regular file, or that cannot be read, fail the scan naming them: a pipe is
// never opened (the scan would wait for a writer for ever), an unreadable macro is never taken
// for one that names nothing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "foundation/errors.h"
#include "tests/support/temp_workspace.h"
#include "workspace/macro_scan.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

using UnreadableMacro = TempWorkspace;

TEST_F(UnreadableMacro, FailsTheScanNamingTheMacro) {
    const struct {
        const char* what;
        void (*make)(const std::string& path);
        const char* reason;
    } cases[] = {
        {"pipe", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); },
         "not a regular file"},
        {"unreadable",
         [](const std::string& path) {
             ::close(::creat(path.c_str(), 0600));
             ::chmod(path.c_str(), 0);
         },
         "Cannot read"},
    };
    SetCurrentSelection({"Anna", "Coats", DesignersFolder("Anna"),
                         CollectionFolder("Anna", "Coats"), MacroSourceFolder(0)});
    Write("Designers/Anna/Coats/Coats.jpg");
    for (const auto& c : cases) {
        if (std::string(c.what) == "unreadable" && ::geteuid() == 0)
            continue;  // the superuser reads it anyway
        const std::string macro = At("Designers/Anna/Coats/Coat.mac");
        ::unlink(macro.c_str());
        c.make(macro);
        auto scan = std::async(std::launch::async, [] {
            DirectoryParserList list;
            try {
                ScanCollection({CurrentSelectionSnapshot(), {"Coat"}, {}}, list, true);
                return std::string("no error");
            } catch (const FileError& error) {
                return std::string(error.what());
            }
        });
        if (scan.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ::close(::open(macro.c_str(), O_WRONLY | O_NONBLOCK));  // lets the scan go on
            ADD_FAILURE() << c.what << ": the scan waited";
            scan.wait();
            continue;
        }
        const std::string error = scan.get();
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_NE(error.find(macro), std::string::npos) << c.what << ": " << error;
    }
}

}  // namespace
}  // namespace kb::test
