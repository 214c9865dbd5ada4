#pragma once
// The main window's frame and controls: menu, five tab pages, the right-hand panel and the
// status bar, placed as the wizard shows them. Every control carries its name as objectName;
// captions, hints, texts and states come from the window logic through FormView.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <stdexcept>

class QTabWidget;

namespace kb {

class MainWindow : public QMainWindow {
  public:
    MainWindow();

    // The control (widget, menu or menu item) of that name; raises std::logic_error when the
    // window has none.
    template <typename T = QWidget>
    T* Control(const QString& name) const {
        T* control = findChild<T*>(name);
        if (control == nullptr) {
            throw std::logic_error("The main window has no control " + name.toStdString());
        }
        return control;
    }
    QTabWidget* Tabs() const { return tabs_; }

    // Runs once when the window closes for good (the program ends).
    void OnClosing(std::function<void()> closing) { closing_ = std::move(closing); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void FitScreen();
    void BuildMenu();
    QWidget* BuildPanel();
    void BuildDesignerTab(QWidget* page);
    void BuildCollectionTab(QWidget* page);
    void BuildGarmentTab(QWidget* page);
    void BuildMeasuresTab(QWidget* page);
    void BuildCreateTab(QWidget* page);

    QTabWidget* tabs_ = nullptr;
    std::function<void()> closing_;
    bool fitted_ = false;
};

}  // namespace kb
