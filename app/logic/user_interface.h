#pragma once
// Everything the window logic needs from a person or from the desktop. The Qt front end
// implements it for real; tests implement it with a fake that records and answers from a script.
// Every call is made on the user-interface thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/form_model.h"
#include "foundation/platform.h"

namespace kb {

class PictureInput;

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Yes, No };

// A program started without waiting (UserInterface::StartWatchedProgram). Destroying it stops a
// program that still runs, without reporting its end.
class RunningProgram {
  public:
    virtual ~RunningProgram() = default;
    // Stops the program and every program it started; its end is still reported.
    virtual void Stop() = 0;
};

// What a watched program reports, on the user-interface thread.
struct ProgramWatch {
    // Standard output and error, piece by piece as they come.
    std::function<void(const std::string& text)> output;
    // The end: the exit code, or crashed when it was stopped or died.
    std::function<void(int exitCode, bool crashed)> finished;
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // A modal message box; answers the button pressed (Ok for an Ok-only box). Yes/No questions
    // delete or overwrite on Yes, so No is their default button (Enter answers No).
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageButtons buttons, MessageIcon icon) = 0;

    // Shows the named chooser (filter, default extension, start folder, preset file name) and
    // answers the full path picked, or nothing when the person cancels.
    virtual std::optional<std::string> ChooseFile(const FileChooser& chooser) = 0;

    // The input dialog: title above an edit holding text. The entered text on OK, else nothing.
    virtual std::optional<std::string> AskText(const std::string& title,
                                               const std::string& text) = 0;

    // The picture dialog, shown modally. The dialog drives `picture` (Show on showing, Preview
    // for the file to draw, PictureClick on a click on the picture).
    virtual void ShowPictureDialog(PictureInput& picture) = 0;

    // The "Processing" window: shown without blocking (with the busy pointer), its label set by
    // running work, hidden by the work's completion step (pointer back to normal).
    virtual void ShowProcessing() = 0;
    virtual void SetProcessingLabel(const std::string& text) = 0;
    virtual void HideProcessing() = 0;

    // The busy (hourglass) pointer, in nested pairs.
    virtual void BeginBusyCursor() = 0;
    virtual void EndBusyCursor() = 0;

    // Whether path holds a picture that can be decoded and shown.
    virtual bool PictureReadable(const std::string& path) = 0;

    // Opens a document or folder with the desktop's default handler; false when that failed.
    virtual bool OpenDocument(const std::string& path) = 0;

    // Starts a program (a path or a bare name, see kb::StartProgram); with wait, returns when it
    // has ended, with its exit code and output.
    virtual ProgramResult StartProgram(const std::string& program,
                                       const std::vector<std::string>& arguments,
                                       const std::string& workingFolder, bool wait) = 0;

    // Starts a program (as StartProgram) without waiting; its output and end go to watch.
    // Nothing when it cannot be started. The end may be reported before this returns.
    virtual std::unique_ptr<RunningProgram> StartWatchedProgram(
        const std::string& program, const std::vector<std::string>& arguments,
        const std::string& workingFolder, ProgramWatch watch) = 0;

    // The Create Setup window, modal to the main window and shown without blocking: the current
    // step, a progress bar, a log that can be copied, and Cancel (which calls cancel) until the
    // build has ended; then Close.
    virtual void ShowBuildWindow(std::function<void()> cancel) = 0;
    virtual void SetBuildStep(const std::string& step) = 0;
    // total 0: busy without a measure.
    virtual void SetBuildProgress(int done, int total) = 0;
    virtual void AppendBuildLog(const std::string& text) = 0;
    virtual void EndBuild(const std::string& outcome, bool succeeded) = 0;

    // A modal window holding a read-only text that can be selected and copied.
    virtual void ShowReport(const std::string& title, const std::string& text) = 0;

    // The About box, shown modally.
    virtual void ShowAbout() = 0;

    // Closes the main window (the program ends).
    virtual void CloseMainWindow() = 0;

    // The form model changed: the view copies it into its widgets.
    virtual void FormChanged() = 0;
};

}  // namespace kb
