#pragma once
// The Create Setup window: modal to the main window but shown without blocking, so the main
// window keeps repainting. It shows the step, a progress bar, the log (which can be copied), and
// Cancel, which becomes Close once the build has ended. A build that fails shows its first error
// line at the top of the log.
#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTextBlock;
class QPushButton;

namespace kb {

class BuildForm : public QDialog {
  public:
    explicit BuildForm(QWidget* owner);

    // Shows the window for a new build; cancel runs when the person cancels while it runs.
    void Start(std::function<void()> cancel);
    void SetStep(const QString& step);
    void SetProgress(int done, int total);
    void AppendLog(const QString& text);
    void End(const QString& outcome, bool succeeded);

    bool Running() const { return running_; }
    QString Step() const;
    QString Log() const;

  protected:
    void reject() override;

  private:
    void CancelOrClose();
    void ShowFirstError();
    QTextBlock FirstErrorLine() const;

    QLabel* step_;
    QProgressBar* progress_;
    QPlainTextEdit* log_;
    QLabel* outcome_;
    QPushButton* copy_;
    QPushButton* cancel_;
    std::function<void()> onCancel_;
    bool running_ = false;
};

}  // namespace kb
