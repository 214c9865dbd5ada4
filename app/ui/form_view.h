#pragma once
// Binds the main window's widgets to the window logic: Sync copies the form model into the
// widgets (with their change signals blocked), and each widget event writes the person's change
// into the model and calls the handler named after the control and event.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class QWidget;

namespace kb {

class FolderWatch;
class HintWatcher;
class MainWindow;
class TMainForm;
class UserInterface;
struct FormModel;

class FormView {
  public:
    FormView(MainWindow& window, TMainForm& logic, UserInterface& ui);
    ~FormView();
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    // Copies the whole form model into the widgets.
    void Sync();

  private:
    struct Binding {
        QObject* target;
        std::function<void(QObject*, const FormModel&)> show;
    };

    template <typename Member, typename Show>
    void Bind(const char* name, Member FormModel::*member, Show show);
    void BindModel();
    void BindEvents();
    void BindValueEvents();
    void BindFocusEvents();
    void BindFileEvents();
    void GuardEditors();
    // Runs a handler of the logic (which shows its own errors) and shows the result; one that
    // may change files runs with the folder watch paused.
    void Call(const std::function<void()>& handler, bool changesFiles = true);
    void ShowPicture(QObject* target, const std::string& file);
    void Hook(QObject* hook) { hooks_.emplace_back(hook); }

    MainWindow& window_;
    TMainForm& logic_;
    UserInterface& ui_;
    std::vector<Binding> bindings_;
    QPointer<HintWatcher> hints_;
    // The receiver of every connection the view makes: they end with the view.
    QObject context_;
    std::vector<QPointer<QObject>> hooks_;
    bool syncing_ = false;
    std::unique_ptr<FolderWatch> watch_;
    QString pictureFile_;
    QDateTime pictureTime_;
};

}  // namespace kb
