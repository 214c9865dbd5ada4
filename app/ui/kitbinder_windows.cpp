#include "app/ui/kitbinder_windows.h"

#include "app/logic/main_form.h"
#include "app/ui/about_form.h"
#include "app/ui/build_form.h"
#include "app/ui/form_view.h"
#include "app/ui/input_dialog.h"
#include "app/ui/login_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/picture_input_form.h"
#include "app/ui/processing_form.h"
#include "upload/upload_command.h"

namespace kb {

KitbinderWindows::KitbinderWindows(DialogHooks hooks) {
    ui_.hooks = std::move(hooks);
    window_ = std::make_unique<MainWindow>();
    ui_.windows.mainWindow = window_.get();
    logic_ = std::make_unique<TMainForm>(ui_, dispatcher_);
    view_ = std::make_unique<FormView>(*window_, *logic_, ui_);
    ui_.formChanged = [this] { view_->Sync(); };
    window_->OnClosing([this] { Closing(); });
    logic_->FormCreate();
    view_->Sync();

    // The dialogs belong to the main window, which deletes them.
    about_ = new AboutForm(window_.get());
    ui_.windows.about = about_;
    input_ = new InputDialog(window_.get());
    ui_.windows.input = input_;
    processing_ = new ProcessingForm(window_.get());
    ui_.windows.processing = processing_;
    build_ = new BuildForm(window_.get());
    ui_.windows.build = build_;
    picture_ = new PictureInputForm(window_.get(), ui_);
    ui_.windows.picture = picture_;
    login_ = new TPasswordFrm(dispatcher_, window_.get());
    logic_->UploadHandler = [this](ScanInputs inputs) { StartUpload(std::move(inputs)); };
}

// The hidden "Upload" menu item: the login, then the upload of the collection the window shows.
void KitbinderWindows::StartUpload(ScanInputs inputs) {
    upload_ = kb::StartUpload(*login_, ui_, dispatcher_, std::move(inputs));
}

// A worker may be waiting for a step on this thread: cancel the workers, then serve the event
// queue until they have ended, so none outlives the windows and the dispatcher it uses.
void KitbinderWindows::StopWorkers() {
    logic_->CancelCheck();
    if (upload_)
        upload_->Cancel();
    login_->CancelCheck();
    const std::shared_ptr<WorkerThread> workers[] = {logic_->CheckWorker(), upload_,
                                                     login_->CheckWorker()};
    for (const std::shared_ptr<WorkerThread>& worker : workers) {
        if (worker)
            ServeUntilFinished(*worker);
    }
}

KitbinderWindows::~KitbinderWindows() {
    StopWorkers();
    if (!closed_)
        Closing();
    ui_.formChanged = nullptr;
    view_.reset();
    logic_.reset();
    ui_.windows = {};
}

// The main window closes for good: the workers are told to stop and their "Processing" window
// goes with the main window, so nothing keeps the event loop running.
void KitbinderWindows::Closing() {
    closed_ = true;
    logic_->CancelCheck();
    if (upload_)
        upload_->Cancel();
    login_->CancelCheck();
    processing_->hide();
    logic_->FormDestroy();
}

}  // namespace kb
