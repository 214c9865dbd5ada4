#pragma once
// A user interface without windows: it records what the logic shows and answers from a script.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/user_interface.h"

namespace kb::test {

class FakeUserInterface : public UserInterface {
  public:
    struct Shown {
        std::string text;
        std::string caption;
        MessageButtons buttons;
        MessageIcon icon;
    };
    struct Started {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingFolder;
        bool wait;
    };

    // Answers to Yes/No questions, in order; No when none is left.
    std::deque<MessageAnswer> answers;
    // Files picked by the choosers, in order; a cancel when none is left or for nullopt.
    std::deque<std::optional<std::string>> picks;
    // Texts entered in the input dialog, in order; a cancel when none is left or for nullopt.
    std::deque<std::optional<std::string>> texts;
    // What the picture dialog does while shown; by default it only shows.
    std::function<void(PictureInput&)> pictureDialog;
    // What happens while a message box or the input dialog is shown (focus moving, say).
    std::function<void()> whileAsking;
    // Whether the desktop has a program for the documents and folders opened.
    bool canOpen = true;

    std::vector<Shown> messages;
    std::vector<FileChooser> choosers;
    std::vector<std::pair<std::string, std::string>> asked;
    std::vector<std::string> events;  // processing window and cursor, in order
    std::vector<std::string> opened;
    std::vector<Started> started;
    std::string lastPreview;
    // Watched programs: run to their end as they start, unless held; a held program runs when
    // RunHeldProgram is called and ends as crashed when stopped.
    bool holdPrograms = false;
    // The build window: its steps, progress and end in order, its log, and its Cancel button.
    std::vector<std::string> buildEvents;
    std::string buildLog;
    std::function<void()> buildCancel;
    std::vector<std::pair<std::string, std::string>> reports;  // title, text
    int changes = 0;
    int about = 0;
    int closed = 0;

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                              MessageButtons buttons, MessageIcon icon) override;
    std::optional<std::string> ChooseFile(const FileChooser& chooser) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& text) override;
    void ShowPictureDialog(PictureInput& picture) override;
    void ShowProcessing() override { events.push_back("show processing"); }
    void SetProcessingLabel(const std::string& text) override { events.push_back("label " + text); }
    void HideProcessing() override { events.push_back("hide processing"); }
    void BeginBusyCursor() override { events.push_back("busy"); }
    void EndBusyCursor() override { events.push_back("normal"); }
    // JPEG and BMP files, by their first bytes.
    bool PictureReadable(const std::string& path) override;
    bool OpenDocument(const std::string& path) override;
    // Really starts the program (kb::StartProgram) after recording the call.
    ProgramResult StartProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& workingFolder, bool wait) override;
    std::unique_ptr<RunningProgram> StartWatchedProgram(const std::string& program,
                                                        const std::vector<std::string>& arguments,
                                                        const std::string& workingFolder,
                                                        ProgramWatch watch) override;
    void RunHeldProgram();
    bool ProgramHeld() const { return held_.has_value(); }
    void ShowBuildWindow(std::function<void()> cancel) override;
    void SetBuildStep(const std::string& step) override { buildEvents.push_back("step " + step); }
    void SetBuildProgress(int done, int total) override;
    void AppendBuildLog(const std::string& text) override { buildLog += text; }
    void EndBuild(const std::string& outcome, bool succeeded) override;
    void ShowReport(const std::string& title, const std::string& text) override {
        reports.emplace_back(title, text);
    }
    void ShowAbout() override { ++about; }
    void CloseMainWindow() override { ++closed; }
    void FormChanged() override { ++changes; }

    // The texts of the messages shown, in order.
    std::vector<std::string> MessageTexts() const;

  private:
    class HeldProgram;
    struct Held {
        Started call;
        ProgramWatch watch;
    };
    void StopHeldProgram();
    std::optional<Held> held_;
};

}  // namespace kb::test
