#include "workspace/load_thread.h"

#include <pthread.h>
#include <sched.h>

#include <cstdio>
#include <thread>

#include "foundation/paths.h"

namespace kb {
namespace {

// Thrown inside the worker when the check was cancelled, to leave the scan early.
struct CheckCancelled {};

// Lowers the calling thread to idle priority; failing that, it runs at normal priority.
void SetIdlePriority() {
    sched_param parameters{};
    parameters.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &parameters);
}

}  // namespace

std::vector<std::string> MissingFileReport::MissingFileNames() const {
    std::vector<std::string> names;
    names.reserve(missing.entries.size());
    for (const DirectoryParser& entry : missing.entries)
        names.push_back(DisplayText(entry));
    return names;
}

MissingFileReport RunMissingFileCheck(const ScanInputs& inputs, ScanProgress* progress) {
    MissingFileReport report;
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

LoadThread::LoadThread(UiDispatcher& ui, KitbinderData data, ScanInputs inputs,
                       LoadThreadSteps steps)
    : ui_(ui), data_(std::move(data)), inputs_(std::move(inputs)), steps_(std::move(steps)) {}

std::shared_ptr<LoadThread> LoadThread::Start(UiDispatcher& ui, KitbinderData data,
                                              ScanInputs inputs, LoadThreadSteps steps) {
    auto thread =
        std::make_shared<LoadThread>(ui, std::move(data), std::move(inputs), std::move(steps));
    std::thread([thread] { thread->Run(); }).detach();
    return thread;
}

void LoadThread::Wait() {
    std::unique_lock lock(finishMutex_);
    finishedSignal_.wait(lock, [this] { return finished_.load(); });
}

void LoadThread::ScanningGarment(const std::string& currentFile) {
    if (cancelled_)
        throw CheckCancelled{};
    currentFile_ = currentFile;
    if (!steps_.progress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (progressShown_ && now - *progressShown_ < steps_.progressInterval)
        return;
    progressShown_ = now;
    HandOver([this, currentFile] { steps_.progress(currentFile); });
}

void LoadThread::HandOver(std::function<void()> step) {
    if (!cancelled_)
        ui_.RunAndWait(std::move(step));
}

void LoadThread::Run() {
    SetIdlePriority();
    try {
        MissingFileReport report;
        try {
            report = RunMissingFileCheck(inputs_, this);
        } catch (const std::exception& error) {
            report = MissingFileReport{};
            report.error = error.what();
        } catch (const CheckCancelled&) {
            throw;
        } catch (...) {
            report = MissingFileReport{};
            report.error = "The missing-file check failed for an unknown reason";
        }
        currentFile_.clear();
        if (steps_.completion)
            HandOver([this, &report] { steps_.completion(report); });
    } catch (const CheckCancelled&) {
    } catch (const std::exception& error) {
        // The completion step itself failed; nobody is left to tell but the log.
        std::fprintf(stderr, "Missing-file check: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "Missing-file check: unknown error\n");
    }
    {
        std::lock_guard lock(finishMutex_);
        finished_ = true;
    }
    finishedSignal_.notify_all();
}

}  // namespace kb
