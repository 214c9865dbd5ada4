// Two threads at once on the functions that the scan thread and the window thread share.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "foundation/paths.h"
#include "foundation/regular_exp.h"
#include "foundation/text.h"

namespace kb {
namespace {

// Runs body(thread, i) from two threads, each many times; answers the number of wrong results.
template <typename Body>
int Hammer(Body body) {
    std::atomic<int> wrong{0};
    auto run = [&](int thread) {
        for (int i = 0; i < 20000; ++i) {
            if (!body(thread, i))
                ++wrong;
        }
    };
    std::thread first(run, 0);
    std::thread second(run, 1);
    first.join();
    second.join();
    return wrong.load();
}

TEST(ThreadSafety, PathSplitsFromTwoThreads) {
    int wrong = Hammer([](int thread, int i) {
        std::string folder =
            thread == 0 ? "C:\\left" + std::to_string(i) : "/right/r" + std::to_string(i);
        std::string name = "n" + std::to_string(i) + (thread == 0 ? ".mac" : ".jpeg");
        std::string path = folder + (thread == 0 ? "\\" : "/") + name;
        return FolderOf(path) == folder && NameOf(path) == name &&
               ExtensionOf(path) == (thread == 0 ? ".mac" : ".jpeg");
    });
    EXPECT_EQ(wrong, 0);
}

TEST(ThreadSafety, MatchingAndComparingFromTwoThreads) {
    int wrong = Hammer([](int thread, int i) {
        std::string key = "k" + std::to_string(thread) + "_" + std::to_string(i);
        RegularExp row("(.*?)\t(.*?)\n(.*)");
        row.MatchSingleLine(key + "\tv\nrest");
        bool order = thread == 0 ? CompareText("a", "B") < 0 : CompareText("b", "A") > 0;
        return row.matched && row.Group(1) == key && order &&
               UpperCase(key) == "K" + std::to_string(thread) + "_" + std::to_string(i);
    });
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace kb
