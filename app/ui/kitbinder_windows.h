#pragma once
// The program's windows, made once at start-up in this order and kept for the whole run: the
// main window (its logic, its widgets and their binding), the About box, the input dialog, the
// "Processing" window, the picture dialog and the upload's login dialog.
#include <memory>

#include "app/ui/qt_ui_dispatcher.h"
#include "app/ui/qt_user_interface.h"
#include "workspace/macro_scan.h"

namespace kb {

class AboutForm;
class FormView;
class InputDialog;
class MainWindow;
class PictureInputForm;
class ProcessingForm;
class BuildForm;
class TMainForm;
class TPasswordFrm;
class FtpThread;

class KitbinderWindows {
  public:
    // Builds the windows and runs the main window's start-up steps; the window is not shown.
    // Hooks that are set answer the modal boxes and choosers instead of a person (tests).
    explicit KitbinderWindows(DialogHooks hooks = {});
    // Runs the main window's closing steps unless the window was closed already.
    ~KitbinderWindows();
    KitbinderWindows(const KitbinderWindows&) = delete;
    KitbinderWindows& operator=(const KitbinderWindows&) = delete;

    MainWindow& Window() { return *window_; }
    TMainForm& Logic() { return *logic_; }
    FormView& View() { return *view_; }
    QtUserInterface& Ui() { return ui_; }
    ProcessingForm& Processing() { return *processing_; }
    BuildForm& Build() { return *build_; }
    InputDialog& Input() { return *input_; }
    PictureInputForm& Picture() { return *picture_; }
    AboutForm& About() { return *about_; }
    TPasswordFrm& Login() { return *login_; }

  private:
    void Closing();
    void StartUpload(ScanInputs inputs);
    void StopWorkers();

    QtUserInterface ui_;
    QtUiDispatcher dispatcher_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<TMainForm> logic_;
    std::unique_ptr<FormView> view_;
    AboutForm* about_ = nullptr;
    InputDialog* input_ = nullptr;
    ProcessingForm* processing_ = nullptr;
    BuildForm* build_ = nullptr;
    PictureInputForm* picture_ = nullptr;
    TPasswordFrm* login_ = nullptr;
    std::shared_ptr<FtpThread> upload_;
    bool closed_ = false;
};

}  // namespace kb
