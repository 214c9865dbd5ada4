#include "workspace/load_thread.h"

#include "foundation/paths.h"
#include "workspace/collections.h"

namespace kb {
std::vector<std::string> MissingFileReport::MissingFileNames() const {
    std::vector<std::string> names;
    names.reserve(missing.entries.size());
    for (const DirectoryParser& entry : missing.entries)
        names.push_back(DisplayText(entry));
    return names;
}

MissingFileReport RunMissingFileCheck(const ScanInputs& inputs, ScanProgress* progress) {
    MissingFileReport report;
    RequireReadableSelection(inputs.selection);
    DirectoryParserList& list = report.missing;
    ScanCollection(inputs, list, true, progress);
    list.RemoveShadowedPictures();
    list.RemoveDuplicates();
    for (const DirectoryParser& entry : list.entries) {
        if (entry.type == MeasureTableFile) {
            report.tableNames.push_back(NameWithoutExtension(entry.path));
        }
    }
    list.KeepExisting(false);
    return report;
}

LoadThread::LoadThread(UiDispatcher& ui, ScanInputs inputs, LoadThreadSteps steps)
    : WorkerThread(ui, "Missing-file check"),
      inputs_(std::move(inputs)),
      steps_(std::move(steps)) {}

std::shared_ptr<LoadThread> LoadThread::Start(UiDispatcher& ui, ScanInputs inputs,
                                              LoadThreadSteps steps) {
    auto thread = std::make_shared<LoadThread>(ui, std::move(inputs), std::move(steps));
    Launch(thread);
    return thread;
}

void LoadThread::ScanningGarment(const std::string& currentFile) {
    ThrowIfCancelled();
    currentFile_ = currentFile;
    if (!steps_.progress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (progressShown_ && now - *progressShown_ < steps_.progressInterval)
        return;
    progressShown_ = now;
    HandOver([this, currentFile] { steps_.progress(currentFile); });
}

// A failed scan is reported through the completion; a failing completion goes to the log.
void LoadThread::Body() {
    MissingFileReport report;
    try {
        report = RunMissingFileCheck(inputs_, this);
    } catch (const std::exception& error) {
        report = MissingFileReport{};
        report.error = error.what();
    } catch (const WorkerCancelled&) {
        throw;
    } catch (...) {
        report = MissingFileReport{};
        report.error = "The missing-file check failed for an unknown reason";
    }
    currentFile_.clear();
    if (steps_.completion)
        HandOver([this, &report] { steps_.completion(report); });
}

}  // namespace kb
