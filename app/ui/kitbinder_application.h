#pragma once
// The Qt application with the program's title and its one application-wide error display: an
// error that escapes an event handler is shown in a message box and the event loop goes on.
#include <QApplication>

namespace kb {

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

}  // namespace kb
