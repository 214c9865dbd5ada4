#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "foundation/each_file.h"
#include "tests/support/temp_workspace.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "workspace/load_thread.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

// Stands in for the user-interface thread: steps queue up until the test thread runs them.
class QueueDispatcher : public UiDispatcher {
  public:
    void RunAndWait(std::function<void()> work) override {
        std::unique_lock lock(mutex_);
        bool done = false;
        std::exception_ptr error;
        queue_.push_back([&] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            done = true;
        });
        changed_.notify_all();
        changed_.wait(lock, [&] { return done; });
        if (error)
            std::rethrow_exception(error);
    }

    // Runs queued steps on the calling thread until stop() answers true.
    template <typename Stop>
    void Pump(Stop stop) {
        std::unique_lock lock(mutex_);
        while (!stop()) {
            changed_.wait(lock, [&] { return !queue_.empty(); });
            auto step = std::move(queue_.front());
            queue_.pop_front();
            step();
            changed_.notify_all();
        }
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> queue_;
};

class MissingFileCheck : public TempWorkspace {
  protected:
    void SetUp() override {
        TempWorkspace::SetUp();
        MakeSampleWorkspace(documents);
        SetCurrentSelection({"Anna", "Coats", DesignersFolder("Anna"),
                             CollectionFolder("Anna", "Coats"), MacroSourceFolder(0)});
    }

    // Starts a check of garments and runs its steps here until the completion has run.
    MissingFileReport Check(std::vector<std::string> garments,
                            std::chrono::steady_clock::duration progressInterval = {}) {
        bool completed = false;
        MissingFileReport result;
        LoadThreadSteps steps;
        steps.progressInterval = progressInterval;
        steps.progress = [&](const std::string& file) {
            EXPECT_EQ(std::this_thread::get_id(), testThread);
            progress.push_back(file);
        };
        steps.completion = [&](const MissingFileReport& report) {
            EXPECT_EQ(std::this_thread::get_id(), testThread);
            result = report;
            completed = true;
        };
        auto thread = LoadThread::Start(ui, MakeScanInputs(std::move(garments)), std::move(steps));
        // The inputs were copied: changing the selection now does not reach the scan.
        SetCurrentSelection({});
        ui.Pump([&] { return completed; });
        thread->Wait();
        EXPECT_TRUE(thread->Finished());
        EXPECT_EQ(thread->CurrentFile(), "");
        return result;
    }

    QueueDispatcher ui;
    std::thread::id testThread = std::this_thread::get_id();
    std::vector<std::string> progress;
};

TEST_F(MissingFileCheck, ReportsProgressTablesAndMissingFiles) {
    const MissingFileReport report = Check({"Trench", "Duffle"});
    EXPECT_FALSE(report.Failed());
    EXPECT_EQ(progress, (std::vector<std::string>{"Trench", "Duffle"}));
    EXPECT_EQ(report.tableNames, std::vector<std::string>(5, "Women"));
    EXPECT_EQ(report.MissingFileNames(),
              (std::vector<std::string>{"Anna.pdf", "Anna.html", "Coats.pdf", "Coats.html",
                                        "Trench.pdf", "Women.pdf", "Women.html", "Duffle.pdf",
                                        "Duffle.html", "Duffle_hood.jpg"}));
    EXPECT_EQ(report.missing.mmtFiles.Texts(), std::vector<std::string>{"Women.mmt"});
}

// Each progress hand-off waits for the user-interface thread: they are spaced out, the first
// garment always shown.
TEST_F(MissingFileCheck, ProgressIsHandedOverAtMostOncePerInterval) {
    const MissingFileReport report = Check({"Trench", "Duffle", "Trench"}, std::chrono::hours(1));
    EXPECT_FALSE(report.Failed());
    EXPECT_EQ(progress, std::vector<std::string>{"Trench"});
    EXPECT_EQ(report.missing.mmtFiles.Texts(), std::vector<std::string>{"Women.mmt"});
}

TEST_F(MissingFileCheck, MissingTableIsListedUnderItsName) {
    Write("Designers/Anna/Coats/Cape.mac", "measure_table(\"Men\");\n");
    const MissingFileReport report = Check({"Cape"});
    EXPECT_EQ(report.tableNames, std::vector<std::string>{"Men"});
    EXPECT_EQ(report.MissingFileNames().back(), "Men.mmt");
}

TEST_F(MissingFileCheck, CompleteCollectionHasNothingMissing) {
    for (const char* name : {"Designers/Anna/Anna", "Designers/Anna/Coats/Coats",
                             "Designers/Anna/Coats/Trench", "MeasureTables/Women"}) {
        Write(std::string(name) + ".pdf");
        Write(std::string(name) + ".html");
    }
    const MissingFileReport report = Check({"Trench"});
    EXPECT_FALSE(report.Failed());
    EXPECT_TRUE(report.missing.entries.empty());
}

TEST_F(MissingFileCheck, ScanErrorStillReachesTheCompletionStep) {
    Write("MeasureTables/Broken.mmt", "women\tcm\tx\nChest\t92,5\tC\tc\n");
    const MissingFileReport report = Check({"Trench", "Duffle"});
    ASSERT_TRUE(report.Failed());
    EXPECT_NE(report.error.find(At("MeasureTables/Broken.mmt")), std::string::npos) << report.error;
    EXPECT_NE(report.error.find("92,5"), std::string::npos) << report.error;
    EXPECT_TRUE(report.tableNames.empty());
    EXPECT_TRUE(report.missing.entries.empty());
}

// A collection folder that cannot be listed is an error, not a collection whose files are all
// missing.
TEST_F(MissingFileCheck, UnreadableCollectionFolderIsAnError) {
    namespace fs = std::filesystem;
    const std::pair<const char*, std::function<bool(const std::string&)>> cases[] = {
        {"locked",
         [](const std::string& folder) {
             fs::permissions(folder, fs::perms::none);
             return !FolderListingProblem(folder).empty();  // not for root
         }},
        {"gone", [](const std::string& folder) { return fs::remove_all(folder) > 0; }},
    };
    for (const auto& [what, lock] : cases) {
        SetUp();
        const std::string folder = CollectionFolder("Anna", "Coats");
        const bool locked = lock(folder);
        if (locked) {
            SetCurrentSelection(
                {"Anna", "Coats", DesignersFolder("Anna"), folder, MacroSourceFolder(0)});
            const MissingFileReport report = Check({"Trench"});
            EXPECT_NE(report.error.find("cannot read the folder " + folder), std::string::npos)
                << what << ": " << report.error;
            EXPECT_TRUE(report.missing.entries.empty()) << what;
        }
        if (fs::exists(folder))
            fs::permissions(folder, fs::perms::owner_all);
    }
}

TEST_F(MissingFileCheck, FailingProgressStepEndsTheCheckWithItsError) {
    bool completed = false;
    MissingFileReport result;
    LoadThreadSteps steps;
    steps.progress = [](const std::string&) { throw std::runtime_error("label gone"); };
    steps.completion = [&](const MissingFileReport& report) {
        result = report;
        completed = true;
    };
    auto thread = LoadThread::Start(ui, MakeScanInputs({"Trench"}), steps);
    ui.Pump([&] { return completed; });
    thread->Wait();
    EXPECT_EQ(result.error, "label gone");
}

TEST_F(MissingFileCheck, CancelledCheckHandsOverNothingMore) {
    DirectDispatcher direct;
    int steps = 0;
    std::shared_ptr<LoadThread> thread;
    LoadThreadSteps handlers;
    std::mutex started;
    started.lock();  // holds the first progress step until the check is cancelled
    handlers.progress = [&](const std::string&) {
        ++steps;
        std::lock_guard wait(started);
    };
    handlers.completion = [&](const MissingFileReport&) { ++steps; };
    thread = LoadThread::Start(direct, MakeScanInputs({"Trench", "Duffle"}), handlers);
    thread->Cancel();
    started.unlock();
    thread->Wait();
    EXPECT_LE(steps, 1);
}

}  // namespace
}  // namespace kb::test
