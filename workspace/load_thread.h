#pragma once
// The missing-file check: runs the collection scan on a worker thread of idle priority and hands
// its progress and its result to the user-interface thread through a UiDispatcher, waiting for
// each. The worker never touches a window; the steps it hands over do.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ui_dispatcher.h"
#include "workspace/directory_parser.h"
#include "workspace/kitbinder_data.h"
#include "workspace/macro_scan.h"

namespace kb {

// What the completion step receives.
struct MissingFileReport {
    // Non-empty when the scan failed (names the file and the problem); then the lists are empty.
    std::string error;
    // The file names without extension of every table entry, list order, duplicates included.
    std::vector<std::string> tableNames;
    // The missing files only, list order, with the scan's mmtFiles.
    DirectoryParserList missing;

    bool Failed() const { return !error.empty(); }
    // The display text of every missing file, list order.
    std::vector<std::string> MissingFileNames() const;
};

// The steps that run on the user-interface thread.
struct LoadThreadSteps {
    // Shows the garment being scanned ("" at the end); may be empty. Handed over for the first
    // garment, then at most once per progressInterval: each hand-over waits for the
    // user-interface thread, which would cost more than the scan of a garment.
    std::function<void(const std::string& currentFile)> progress;
    std::chrono::steady_clock::duration progressInterval = std::chrono::milliseconds(50);
    // Runs once when the check ends, successful or not.
    std::function<void(const MissingFileReport& report)> completion;
};

// Runs the check on the worker: scan, filter, then the report (no threads involved).
MissingFileReport RunMissingFileCheck(const ScanInputs& inputs, ScanProgress* progress);

class LoadThread : public ScanProgress, public std::enable_shared_from_this<LoadThread> {
  public:
    // Starts a check over copies of data and inputs. The thread keeps itself alive until its
    // run has ended; the returned handle is only needed to cancel or wait.
    static std::shared_ptr<LoadThread> Start(UiDispatcher& ui, KitbinderData data,
                                             ScanInputs inputs, LoadThreadSteps steps);

    // Asks the worker to stop: no further step is handed over (not even the completion).
    void Cancel() { cancelled_ = true; }
    bool Finished() const { return finished_; }
    // Blocks until the run has ended. Never call it on the user-interface thread unless the
    // dispatcher can still run the worker's steps meanwhile (or the check was cancelled and no
    // step is pending).
    void Wait();

    const std::string& CurrentFile() const { return currentFile_; }
    void ScanningGarment(const std::string& currentFile) override;

    LoadThread(UiDispatcher& ui, KitbinderData data, ScanInputs inputs, LoadThreadSteps steps);

  private:
    void Run();
    void HandOver(std::function<void()> step);

    UiDispatcher& ui_;
    KitbinderData data_;
    ScanInputs inputs_;
    LoadThreadSteps steps_;
    std::string currentFile_;
    std::optional<std::chrono::steady_clock::time_point> progressShown_;  // the last hand-over
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::mutex finishMutex_;
    std::condition_variable finishedSignal_;
};

}  // namespace kb
