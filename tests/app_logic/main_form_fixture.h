#pragma once
// A main form on a temporary workspace and settings store, driven as a person would, with a
// fake user interface and a user-interface thread that the test itself runs.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "app/logic/main_form.h"
#include "tests/app_logic/fake_user_interface.h"
#include "tests/support/temp_folder.h"

namespace kb::test {

// Steps handed over by worker threads wait here until the test thread runs them.
class QueuedDispatcher : public UiDispatcher {
  public:
    void RunAndWait(std::function<void()> work) override;
    // Runs handed-over steps on the calling thread until done() holds; false after 30 s.
    bool RunUntil(const std::function<bool()>& done);

  private:
    struct Step;
    std::mutex mutex_;
    std::condition_variable signal_;
    std::deque<Step*> steps_;
};

// An environment variable set for one test and given back its value afterwards.
class EnvironmentValue {
  public:
    explicit EnvironmentValue(const char* name) : name_(name) {}
    void Set(const std::string& value);
    void Restore();

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the form and runs its start-up.
    TMainForm& Start();
    // Ends the form as the program's end does, then starts a new one with a fresh fake.
    TMainForm& Restart();
    TMainForm& Form() { return *form_; }
    FormModel& Model() { return form_->form; }

    void TypeDesigner(const std::string& text);
    void TypeCollection(const std::string& text);
    void GoTo(Tab tab);
    // Starts the missing-file check and runs its steps until it has ended.
    void RunCheck();

    // Files below the workspace root.
    void Write(std::string_view relative, std::string_view content = "x") const;
    void MakeFolder(std::string_view relative) const;
    std::string At(std::string_view relative) const;
    std::string Read(std::string_view relative) const;
    bool Exists(std::string_view relative) const;
    bool FolderThere(std::string_view relative) const;

    std::unique_ptr<TempFolder> folder_;
    std::string temp;
    std::string documents;
    std::string root;   // workspace root with its trailing separator
    std::string trash;  // the trash that deletes go to
    FakeUserInterface ui;
    QueuedDispatcher dispatcher;

  private:
    std::unique_ptr<TMainForm> form_;
    EnvironmentValue home_{"HOME"};
    EnvironmentValue dataHome_{"XDG_DATA_HOME"};
};

}  // namespace kb::test
