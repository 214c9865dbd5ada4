#pragma once
// The Upload command of the main window (its hidden menu item "Upload"): the login, then the
// upload thread.
#include <memory>

#include "foundation/ui_dispatcher.h"
#include "upload/ftp_thread.h"
#include "upload/password_form.h"
#include "upload/upload_view.h"
#include "workspace/macro_scan.h"

namespace kb {

// Runs on the user-interface thread. Shows the login dialog; on Cancel shows "Canceled", when
// no valid account identifier is known "Invalid User" (both captioned "Error") and returns
// nothing. Otherwise shows the Processing window and starts the upload of the collection that
// inputs describe (the designer of inputs.selection, the collection inputs.boxCollection, or
// inputs.selection.collection when that is empty) and returns the running thread at once.
std::shared_ptr<FtpThread> StartUpload(LoginDialog& dialog, UploadView& view,
                                       UiDispatcher& dispatcher, ScanInputs inputs);

}  // namespace kb
