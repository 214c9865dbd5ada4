#include "app/ui/kitbinder_application.h"

#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <exception>

#include "app/logic/main_form.h"
#include "app/ui/first_paint.h"
#include "app/ui/kitbinder_windows.h"
#include "app/ui/main_window.h"

namespace kb {

KitbinderApplication::KitbinderApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Kitbinder"));
#ifdef KB_APP_ID
    // The desktop matches the windows to the installed desktop entry and icon by this name.
    setDesktopFileName(QStringLiteral(KB_APP_ID));
    setWindowIcon(QIcon::fromTheme(QStringLiteral(KB_APP_ID)));
#endif
    // Numbers are written and read with "." whatever the person's locale.
    QLocale::setDefault(QLocale::c());
    QFont font(QStringLiteral("Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
}

bool KitbinderApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("Unknown error");
    }
    return false;
}

void KitbinderApplication::ShowError(const char* text) {
    if (ui_ != nullptr) {
        ShowApplicationError(*ui_, text);
    } else {
        QMessageBox::critical(nullptr, QStringLiteral("Kitbinder"), QString::fromUtf8(text));
    }
}

int RunKitbinder(KitbinderApplication& application,
                 const std::function<void(KitbinderWindows&)>& started) {
    std::unique_ptr<KitbinderWindows> windows;
    try {
        windows = std::make_unique<KitbinderWindows>();
    } catch (const std::exception& error) {
        // The main window could not be made: say why and end.
        QMessageBox::critical(nullptr, QStringLiteral("Kitbinder"),
                              QString::fromStdString(error.what()));
        return 1;
    }
    application.SetErrorDisplay(&windows->Ui());
    ExitAfterFirstPaint(windows->Window());
    windows->Window().show();
    if (started)
        started(*windows);
    const int result = application.exec();
    application.SetErrorDisplay(nullptr);
    return result;
}

}  // namespace kb
