#pragma once
// The window logic's UserInterface, done with Qt: message boxes, file choosers, the small
// dialogs, the busy pointer, the desktop's document handler and programs.
//
// Tests answer the modal parts themselves through `hooks`: a hook that is set is called instead
// of showing the box, chooser or dialog.
#include <QDateTime>
#include <QHash>
#include <QString>
#include <functional>

#include "app/logic/user_interface.h"
#include "upload/upload_view.h"

class QWidget;

namespace kb {

class AboutForm;
class BuildForm;
class InputDialog;
class PictureInputForm;
class ProcessingForm;

struct DialogHooks {
    std::function<MessageAnswer(const std::string& text, const std::string& caption,
                                MessageButtons buttons, MessageIcon icon)>
        message;
    std::function<std::optional<std::string>(const FileChooser& chooser)> chooseFile;
    std::function<std::optional<std::string>(const std::string& title, const std::string& text)>
        askText;
    std::function<bool(const std::string& path)> openDocument;
    std::function<ProgramResult(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::string& workingFolder, bool wait)>
        startProgram;
    std::function<std::unique_ptr<RunningProgram>(
        const std::string& program, const std::vector<std::string>& arguments,
        const std::string& workingFolder, ProgramWatch watch)>
        startWatchedProgram;
    std::function<void()> about;
    std::function<void(const std::string& title, const std::string& text)> report;
};

// The windows that the interface shows; filled in as start-up makes them.
struct DialogWindows {
    QWidget* mainWindow = nullptr;
    AboutForm* about = nullptr;
    InputDialog* input = nullptr;
    ProcessingForm* processing = nullptr;
    BuildForm* build = nullptr;
    PictureInputForm* picture = nullptr;
};

// Turns a filter of "description|pattern" pairs into Qt's "description (pattern)" entries
// separated by ";;" (the window shows the descriptions only).
QString QtFileFilter(const std::string& filter);

class QtUserInterface : public UserInterface, public UploadView {
  public:
    DialogHooks hooks;
    DialogWindows windows;
    // Copies the form model into the window; set once the window is bound to the logic.
    std::function<void()> formChanged;

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                              MessageButtons buttons, MessageIcon icon) override;
    std::optional<std::string> ChooseFile(const FileChooser& chooser) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& text) override;
    void ShowPictureDialog(PictureInput& picture) override;
    void ShowProcessing() override;
    void SetProcessingLabel(const std::string& text) override;
    void HideProcessing() override;
    void BeginBusyCursor() override;
    void EndBusyCursor() override;
    bool PictureReadable(const std::string& path) override;
    bool OpenDocument(const std::string& path) override;
    ProgramResult StartProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& workingFolder, bool wait) override;
    std::unique_ptr<RunningProgram> StartWatchedProgram(const std::string& program,
                                                        const std::vector<std::string>& arguments,
                                                        const std::string& workingFolder,
                                                        ProgramWatch watch) override;
    void ShowBuildWindow(std::function<void()> cancel) override;
    void SetBuildStep(const std::string& step) override;
    void SetBuildProgress(int done, int total) override;
    void AppendBuildLog(const std::string& text) override;
    void EndBuild(const std::string& outcome, bool succeeded) override;
    void ShowReport(const std::string& title, const std::string& text) override;
    void ShowAbout() override;
    void CloseMainWindow() override;
    void FormChanged() override;

    // UploadView: the upload's messages, and the same "Processing" window.
    void ShowUploadMessage(const std::string& text, const std::string& caption,
                           UploadIcon icon) override;

  private:
    // Whether a picture decoded, by path, for as long as its file's time and size stay the same:
    // the panel asks for the same pictures several times while the window starts.
    struct PictureCheck {
        QDateTime time;
        qint64 size = -1;
        bool readable = false;
    };
    QHash<QString, PictureCheck> pictureChecks_;
};

}  // namespace kb
