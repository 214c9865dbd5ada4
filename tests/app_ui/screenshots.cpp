// Shows the main window on a sample workspace and saves a screenshot of each tab taken with
// ImageMagick's import: screenshots <folder>. Run under a real X server (xvfb-run).
#include <QDir>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/logic/main_form.h"
#include "app/ui/kitbinder_application.h"
#include "app/ui/kitbinder_windows.h"
#include "app/ui/main_window.h"
#include "foundation/platform.h"
#include "foundation/settings_store.h"
#include "tools/sample_workspace/sample_workspace.h"

int main(int argc, char** argv) {
    kb::KitbinderApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QTemporaryDir temp;
    const std::string base = temp.path().toStdString();
    kb::SetDocumentsFolder(base + "/Documents");
    kb::SetSettingsFolder(kb::SettingsRoot::CurrentUser, base + "/settings");
    kb::MakeSampleWorkspace(base + "/Documents");

    kb::KitbinderWindows windows;
    kb::MainWindow& window = windows.Window();
    window.move(0, 0);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    // The Measures and Create tabs show the result of a missing-file check.
    windows.Logic().CheckMacroButtonClick();
    while (windows.Logic().CheckRunning())
        QTest::qWait(50);
    for (int tab = 0; tab < window.Tabs()->count(); ++tab) {
        window.Tabs()->setCurrentIndex(tab);
        QTest::qWait(300);
        const QString file = QStringLiteral("%1/tab-%2.png").arg(folder).arg(tab);
        const int status =
            QProcess::execute(QStringLiteral("import"),
                              {QStringLiteral("-window"), QString::number(window.winId()), file});
        if (status != 0) {
            std::fprintf(stderr, "import failed for %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    window.close();
    return 0;
}
