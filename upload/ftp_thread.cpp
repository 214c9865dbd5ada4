#include "upload/ftp_thread.h"

#include <algorithm>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "upload/http_client.h"
#include "workspace/kitbinder_data.h"
#include "workspace/mmt_data.h"
#include "workspace/workspace_paths.h"

namespace kb {
namespace {

// Thrown inside the worker when the database connection was lost, to end the upload.
struct ConnectionLost {};

}  // namespace

std::string DocumentName(const DirectoryParser& entry, const std::string& designer,
                         const std::string& collection) {
    const std::string file = NameOf(entry.path);
    const std::string inCollection = designer + "/" + collection + "/" + file;
    switch (entry.type) {
        case MeasureTableFile:
            return "measure_tables/" + entry.tableName + "/" + file;
        case MeasurePicture:
            return "measures/" + inCollection;
        case DesignerFile:
            return "designers/" + designer + "/" + file;
        case CollectionFile:
            return "collections/" + inCollection;
        case GarmentFile:
            return "zefas/" + inCollection;
        case GarmentPicture:
            return "styles/" + inCollection;
        default:
            return {};
    }
}

FtpThread::FtpThread(UiDispatcher& ui, UploadView& view, std::string designer,
                     std::string collection, std::string accountId, ScanInputs inputs,
                     UploadConfig config)
    : WorkerThread(ui, "Upload"),
      designer(std::move(designer)),
      collection(std::move(collection)),
      accountId(std::move(accountId)),
      inputs_(std::move(inputs)),
      config_(std::move(config)),
      view_(view) {}

std::shared_ptr<FtpThread> FtpThread::Start(UiDispatcher& ui, UploadView& view,
                                            std::string designer, std::string collection,
                                            std::string accountId, ScanInputs inputs,
                                            UploadConfig config) {
    auto thread =
        std::make_shared<FtpThread>(ui, view, std::move(designer), std::move(collection),
                                    std::move(accountId), std::move(inputs), std::move(config));
    Launch(thread);
    return thread;
}

void FtpThread::SetStatus(const std::string& text) {
    statusText = text;
    HandOver([this] { view_.SetProcessingLabel(statusText); });
}

void FtpThread::ShowMessage(const std::string& text, const std::string& caption, UploadIcon icon) {
    HandOver([&] { view_.ShowUploadMessage(text, caption, icon); });
}

// A failing step on the user-interface thread goes to the log.
void FtpThread::Body() {
    try {
        Upload();
    } catch (const ConnectionLost&) {
        // The store failure has been shown; nothing more can be stored.
    } catch (const std::exception& error) {
        // A scan that fails (a table value that is not a number, an unreadable file).
        ShowMessage(error.what(), "Error", UploadIcon::Error);
    }
    HandOver([this] { view_.HideProcessing(); });
}

void FtpThread::Upload() {
    const std::unique_ptr<UploadStore> store = config_.openStore(config_, CancelFlag());
    UploadStore& db = *store;
    if (db.failed()) {
        ShowMessage("Cannot connect to server", "Error", UploadIcon::Error);
        return;
    }
    SetStatus("Parce");
    const DirectoryParserList list = BuildFileList();
    std::vector<std::string> tablePaths;
    StoreEntries(db, list, tablePaths);
    for (const std::string& path : tablePaths)
        StoreTableFiles(db, list, path);
    RequestProcessing();
}

DirectoryParserList FtpThread::BuildFileList() const {
    DirectoryParserList list;
    ScanCollection(inputs_, list, false);
    list.KeepExisting(true);
    list.RemoveDuplicates();
    return list;
}

void FtpThread::Store(UploadStore& db, const std::string& path, const std::string& name) {
    ThrowIfCancelled();
    if (!db.StoreFile(accountId, path, name))
        ShowMessage("Error transfering file: " + path, "Error", UploadIcon::Error);
    if (db.failed())
        throw ConnectionLost{};
}

void FtpThread::StoreEntries(UploadStore& db, const DirectoryParserList& list,
                             std::vector<std::string>& tablePaths) {
    for (const DirectoryParser& entry : list.entries) {
        SetStatus(NameOf(entry.path));
        if (entry.type == MeasureTableFile && IsTablePath(entry.path))
            tablePaths.push_back(entry.path);
        const std::string name = DocumentName(entry, designer, collection);
        if (!name.empty())
            Store(db, entry.path, name);
    }
}

// The table's measuring pictures and texts found by the scan, then the table's own support
// files, all under the table's inner name.
void FtpThread::StoreTableFiles(UploadStore& db, const DirectoryParserList& list,
                                const std::string& tablePath) {
    MmtData table;
    try {
        LoadMmt(table, tablePath);
    } catch (const std::exception&) {
        // The record keeps what was read before the bad value.
    }
    const std::string prefix = "measure_tables/" + table.name + "/";
    const size_t rows = std::min(table.rowNames.size(), table.rowPictures.size());
    for (size_t i = 0; i < rows; ++i) {
        // The scan found them whatever the case of their names, as Windows would.
        const std::string text = FoldNameCase(table.rowPictures[i] + ".txt");
        const std::string picture = FoldNameCase(table.rowPictures[i] + ".jpg");
        for (const DirectoryParser& entry : list.entries) {
            const std::string file = NameOf(entry.path);
            const std::string folded = FoldNameCase(file);
            if (folded != text && folded != picture)
                continue;
            SetStatus(file);
            Store(db, entry.path, prefix + file);
        }
    }
    FolderListings names(WorkspaceRoot(false));
    for (int i = 0; i < kSupportExtensionCount; ++i) {
        const std::string source = names.FindFile(ChangeExtension(tablePath, SupportExtension(i)));
        if (!source.empty())
            Store(db, source, prefix + NameOf(source));
    }
}

void FtpThread::RequestProcessing() {
    const std::string answer = HttpGetText(config_.ProcessingAddress() + accountId,
                                           config_.timeouts, config_.caFile, &CancelFlag());
    ShowMessage(AnswerExcerpt(answer), "Processing", UploadIcon::None);
}

}  // namespace kb
