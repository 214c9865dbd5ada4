#include "tests/app_logic/fake_user_interface.h"

#include "app/logic/picture_input.h"
#include "foundation/files.h"

namespace kb::test {

namespace {

template <typename T>
std::optional<T> Next(std::deque<std::optional<T>>& script) {
    if (script.empty())
        return std::nullopt;
    std::optional<T> answer = script.front();
    script.pop_front();
    return answer;
}

}  // namespace

MessageAnswer FakeUserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                             MessageButtons buttons, MessageIcon icon) {
    messages.push_back({text, caption, buttons, icon});
    if (whileAsking)
        whileAsking();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (answers.empty())
        return MessageAnswer::No;
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> FakeUserInterface::ChooseFile(const FileChooser& chooser) {
    choosers.push_back(chooser);
    return Next(picks);
}

std::optional<std::string> FakeUserInterface::AskText(const std::string& title,
                                                      const std::string& text) {
    asked.emplace_back(title, text);
    if (whileAsking)
        whileAsking();
    return Next(texts);
}

void FakeUserInterface::ShowPictureDialog(PictureInput& picture) {
    events.push_back("picture dialog");
    picture.Show();
    if (pictureDialog)
        pictureDialog(picture);
    lastPreview = picture.Preview();
}

bool FakeUserInterface::PictureReadable(const std::string& path) {
    std::string head = ReadTextFile(path).substr(0, 2);
    return head == "\xFF\xD8" || head == "BM";
}

bool FakeUserInterface::OpenDocument(const std::string& path) {
    opened.push_back(path);
    return canOpen;
}

ProgramResult FakeUserInterface::StartProgram(const std::string& program,
                                              const std::vector<std::string>& arguments,
                                              const std::string& workingFolder, bool wait) {
    started.push_back({program, arguments, workingFolder, wait});
    return kb::StartProgram(program, arguments, workingFolder, wait);
}

class FakeUserInterface::HeldProgram : public RunningProgram {
  public:
    explicit HeldProgram(FakeUserInterface& ui) : ui_(ui) {}
    void Stop() override { ui_.StopHeldProgram(); }

  private:
    FakeUserInterface& ui_;
};

std::unique_ptr<RunningProgram> FakeUserInterface::StartWatchedProgram(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::string& workingFolder, ProgramWatch watch) {
    started.push_back({program, arguments, workingFolder, false});
    if (FindProgram(program).empty())
        return nullptr;
    held_ = Held{started.back(), std::move(watch)};
    auto running = std::make_unique<HeldProgram>(*this);
    if (!holdPrograms)
        RunHeldProgram();
    return running;
}

void FakeUserInterface::RunHeldProgram() {
    Held held = std::move(*held_);
    held_.reset();
    const ProgramResult result =
        kb::StartProgram(held.call.program, held.call.arguments, held.call.workingFolder, true);
    held.watch.output(result.output);
    held.watch.finished(result.exitCode, !result.started);
}

void FakeUserInterface::StopHeldProgram() {
    if (!held_)
        return;
    Held held = std::move(*held_);
    held_.reset();
    held.watch.finished(-1, true);
}

void FakeUserInterface::ShowBuildWindow(std::function<void()> cancel) {
    buildEvents.push_back("build window");
    buildLog.clear();
    buildCancel = std::move(cancel);
}

void FakeUserInterface::SetBuildProgress(int done, int total) {
    buildEvents.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
}

void FakeUserInterface::EndBuild(const std::string& outcome, bool succeeded) {
    buildEvents.push_back(std::string(succeeded ? "succeeded " : "failed ") + outcome);
}

std::vector<std::string> FakeUserInterface::MessageTexts() const {
    std::vector<std::string> texts;
    for (const Shown& shown : messages)
        texts.push_back(shown.text);
    return texts;
}

}  // namespace kb::test
