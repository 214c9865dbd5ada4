#pragma once
// TProcessingMacroForm: the small "Processing" window shown while a worker runs. No caption and
// no window buttons; it stays above the other windows and shows the busy pointer while visible.
#include <QWidget>

class QLabel;

namespace kb {

class ProcessingForm : public QWidget {
  public:
    explicit ProcessingForm(QWidget* owner);
    void SetThreadLabel(const QString& text);
    QString ThreadLabel() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QLabel* threadLabel_;
    bool busy_ = false;
};

}  // namespace kb
