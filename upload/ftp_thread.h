#pragma once
// The upload of one collection: on a worker thread of background priority, it connects to the
// service's document database, scans the collection, stores every file found as one document,
// then asks the service to process the upload. What it shows goes through the user-interface
// thread (UiDispatcher), waiting for each step.
#include <memory>
#include <string>
#include <vector>

#include "foundation/ui_dispatcher.h"
#include "foundation/worker_thread.h"
#include "upload/upload_config.h"
#include "upload/upload_view.h"
#include "workspace/directory_parser.h"
#include "workspace/macro_scan.h"

namespace kb {

class UploadStore;

// The name under which the service keeps an entry's file, by the entry's type; "" for a type
// that has no rule.
std::string DocumentName(const DirectoryParser& entry, const std::string& designer,
                         const std::string& collection);

class FtpThread : public WorkerThread {
  public:
    // Starts an upload of the collection that inputs describe, for the account accountId (24
    // hexadecimal digits). inputs and config are the copies the upload works on. A cancelled
    // upload stops before its next file and hands over nothing more, not even the hiding of the
    // Processing window.
    static std::shared_ptr<FtpThread> Start(UiDispatcher& ui, UploadView& view,
                                            std::string designer, std::string collection,
                                            std::string accountId, ScanInputs inputs,
                                            UploadConfig config = CurrentUploadConfig());

    FtpThread(UiDispatcher& ui, UploadView& view, std::string designer, std::string collection,
              std::string accountId, ScanInputs inputs, UploadConfig config);

  private:
    void Body() override;
    void Upload();
    void SetStatus(const std::string& text);
    void ShowMessage(const std::string& text, const std::string& caption, UploadIcon icon);
    DirectoryParserList BuildFileList() const;
    void StoreEntries(UploadStore& db, const DirectoryParserList& list,
                      std::vector<std::string>& tablePaths);
    void StoreTableFiles(UploadStore& db, const DirectoryParserList& list,
                         const std::string& tablePath);
    void Store(UploadStore& db, const std::string& path, const std::string& name);
    void RequestProcessing();

    std::string statusText;
    const std::string designer;
    const std::string collection;
    const std::string accountId;
    const ScanInputs inputs_;
    const UploadConfig config_;
    UploadView& view_;
};

}  // namespace kb
