#pragma once
// The upload of one collection: on a worker thread of idle priority, it connects to the
// service's document database, scans the collection, stores every file found as one document,
// then asks the service to process the upload. What it shows goes through the user-interface
// thread (UiDispatcher), waiting for each step.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/ui_dispatcher.h"
#include "upload/upload_config.h"
#include "upload/upload_view.h"
#include "workspace/directory_parser.h"
#include "workspace/macro_scan.h"

namespace kb {

class MongoDb;

// The name under which the service keeps an entry's file, by the entry's type; "" for a type
// that has no rule.
std::string DocumentName(const DirectoryParser& entry, const std::string& designer,
                         const std::string& collection);

class FtpThread : public std::enable_shared_from_this<FtpThread> {
  public:
    // Starts an upload of the collection that inputs describe, for the account accountId (24
    // hexadecimal digits). inputs and config are the copies the upload works on. The thread
    // keeps itself alive until its run has ended; the handle is only needed to cancel or wait.
    static std::shared_ptr<FtpThread> Start(UiDispatcher& ui, UploadView& view,
                                            std::string designer, std::string collection,
                                            std::string accountId, ScanInputs inputs,
                                            UploadConfig config = CurrentUploadConfig());

    FtpThread(UiDispatcher& ui, UploadView& view, std::string designer, std::string collection,
              std::string accountId, ScanInputs inputs, UploadConfig config);

    // Asks the worker to stop before its next file; nothing more is handed over, not even the
    // hiding of the Processing window.
    void Cancel() { cancelled_ = true; }
    bool Finished() const { return finished_; }
    // Blocks until the run has ended; the dispatcher must be able to run the worker's steps.
    void Wait();

    // The worker's body; Start runs it on a new thread.
    void Run();

  private:
    void Upload();
    void SetStatus(const std::string& text);
    void ShowMessage(const std::string& text, const std::string& caption, UploadIcon icon);
    void HandOver(std::function<void()> step);
    DirectoryParserList BuildFileList() const;
    void StoreEntries(MongoDb& db, const DirectoryParserList& list,
                      std::vector<std::string>& tablePaths);
    void StoreTableFiles(MongoDb& db, const DirectoryParserList& list,
                         const std::string& tablePath);
    void Store(MongoDb& db, const std::string& path, const std::string& name);
    void RequestProcessing();

    std::string statusText;
    const std::string designer;
    const std::string collection;
    const std::string accountId;
    const ScanInputs inputs_;
    const UploadConfig config_;
    UiDispatcher& ui_;
    UploadView& view_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::mutex finishMutex_;
    std::condition_variable finishedSignal_;
};

}  // namespace kb
