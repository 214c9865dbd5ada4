#include "tests/app_logic/main_form_fixture.h"

#include <QByteArray>
#include <QtGlobal>
#include <chrono>
#include <cstdlib>

#include "foundation/files.h"
#include "foundation/platform.h"
#include "foundation/settings_store.h"
#include "tests/support/test_paths.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb::test {

struct QueuedDispatcher::Step {
    std::function<void()> work;
    bool done = false;
    std::exception_ptr error;
};

void QueuedDispatcher::RunAndWait(std::function<void()> work) {
    Step step;
    step.work = std::move(work);
    std::unique_lock lock(mutex_);
    steps_.push_back(&step);
    signal_.notify_all();
    signal_.wait(lock, [&] { return step.done; });
    if (step.error)
        std::rethrow_exception(step.error);
}

bool QueuedDispatcher::RunUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        std::unique_lock lock(mutex_);
        if (!signal_.wait_until(lock, deadline, [&] { return !steps_.empty(); }))
            return false;
        Step* step = steps_.front();
        steps_.pop_front();
        lock.unlock();
        try {
            step->work();
        } catch (...) {
            step->error = std::current_exception();
        }
        lock.lock();
        step->done = true;
        signal_.notify_all();
    }
    return true;
}

void MainFormTest::SetUp() {
    folder_ = std::make_unique<TempFolder>();
    temp = folder_->Path();
    documents = temp + "/Documents";
    EnsureFolder(documents);
    SetDocumentsFolder(documents);
    SetSettingsFolder(SettingsRoot::CurrentUser, temp + "/settings");
    SetCurrentSelection({});
    root = WorkspaceRoot(true);
    // Deletes go to a trash of the test's own, on the disk of the workspace.
    trash = temp + "/data/Trash";
    home_.Set(temp);
    dataHome_.Set(temp + "/data");
}

void MainFormTest::TearDown() {
    if (form_)
        form_->WaitForCheck();
    form_.reset();
    SetCurrentSelection({});
    SetSettingsFolder(SettingsRoot::CurrentUser, "");
    folder_.reset();
    home_.Restore();
    dataHome_.Restore();
}

void EnvironmentValue::Set(const std::string& value) {
    if (const char* old = std::getenv(name_))
        saved_ = old;
    qputenv(name_, QByteArray::fromStdString(value));
}

void EnvironmentValue::Restore() {
    if (saved_)
        qputenv(name_, QByteArray::fromStdString(*saved_));
    else
        qunsetenv(name_);
    saved_.reset();
}

TMainForm& MainFormTest::Start() {
    form_ = std::make_unique<TMainForm>(ui, dispatcher);
    form_->FormCreate();
    return *form_;
}

TMainForm& MainFormTest::Restart() {
    form_->FormDestroy();
    form_.reset();
    ui = FakeUserInterface();
    SetCurrentSelection({});
    return Start();
}

void MainFormTest::TypeDesigner(const std::string& text) {
    Model().DesignerCombo.text = text;
    Form().DesignerComboChange();
}

void MainFormTest::TypeCollection(const std::string& text) {
    Model().CollectionCombo.text = text;
    Form().CollectionComboChange();
}

void MainFormTest::GoTo(Tab tab) {
    Model().Tabs.active = tab;
    Form().TabsChange();
}

void MainFormTest::RunCheck() {
    Form().CheckMacroButtonClick();
    ASSERT_TRUE(dispatcher.RunUntil([&] { return !Form().CheckRunning(); }));
    Form().WaitForCheck();
}

void MainFormTest::Write(std::string_view relative, std::string_view content) const {
    ASSERT_TRUE(WriteTextFile(At(relative), content)) << relative;
}

void MainFormTest::MakeFolder(std::string_view relative) const {
    ASSERT_TRUE(EnsureFolder(At(relative))) << relative;
}

std::string MainFormTest::At(std::string_view relative) const {
    return Native(root + std::string(relative));
}

std::string MainFormTest::Read(std::string_view relative) const {
    return ReadTextFile(At(relative));
}

bool MainFormTest::Exists(std::string_view relative) const {
    return FileExists(At(relative));
}

bool MainFormTest::FolderThere(std::string_view relative) const {
    return FolderExists(At(relative));
}

}  // namespace kb::test
