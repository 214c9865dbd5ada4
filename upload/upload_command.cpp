#include "upload/upload_command.h"

#include "upload/bson.h"

namespace kb {

std::shared_ptr<FtpThread> StartUpload(LoginDialog& dialog, UploadView& view,
                                       UiDispatcher& dispatcher, ScanInputs inputs) {
    if (!dialog.ShowModal()) {
        view.ShowUploadMessage("Canceled", "Error", UploadIcon::None);
        return nullptr;
    }
    const std::string id = dialog.CurrentAccountId();
    // An edited stored value must not reach the documents.
    if (!IsObjectIdText(id)) {
        view.ShowUploadMessage("Invalid User", "Error", UploadIcon::None);
        return nullptr;
    }
    view.ShowProcessing();
    std::string designer = inputs.selection.designer;
    std::string collection =
        inputs.boxCollection.empty() ? inputs.selection.collection : inputs.boxCollection;
    return FtpThread::Start(dispatcher, view, std::move(designer), std::move(collection), id,
                            std::move(inputs));
}

}  // namespace kb
