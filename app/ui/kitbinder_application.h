#pragma once
// The Qt application with the program's title and its one application-wide error display: an
// error that escapes an event handler is shown in a message box and the event loop goes on.
#include <QApplication>
#include <functional>

namespace kb {

class KitbinderWindows;
class UserInterface;

class KitbinderApplication : public QApplication {
  public:
    KitbinderApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // Where errors are shown; without one they go to a plain message box.
    void SetErrorDisplay(UserInterface* ui) { ui_ = ui; }

  private:
    void ShowError(const char* text);
    UserInterface* ui_ = nullptr;
};

// The program: builds the windows, shows the main window and runs the event loop until it
// closes; answers the exit code. started (tests) runs once the main window is shown.
int RunKitbinder(KitbinderApplication& application,
                 const std::function<void(KitbinderWindows&)>& started = {});

}  // namespace kb
