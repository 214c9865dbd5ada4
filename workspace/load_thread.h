#pragma once
// The missing-file check: runs the collection scan on a worker thread of idle priority and hands
// its progress and its result to the user-interface thread through a UiDispatcher, waiting for
// each. The worker never touches a window; the steps it hands over do.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ui_dispatcher.h"
#include "foundation/worker_thread.h"
#include "workspace/directory_parser.h"
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

class LoadThread : public WorkerThread, public ScanProgress {
  public:
    // Starts a check over a copy of inputs. A cancelled check hands over no further step, not
    // even the completion.
    static std::shared_ptr<LoadThread> Start(UiDispatcher& ui, ScanInputs inputs,
                                             LoadThreadSteps steps);

    const std::string& CurrentFile() const { return currentFile_; }
    void ScanningGarment(const std::string& currentFile) override;

    LoadThread(UiDispatcher& ui, ScanInputs inputs, LoadThreadSteps steps);

  private:
    void Body() override;

    ScanInputs inputs_;
    LoadThreadSteps steps_;
    std::string currentFile_;
    std::optional<std::chrono::steady_clock::time_point> progressShown_;  // the last hand-over
};

}  // namespace kb
