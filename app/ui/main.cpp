// Kit Binder: the wizard that keeps a designer's garment collections and builds their installers.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/logic/main_form.h"
#include "app/ui/kitbinder_application.h"
#include "app/ui/kitbinder_windows.h"
#include "app/ui/main_window.h"

int main(int argc, char* argv[]) {
    kb::KitbinderApplication application(argc, argv);
    std::unique_ptr<kb::KitbinderWindows> windows;
    try {
        windows = std::make_unique<kb::KitbinderWindows>();
    } catch (const std::exception& error) {
        // The main window could not be made: say why and end.
        QMessageBox::critical(nullptr, QStringLiteral("Kitbinder"),
                              QString::fromStdString(error.what()));
        return 1;
    }
    application.SetErrorDisplay(&windows->Ui());
    windows->Window().show();
    const int result = application.exec();
    application.SetErrorDisplay(nullptr);
    return result;
}
