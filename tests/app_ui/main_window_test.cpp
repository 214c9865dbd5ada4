// The real main window on a temporary workspace: controls found by name, typed into, clicked,
// and what the window shows afterwards.
#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <deque>
#include <memory>
#include <stdexcept>
#include <thread>

#include "app/logic/main_form.h"
#include "app/ui/about_form.h"
#include "app/ui/build_form.h"
#include "app/ui/folder_watch.h"
#include "app/ui/input_dialog.h"
#include "app/ui/kitbinder_application.h"
#include "app/ui/kitbinder_windows.h"
#include "app/ui/login_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/processing_form.h"
#include "app/ui/qt_ui_dispatcher.h"
#include "app/ui/qt_user_interface.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "foundation/settings_store.h"
#include "setup/setup_build.h"
#include "tests/support/test_paths.h"
#include "tests/upload/test_servers.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "upload/password_form.h"
#include "upload/upload_config.h"
#include "workspace/current_selection.h"

// On Windows the store's BSON headers bring in windows.h, whose CopyFile and DeleteFile macros
// would hide the functions of foundation/files.h.
#undef CopyFile
#undef DeleteFile

using namespace kb;

namespace {

const bool kWindows = kPathSeparator == '\\';

// The arguments that make this program the child of closingDuringCheckEndsTheProgram,
// closingDuringUploadEndsTheProgram and closingDuringLoginEndsTheProgram.
constexpr const char* kCloseDuringCheck = "--close-during-check";
constexpr const char* kCloseDuringUpload = "--close-during-upload";
constexpr const char* kCloseDuringLogin = "--close-during-login";

struct Shown {
    std::string text;
    std::string caption;
};

// Answers the window's modal boxes and choosers from a script and records what was asked.
struct Person {
    std::vector<Shown> messages;
    std::vector<FileChooser> choosers;
    std::deque<std::optional<std::string>> files;
    MessageAnswer answer = MessageAnswer::No;

    DialogHooks Hooks() {
        DialogHooks hooks;
        hooks.message = [this](const std::string& text, const std::string& caption,
                               MessageButtons buttons, MessageIcon) {
            messages.push_back({text, caption});
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : answer;
        };
        hooks.chooseFile = [this](const FileChooser& chooser) -> std::optional<std::string> {
            choosers.push_back(chooser);
            if (files.empty())
                return std::nullopt;
            // Answered in the system's own form, as the real chooser answers.
            auto file = files.front();
            files.pop_front();
            return file ? std::optional(test::Native(*file)) : std::nullopt;
        };
        hooks.openDocument = [](const std::string&) { return true; };
        return hooks;
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void emptyWorkspaceRefusesCollectionAndGarmentTabs();
    void pictureReadableFollowsTheFile();
    void createDesignerAndCollectionByTyping();
    void panelShowsChosenDesigner();
    void statusBarShowsLongHint_data();
    void statusBarShowsLongHint();
    void tooltipsLeaveOutStatusBarOnlyControls();
    void menuShowsEditAndHelp();
    void garmentAddedThroughChooser();
    void chooserAnswersSystemPath();
    void scanShowsProcessingWindowThenMemo();
    void pictureDialogGivesCollectionDefaultPicture();
    void handlerErrorIsShownAndWindowGoesOn();
    void createSetupWritesScriptAndRunsCompiler();
    void createSetupBuildsInstaller();
    void createSetupCancelKeepsThePreviousSetup();
    void createSetupCancelStopsTheRealCompilerCleanly();
    void createSetupReportsProblemsBeforeCompiling();
    void missingFileDetailsGroupByGarment();
    void tabAndDesignerSurviveRestart();
    void typingInPanelSavesDescription();
    void typingInsideNameKeepsCursor();
    void aboutBoxShowsVersionAndBuildDate();
    void inputDialogCancelKeepsEnteredText();
    void dispatcherRunsWorkOnUiThread();
    void fileFilters_data();
    void fileFilters();
    void enterAnswersNoToDestructiveQuestions();
    void closingDuringCheckEndsTheProgram();
    void editedDescriptionStaysWithItsDesigner();
    void createSetupSaysWhatIsWrong();
    void windowFollowsFilesChangedOnDisk();
    void folderWatchIgnoresTheWindowsOwnWork();
    void droppedFilesAreAddedAndAttached();
    void everyFocusableControlHasAName();
    void keyboardReachesCommands();
    void windowFitsItsScreen();
    void failedBuildShowsItsFirstErrorWhole();
    void closingDuringUploadEndsTheProgram();
    void closingDuringLoginEndsTheProgram();
    void keysNeverWriteIntoTexts();
    void typingReplacesThePlaceholder();
    void removedGarmentComesBackWithCtrlZ();

  private:
    void Start(bool sample);
    void EndsSoonAfterClose(const char* mode, const char* running);
    QWidget* W(const char* name) { return windows_->Window().Control(QLatin1String(name)); }
    template <typename T>
    T* W(const char* name) {
        return windows_->Window().Control<T>(QLatin1String(name));
    }
    // Drags files from a file manager onto a control and drops them; whether it took them.
    bool Drop(QWidget* target, const std::vector<std::string>& files);
    // Clicks a tab header as a person would.
    void ClickTab(int index);
    void Click(const char* name) { QTest::mouseClick(W<QAbstractButton>(name), Qt::LeftButton); }
    std::string Workspace() const { return root_; }
    // The sample's Duffle names a picture that is missing; a build needs it.
    void MendSample() { WriteTextFile(Workspace() + "/Designers/Anna/Coats/Duffle_hood.jpg", "x"); }

    std::unique_ptr<QTemporaryDir> temp_;
    std::string root_;
    std::string trash_;
    const QByteArray home_ = qgetenv("HOME");
    Person person_;
    std::unique_ptr<KitbinderWindows> windows_;
};

void MainWindowTest::init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    // The documents folder in the system's own form, as the system gives it.
    const std::string base = test::Native(temp_->path().toStdString());
    SetDocumentsFolder(base + "/Documents");
    SetSettingsFolder(SettingsRoot::CurrentUser, base + "/settings");
    SetSettingsFolder(SettingsRoot::LocalMachine, base + "/machine");
    root_ = base + "/Documents/Bobbinwright/Personal Files";
    // Deletes go to a trash of the test's own.
    trash_ = base + "/data/Trash";
    qputenv("HOME", QByteArray::fromStdString(base));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(base + "/data"));
    person_ = Person();
    SetCurrentSelection({});  // as in a new process
}

void MainWindowTest::cleanup() {
    windows_.reset();
    SetDocumentsFolder("");
    SetSettingsFolder(SettingsRoot::CurrentUser, "");
    SetSettingsFolder(SettingsRoot::LocalMachine, "");
    temp_.reset();
    qputenv("HOME", home_);
    qunsetenv("XDG_DATA_HOME");
}

void MainWindowTest::Start(bool sample) {
    if (sample)
        MakeSampleWorkspace(test::Native(temp_->path().toStdString() + "/Documents"));
    windows_ = std::make_unique<KitbinderWindows>(person_.Hooks());
    windows_->Window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows_->Window()));
}

bool MainWindowTest::Drop(QWidget* target, const std::vector<std::string>& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& file : files)
        urls << QUrl::fromLocalFile(QString::fromStdString(file));
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

void MainWindowTest::ClickTab(int index) {
    QTabBar* bar = windows_->Window().Tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// The answer is kept per file, so each change of the file must be seen: a picture written over
// a broken one, broken again, removed.
void MainWindowTest::pictureReadableFollowsTheFile() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("coat.jpg"));
    const auto writeBytes = [&](const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QtUserInterface ui;
    const std::string file = path.toStdString();
    QVERIFY(!ui.PictureReadable(file));
    writeBytes("not a picture");
    QVERIFY(!ui.PictureReadable(file));
    QVERIFY(picture.save(path, "PNG"));
    QVERIFY(ui.PictureReadable(file));
    QVERIFY(ui.PictureReadable(file));
    writeBytes("broken again, and of another size than the picture");
    QVERIFY(!ui.PictureReadable(file));
    QVERIFY(QFile::remove(path));
    QVERIFY(!ui.PictureReadable(file));
}

void MainWindowTest::emptyWorkspaceRefusesCollectionAndGarmentTabs() {
    Start(false);
    QVERIFY(FolderExists(Workspace() + "/Installations"));
    QCOMPARE(W<QComboBox>("DesignerCombo")->count(), 0);
    QVERIFY(!W("DesignerNextButton")->isEnabled());

    const struct {
        int tab;
        int shown;
        bool notice;
    } cases[] = {{1, 0, true}, {2, 0, true}, {3, 3, false}, {4, 4, false}};
    for (const auto& c : cases) {
        ClickTab(0);
        person_.messages.clear();
        ClickTab(c.tab);
        QCOMPARE(windows_->Window().Tabs()->currentIndex(), c.shown);
        QCOMPARE(person_.messages.size(), size_t(c.notice ? 1 : 0));
        if (c.notice) {
            QCOMPARE(person_.messages[0].text,
                     "No designer selected\nor\nThere are designer errors");
            QCOMPARE(person_.messages[0].caption, "Kitbinder");
        }
    }
}

void MainWindowTest::createDesignerAndCollectionByTyping() {
    Start(false);
    auto* add = W("AddDesignerButton");
    QVERIFY(!add->isEnabled());
    QTest::keyClicks(W<QComboBox>("DesignerCombo")->lineEdit(), "Cara");
    QVERIFY(add->isEnabled());
    Click("AddDesignerButton");
    QVERIFY(FolderExists(Workspace() + "/Designers/Cara"));
    QCOMPARE(W<QComboBox>("DesignerCombo")->itemText(0), QStringLiteral("Cara"));
    QVERIFY(W("DesignerNextButton")->isEnabled());
    QVERIFY(!add->isEnabled());  // the folder exists now

    Click("DesignerNextButton");
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 1);
    ClickTab(2);  // no collection yet
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 1);
    QCOMPARE(person_.messages.back().text,
             "No collection selected\nor\nThere are collection errors");

    QTest::keyClicks(W<QComboBox>("CollectionCombo")->lineEdit(), "Coats");
    Click("AddCollectionButton");
    QVERIFY(FolderExists(Workspace() + "/Designers/Cara/Coats"));
    QVERIFY(W("CollectionNextButton")->isEnabled());
    Click("CollectionNextButton");
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 2);
    QVERIFY(W("GarmentExistsCheck")->isVisible());
}

void MainWindowTest::panelShowsChosenDesigner() {
    Start(true);
    auto* combo = W<QComboBox>("DesignerCombo");
    QCOMPARE(combo->currentText(), QStringLiteral("Anna"));
    const QString text = W<QPlainTextEdit>("FileText")->toPlainText();
    QCOMPARE(text.toStdString(), ReadTextFile(Workspace() + "/Designers/Anna/Anna.txt"));
    QVERIFY(!W("FileTextChecked")->isVisible());
    QVERIFY(!W("FilePictureChecked")->isVisible());
    QVERIFY(!W<QLabel>("FilePicture")->pixmap().isNull());
    QCOMPARE(W<QLineEdit>("WebsiteEdit")->text().toStdString(),
             ReadTextFile(Workspace() + "/Designers/Anna/Website.txt"));
    // No PDF in the sample: its indicator shows; the licence exists: its indicator does not.
    QVERIFY(W("DesignerPdfChecked")->isVisible());
    QVERIFY(!W("LicenseChecked")->isVisible());
    QVERIFY(W("DeleteDesignerButton")->isEnabled());

    // The Create tab shows no item: empty, disabled editor with its indicator.
    ClickTab(4);
    QVERIFY(!W("FileText")->isEnabled());
    QVERIFY(W<QPlainTextEdit>("FileText")->toPlainText().isEmpty());
    QVERIFY(W("FileTextChecked")->isVisible());
    QVERIFY(!W("FilePictureChecked")->isVisible());
}

void MainWindowTest::statusBarShowsLongHint_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("status");
    QTest::newRow("short|long") << "DeleteDesignerButton"
                                << " Delete Active Designer";
    QTest::newRow("no bar") << "NewMacroButton"
                            << "Add Garment ";
    QTest::newRow("no spaces") << "CheckMmtButton"
                               << "Scan MMT";
    QTest::newRow("indicator") << "DesignerPdfChecked"
                               << "Missing Designer PDF";
    QTest::newRow("next button") << "DesignerNextButton"
                                 << " Go to Collection Tab";
}

void MainWindowTest::statusBarShowsLongHint() {
    QFETCH(QString, control);
    QFETCH(QString, status);
    Start(true);
    QWidget* widget = W(control.toLatin1().constData());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &enter);
    QCOMPARE(windows_->Window().statusBar()->currentMessage(), status);
}

void MainWindowTest::tooltipsLeaveOutStatusBarOnlyControls() {
    Start(true);
    const std::pair<const char*, const char*> tips[] = {
        {"AddDesignerButton", "Create Designer"},
        {"WebsiteEdit", "Web Site Address"},
        {"NewMacroButton", "Add Garment"},
        {"MacroNextButton", "Create installation file"},
        {"DesignerNextButton", ""},
        {"MeasuresNextButton", ""},
        {"PasswordEdit", ""},
        {"DesignerPdfChecked", ""},
        {"TabStrip", ""},
    };
    for (const auto& [name, tip] : tips) {
        QCOMPARE(W(name)->toolTip(), QString::fromUtf8(tip));
    }
}

void MainWindowTest::menuShowsEditAndHelp() {
    Start(false);
    QStringList shown;
    for (QAction* action : windows_->Window().menuBar()->actions()) {
        if (action->isVisible())
            shown << action->text().remove(QLatin1Char('&'));
    }
    QCOMPARE(shown, (QStringList{QStringLiteral("Edit"), QStringLiteral("Help")}));
    QStringList items;
    for (QAction* action : W<QMenu>("Help1")->actions())
        items << action->text().remove(QLatin1Char('&'));
    QCOMPARE(items, (QStringList{QStringLiteral("Help"), QStringLiteral("About")}));
    QCOMPARE(windows_->Window().windowTitle(), QStringLiteral("Bobbinwright Kit Binder"));
    QCOMPARE(QApplication::applicationName(), QStringLiteral("Kitbinder"));
}

void MainWindowTest::garmentAddedThroughChooser() {
    Start(true);
    ClickTab(2);
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 2);
    auto* list = W<QListWidget>("MacroList");
    const int before = list->count();
    person_.files.push_back(Workspace() + "/Designers/Cape.mac");
    Click("NewMacroButton");
    QCOMPARE(person_.choosers.back().name, "OpenMacro");
    QCOMPARE(person_.choosers.back().filter, "Macro Files|*.mac");
    QCOMPARE(list->count(), before + 1);
    QCOMPARE(list->item(before)->text(), QStringLiteral("Cape"));
    QVERIFY(FileExists(Workspace() + "/Designers/Anna/Coats/Cape.mac"));
    QVERIFY(FileExists(Workspace() + "/Designers/Anna/Coats/Cape_back.jpg"));

    // Selecting the garment shows it in the panel and enables its buttons.
    list->setCurrentRow(before);
    QVERIFY(W("DeleteMacroButton")->isEnabled());
    QCOMPARE(W<QPlainTextEdit>("FileText")->toPlainText().toStdString(),
             ReadTextFile(Workspace() + "/Designers/Anna/Coats/Cape.txt"));
}

// The real chooser answers the chosen file in the system's own form, whatever Qt gives.
void MainWindowTest::chooserAnswersSystemPath() {
    Start(true);
    windows_->Ui().hooks.chooseFile = nullptr;
    const std::string macro = test::Native(Workspace() + "/Designers/Cape.mac");
    QTimer::singleShot(0, [&macro] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        dialog->selectFile(QDir::fromNativeSeparators(QString::fromStdString(macro)));
        static_cast<QDialog*>(dialog)->accept();  // the file dialog's own check of the name
        if (dialog->isVisible())
            dialog->reject();
    });
    FileChooser chooser;
    chooser.name = "OpenMacro";
    chooser.filter = "Macro Files|*.mac";
    QCOMPARE(windows_->Ui().ChooseFile(chooser), std::optional<std::string>(macro));
}

void MainWindowTest::scanShowsProcessingWindowThenMemo() {
    Start(true);
    ClickTab(4);
    QVERIFY(W("MissingFilesChecked")->isVisible());
    Click("CheckMacroButton");
    ProcessingForm& processing = windows_->Processing();
    QVERIFY(processing.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!processing.isVisible(), 20000);
    const QString memo = W<QPlainTextEdit>("MacroCheckMemo")->toPlainText();
    QVERIFY2(memo.startsWith(QStringLiteral("The following files are missing:")), qPrintable(memo));
    QVERIFY2(memo.contains(QLatin1String(kSampleMissingFile)), qPrintable(memo));
    QVERIFY(!W("MissingFilesChecked")->isVisible());
    ClickTab(3);
    QVERIFY(!W("ScanMeasureWarning")->isVisible());
    auto* tables = W<QListWidget>("MmtList");
    QCOMPARE(tables->count(), 1);
    QCOMPARE(tables->item(0)->text(), QLatin1String(kSampleTable));
}

void MainWindowTest::pictureDialogGivesCollectionDefaultPicture() {
    Start(true);
    ClickTab(1);
    auto* combo = W<QComboBox>("CollectionCombo");
    combo->setCurrentIndex(combo->findText(QLatin1String(kSampleSecondCollection)));
    const std::string mini = Workspace() + "/Designers/Anna/Dresses/Dresses_mini.bmp";
    QVERIFY(!FileExists(mini));
    QVERIFY(W("CollectionImageChecked")->isVisible());
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr)
            dialog->accept();
    });
    Click("SetupImageButton");
    QVERIFY(FileExists(mini));
    QVERIFY(!W("CollectionImageChecked")->isVisible());
}

void MainWindowTest::handlerErrorIsShownAndWindowGoesOn() {
    Start(true);
    windows_->Ui().hooks.chooseFile = [](const FileChooser&) -> std::optional<std::string> {
        throw std::runtime_error("The chooser broke");
    };
    Click("DesignerPdfButton");
    QCOMPARE(person_.messages.size(), size_t(1));
    QCOMPARE(person_.messages[0].text, "The chooser broke");
    QCOMPARE(person_.messages[0].caption, "Kitbinder");
    Click("DesignerNextButton");
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 1);
}

void MainWindowTest::createSetupWritesScriptAndRunsCompiler() {
    Start(true);
    MendSample();
    std::vector<std::string> started;
    std::string script;  // the script the compiler was given, as it was then
    windows_->Ui().hooks.startWatchedProgram =
        [&](const std::string& program, const std::vector<std::string>& arguments,
            const std::string&, ProgramWatch) -> std::unique_ptr<RunningProgram> {
        started.push_back(program);
        started.insert(started.end(), arguments.begin(), arguments.end());
        if (arguments.size() > 1)
            script = ReadTextFile(arguments[1]);
        return nullptr;  // not started: no compiler here
    };
    ClickTab(4);
    W<QLineEdit>("CollectionVersionEdit")->setFocus();
    QTest::keyClicks(W<QLineEdit>("CollectionVersionEdit"), "3");
    const std::string setup = Workspace() + "/Installations/Coats.exe";
    person_.files.push_back(setup);
    Click("MacroNextButton");
    QCOMPARE(person_.choosers.back().name, "SaveDialog1");
    QCOMPARE(person_.choosers.back().fileName, "Coats");
    // The version typed just before is committed and goes into the script.
    QCOMPARE(ReadTextFile(Workspace() + "/Designers/Anna/Coats/CollectionVersion.txt"), "1.23");
    QVERIFY(script.find("1.23") != std::string::npos);
    QVERIFY(started.size() >= 3);
    QCOMPARE(started[1], "/cc");
    QCOMPARE(started[2], test::Native(Workspace() + "/Installations/Coats.iss.part"));
    QCOMPARE(person_.messages.size(), size_t(1));
    QVERIFY(person_.messages[0].text.find("could not be started") != std::string::npos);
    QVERIFY(!windows_->Build().Running());
    // Nothing was built: the new script is gone again.
    QVERIFY(!FileExists(Workspace() + "/Installations/Coats.iss.part"));
    QVERIFY(!FileExists(Workspace() + "/Installations/Coats.iss"));
}

// With the project's installer compiler on the search path, the whole road: scan, Create Setup
// in the build window, the setup program handed to the desktop.
void MainWindowTest::createSetupBuildsInstaller() {
    if (FindProgram("Compil32.exe").empty())
        QSKIP("Compil32.exe is not on the search path");
    Start(true);
    MendSample();
    std::vector<std::string> opened;
    windows_->Ui().hooks.openDocument = [&](const std::string& path) {
        opened.push_back(path);
        return true;
    };
    ClickTab(4);
    Click("CheckMacroButton");
    QTRY_VERIFY_WITH_TIMEOUT(!windows_->Processing().isVisible(), 20000);
    const std::string setup = Workspace() + "/Installations/Coats.exe";
    person_.files.push_back(setup);
    Click("MacroNextButton");
    BuildForm& build = windows_->Build();
    QVERIFY(build.isVisible());
    QVERIFY(build.isModal() || build.windowModality() == Qt::WindowModal);
    QCOMPARE(build.Step(), QStringLiteral("Compiling the setup..."));
    QTRY_VERIFY_WITH_TIMEOUT(!build.Running(), 120000);
    for (const Shown& shown : person_.messages)
        qWarning("%s", shown.text.c_str());
    QVERIFY(person_.messages.empty());
    QCOMPARE(build.Step(), QStringLiteral("Done"));
    QVERIFY(build.Log().contains(QStringLiteral("Warning: garment Duffle: optional file missing")));
    auto* bar = build.findChild<QProgressBar*>(QStringLiteral("BuildProgress"));
    QCOMPARE(bar->value(), bar->maximum());
    // Our compiler reports each file ("File: " lines, which the bar follows to the last file of
    // the script); the Inno Setup compiler on Windows prints nothing while it works.
    if (OwnInstallerCompiler(FindProgram("Compil32.exe"))) {
        QVERIFY(build.Log().contains(QStringLiteral("Compiled ")));
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(build.Log().count(QStringLiteral("\nFile: ")), bar->maximum());
    }
    const QString outcome = build.findChild<QLabel*>(QStringLiteral("BuildOutcome"))->text();
    const std::string shown = test::Native(setup);
    QVERIFY2(outcome.startsWith(QString::fromStdString("The setup " + shown + " was built.")),
             qPrintable(outcome));
    QVERIFY2(outcome.contains(QString::fromStdString(shown + ".sha256")), qPrintable(outcome));
    QVERIFY(FileExists(setup + ".sha256"));
    QCOMPARE(build.findChild<QPushButton*>(QStringLiteral("BuildCancelButton"))->text(),
             QStringLiteral("Close"));
    QVERIFY(FileExists(setup));
    QCOMPARE(opened, std::vector<std::string>{shown});
    QTest::mouseClick(build.findChild<QPushButton*>(QStringLiteral("BuildCancelButton")),
                      Qt::LeftButton);
    QVERIFY(!build.isVisible());
}

// Cancel stops the compiler and the programs it started (makensis, here a child that would
// write over the setup a moment later); the previous setup is left as it was.
void MainWindowTest::createSetupCancelKeepsThePreviousSetup() {
    if (kWindows)
        QSKIP("the stand-in compiler is a shell script (qt_running_program_tests covers the stop)");
    const std::string bin = temp_->path().toStdString() + "/bin";
    WriteTextFile(bin + "/Compil32.exe",
                  "#!/bin/sh\n"
                  "echo \"Compiling $2\"\n"
                  "(sleep 1; printf late > \"${2%.iss.part}.exe\") &\n"
                  "wait\n");
    QFile::setPermissions(QString::fromStdString(bin + "/Compil32.exe"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin) + ":" + path);
    const std::unique_ptr<const QByteArray, void (*)(const QByteArray*)> restorePath(
        &path, [](const QByteArray* saved) { qputenv("PATH", *saved); });
    Start(true);
    MendSample();
    const std::string setup = Workspace() + "/Installations/Coats.exe";
    WriteTextFile(setup, "old setup");
    person_.answer = MessageAnswer::Yes;  // replace it
    person_.files.push_back(setup);
    ClickTab(4);
    Click("MacroNextButton");
    BuildForm& build = windows_->Build();
    QVERIFY(build.Running());
    QTRY_VERIFY(build.Log().contains(QStringLiteral("Compiling ")));
    QTest::mouseClick(build.findChild<QPushButton*>(QStringLiteral("BuildCancelButton")),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!build.Running(), 30000);
    QCOMPARE(build.findChild<QLabel*>(QStringLiteral("BuildOutcome"))->text(),
             QString::fromStdString("Cancelled: the previous setup " + test::Native(setup) +
                                    " is unchanged."));
    QTest::qWait(1500);
    QCOMPARE(ReadTextFile(setup), std::string("old setup"));
}

// With the project's installer compiler and a makensis that takes its time: Cancel, and closing
// the window, leave the previous setup and manifest byte for byte and no staging folder.
void MainWindowTest::createSetupCancelStopsTheRealCompilerCleanly() {
    if (FindProgram("Compil32.exe").empty() || kWindows)
        QSKIP("Compil32.exe is not on the search path");
    const std::string root = temp_->path().toStdString();
    const std::string bin = root + "/slow-bin", tmp = root + "/tmp";
    EnsureFolder(tmp);
    const std::string started = root + "/makensis-started";
    WriteTextFile(bin + "/makensis", "#!/bin/sh\ntouch '" + started + "'\nexec sleep 60\n");
    QFile::setPermissions(QString::fromStdString(bin + "/makensis"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH"), savedTmp = qgetenv("TMPDIR");
    qputenv("PATH", QByteArray::fromStdString(bin) + ":" + path);
    qputenv("TMPDIR", QByteArray::fromStdString(tmp));
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", path);
        qputenv("TMPDIR", savedTmp);
    });
    Start(true);
    MendSample();
    const std::string setup = Workspace() + "/Installations/Coats.exe";
    WriteTextFile(setup, "old setup");
    WriteTextFile(setup + ".sha256", "old manifest");
    WriteTextFile(Workspace() + "/Installations/Coats.iss", "old script");
    const QDir tmpFolder(QString::fromStdString(tmp));
    const auto staged = [&] {
        return tmpFolder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    };
    person_.answer = MessageAnswer::Yes;
    ClickTab(4);
    for (const bool close : {false, false, true}) {
        DeleteFile(started);
        person_.files.push_back(setup);
        Click("MacroNextButton");
        BuildForm& build = windows_->Build();
        QVERIFY(build.Running());
        // makensis runs once the collection is staged.
        QTRY_VERIFY_WITH_TIMEOUT(FileExists(started), 30000);
        QCOMPARE(staged().size(), qsizetype(1));
        if (close) {
            windows_.reset();  // the window closes during the build
        } else {
            QTest::mouseClick(build.findChild<QPushButton*>(QStringLiteral("BuildCancelButton")),
                              Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!build.Running(), 10000);
            QTest::mouseClick(build.findChild<QPushButton*>(QStringLiteral("BuildCancelButton")),
                              Qt::LeftButton);
        }
        QTRY_VERIFY2_WITH_TIMEOUT(staged().isEmpty(), qPrintable(staged().join(' ')), 10000);
        QCOMPARE(ReadTextFile(setup), std::string("old setup"));
        QCOMPARE(ReadTextFile(setup + ".sha256"), std::string("old manifest"));
        QCOMPARE(ReadTextFile(Workspace() + "/Installations/Coats.iss"), std::string("old script"));
        QCOMPARE(
            QDir(QString::fromStdString(Workspace() + "/Installations")).entryList(QDir::Files),
            (QStringList{"Coats.exe", "Coats.exe.sha256", "Coats.iss"}));
    }
}

// A reserved name, a missing file and a 270-character installed path: all in one report, and
// no compiler is started.
void MainWindowTest::createSetupReportsProblemsBeforeCompiling() {
    const std::string table(100, 't');
    const std::string picture(97, 'p');
    Start(true);
    MendSample();
    const std::string coats = Workspace() + "/Designers/Anna/Coats/";
    // Windows cannot hold a file named CON: there the reserved name is left out.
    const std::string lost = kWindows ? "Odd" : "CON";
    WriteTextFile(coats + lost + ".mac", "add_pict_item(1, \"Lost.jpg\")\n");
    WriteTextFile(coats + lost + ".jpg", "x");
    WriteTextFile(coats + "Long.mac", "measure_table(\"" + table + "\")\n");
    WriteTextFile(coats + "Long.jpg", "x");
    WriteTextFile(Workspace() + "/MeasureTables/L.mmt",
                  table + "\tcm\t1\nBust\t92.5\tBust girth\t" + picture + "\n");
    WriteTextFile(Workspace() + "/MeasureTables/L.jpg", "x");
    WriteTextFile(Workspace() + "/MeasurePictures/" + picture + ".jpg", "x");
    // The garment list is read when the collection is chosen.
    windows_.reset();
    windows_ = std::make_unique<KitbinderWindows>(person_.Hooks());
    windows_->Window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows_->Window()));
    bool compilerStarted = false;
    windows_->Ui().hooks.startWatchedProgram =
        [&](const std::string&, const std::vector<std::string>&, const std::string&,
            ProgramWatch) -> std::unique_ptr<RunningProgram> {
        compilerStarted = true;
        return nullptr;
    };
    ClickTab(4);
    person_.files.push_back(Workspace() + "/Installations/Coats.exe");
    Click("MacroNextButton");
    BuildForm& build = windows_->Build();
    QVERIFY(build.isVisible());
    QVERIFY(!build.Running());
    QVERIFY(!compilerStarted);
    QVERIFY(!FileExists(Workspace() + "/Installations/Coats.iss"));
    const QString log = build.Log();
    QStringList expectations{
        QString::fromStdString("Error: garment " + lost +
                               ": file missing: " + test::Native(coats + "Lost.jpg")),
        QStringLiteral("(named by garment Long): installed path has 270 characters")};
    if (!kWindows)
        expectations << QStringLiteral(
            "Error: garment CON: garment name \"CON\" cannot be used on Windows");
    for (const QString& expected : expectations) {
        QVERIFY2(log.contains(expected), qPrintable(expected + QStringLiteral("\n") + log));
    }
}

void MainWindowTest::missingFileDetailsGroupByGarment() {
    Start(true);
    std::vector<std::pair<std::string, std::string>> reports;
    windows_->Ui().hooks.report = [&](const std::string& title, const std::string& text) {
        reports.emplace_back(title, text);
    };
    ClickTab(4);
    QVERIFY(W("MissingFilesDetailsButton")->isVisible());
    Click("MissingFilesDetailsButton");
    QCOMPARE(reports.size(), size_t(1));
    QCOMPARE(reports[0].first, "Missing files");
    const std::string& text = reports[0].second;
    const size_t duffle = text.find("\ngarment Duffle\n");
    QVERIFY2(duffle != std::string::npos, text.c_str());
    QVERIFY2(
        text.find("  Duffle_hood.jpg  in " + test::Native(Workspace() + "/Designers/Anna/Coats"),
                  duffle) != std::string::npos,
        text.c_str());
}

void MainWindowTest::tabAndDesignerSurviveRestart() {
    Start(true);
    ClickTab(1);
    auto* combo = W<QComboBox>("CollectionCombo");
    combo->setCurrentIndex(combo->findText(QLatin1String(kSampleSecondCollection)));
    ClickTab(3);
    windows_->Window().close();
    windows_.reset();
    Start(false);
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 3);
    // Only the restored tab's header is highlighted.
    QTabBar* bar = windows_->Window().Tabs()->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        QCOMPARE(bar->tabTextColor(i) != QColor(Qt::black), i == 3);
    QCOMPARE(W<QComboBox>("DesignerCombo")->currentText(), QLatin1String(kSampleDesigner));
    QCOMPARE(W<QComboBox>("CollectionCombo")->currentText(),
             QLatin1String(kSampleSecondCollection));
}

void MainWindowTest::typingInPanelSavesDescription() {
    Start(true);
    auto* text = W<QPlainTextEdit>("FileText");
    text->moveCursor(QTextCursor::End);
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, "Warm wool.");
    // The file holds the editor's text with CR LF line breaks.
    const std::string saved = ReadTextFile(Workspace() + "/Designers/Anna/Anna.txt");
    QVERIFY2(saved.size() > 12 && saved.substr(saved.size() - 12) == "\r\nWarm wool.",
             saved.c_str());
    QVERIFY(!W("FileTextChecked")->isVisible());
}

void MainWindowTest::typingInsideNameKeepsCursor() {
    Start(true);
    QLineEdit* edit = W<QComboBox>("DesignerCombo")->lineEdit();
    QCOMPARE(edit->text(), QStringLiteral("Anna"));
    edit->setCursorPosition(2);
    QTest::keyClicks(edit, "X");
    QCOMPARE(edit->text(), QStringLiteral("AnXna"));
    QCOMPARE(edit->cursorPosition(), 3);
    QVERIFY(W("AddDesignerButton")->isEnabled());
    QVERIFY(!W("DeleteDesignerButton")->isEnabled());
}

void MainWindowTest::aboutBoxShowsVersionAndBuildDate() {
    Start(false);
    QWidget& about = windows_->About();
    const auto text = [&about](const char* name) {
        return about.findChild<QLabel*>(QLatin1String(name))->text();
    };
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(text("Version"), QStringLiteral("1"));
    QCOMPARE(text("Build"), QStringLiteral("0.0.1"));
    QVERIFY(text("DateLable").startsWith(QStringLiteral("Built on ")));
    QVERIFY(!text("DateLable").contains(QStringLiteral("  ")));
    QCOMPARE(text("TitleLabel"), QStringLiteral("Kit Binder"));
}

void MainWindowTest::inputDialogCancelKeepsEnteredText() {
    InputDialog dialog(nullptr);
    QTimer::singleShot(0, [&dialog] {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("Edit"));
        edit->setText(QStringLiteral("Bert"));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("CancelButton")),
                          Qt::LeftButton);
    });
    QCOMPARE(dialog.Ask("Rename Designer", "Anna"), std::nullopt);
    QCOMPARE(dialog.EnteredText(), QStringLiteral("Bert"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Title"))->text(),
             QStringLiteral("Rename Designer"));

    QTimer::singleShot(0, [&dialog] {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("OkButton")),
                          Qt::LeftButton);
    });
    QCOMPARE(dialog.Ask("Rename Collection", "Coats"), std::optional<std::string>("Coats"));
    QVERIFY(dialog.findChild<QLineEdit*>(QStringLiteral("Edit"))->text().isEmpty());
}

void MainWindowTest::dispatcherRunsWorkOnUiThread() {
    QtUiDispatcher dispatcher;
    bool onUiThread = false;
    std::string error;
    std::thread worker([&] {
        dispatcher.RunAndWait([&] { onUiThread = QThread::currentThread() == qApp->thread(); });
        try {
            dispatcher.RunAndWait([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
    });
    QTRY_VERIFY(!error.empty());
    worker.join();
    QVERIFY(onUiThread);
    QCOMPARE(error, "step failed");
    // On the user-interface thread itself the work runs at once.
    int runs = 0;
    dispatcher.RunAndWait([&] { ++runs; });
    QCOMPARE(runs, 1);
}

void MainWindowTest::fileFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    QTest::newRow("pattern in name") << "Pictures (*.jpg)|*.jpg"
                                     << "Pictures (*.jpg) (*.jpg)";
    QTest::newRow("two entries") << "Text File|*.txt|All Files|*.*"
                                 << "Text File (*.txt);;All Files (*.*)";
    QTest::newRow("pattern without dot") << "Text File (*.txt)|*txt"
                                         << "Text File (*.txt) (*txt)";
    QTest::newRow("two patterns") << "Docs|*.pdf;*.html"
                                  << "Docs (*.pdf *.html)";
}

void MainWindowTest::fileFilters() {
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(filter.toStdString()), qt);
}

// Every question deletes or overwrites on Yes: Enter in the real box answers No.
void MainWindowTest::enterAnswersNoToDestructiveQuestions() {
    Start(true);
    windows_->Ui().hooks.message = nullptr;  // the real message box
    const std::string coats = Workspace() + "/Designers/Anna/Coats/";
    WriteTextFile(coats + "Trench.jpg", "kept");
    WriteTextFile(Workspace() + "/Designers/Trench.mac", "");
    WriteTextFile(Workspace() + "/Designers/Trench.jpg", "replacement");
    const struct {
        int tab;
        const char* button;
        const char* question;
    } cases[] = {
        {0, "DeleteDesignerButton",
         "Do you really want to delete the designer Anna?\n\nIts folder with all its "
         "collections and files, and its setups, will be moved to the trash."},
        {1, "DeleteCollectionButton",
         "Do you really want to delete the collection Coats?\n\nIts folder, with all its "
         "garments and files, will be moved to the trash."},
        {2, "NewMacroButton",
         "The garment Trench is already in the collection. Do you want to replace its files?"},
    };
    for (const auto& c : cases) {
        ClickTab(c.tab);
        person_.files = {Workspace() + "/Designers/Trench.mac"};  // the garment chooser's pick
        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            shown = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        Click(c.button);
        QCOMPARE(shown.toStdString(), std::string(c.question));
        QVERIFY(FolderExists(coats));
        QCOMPARE(ReadTextFile(coats + "Trench.jpg"), "kept");
    }
    QCOMPARE(
        W<QListWidget>("MacroList")->findItems(QStringLiteral("Trench"), Qt::MatchExactly).size(),
        1);
}

// Typing in the description, then deleting or renaming its designer through the real question
// and input dialog (which take the focus and give it back): no other designer's text changes.
void MainWindowTest::editedDescriptionStaysWithItsDesigner() {
    const std::string documents = test::Native(temp_->path().toStdString() + "/Documents");
    MakeSampleWorkspace(documents);
    WriteTextFile(Workspace() + "/Designers/Bert/Bert.txt", "About Bert");
    const std::string anna = ReadTextFile(Workspace() + "/Designers/Anna/Anna.txt");
    Start(false);
    windows_->Ui().hooks.message = nullptr;  // the real question box
    windows_->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&windows_->Window()));
    auto* designers = W<QComboBox>("DesignerCombo");
    auto* text = W<QPlainTextEdit>("FileText");
    const auto typeInDescription = [&] {
        text->setFocus();
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, " edited");
    };
    // Answers the next modal dialog: Yes in a question, newName in the input dialog.
    const auto answerNextDialog = [](const QString& newName) {
        QTimer::singleShot(0, [newName] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->button(QMessageBox::Yes)->click();
            } else if (auto* input = dynamic_cast<InputDialog*>(modal)) {
                input->findChild<QLineEdit*>(QStringLiteral("Edit"))->setText(newName);
                input->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
            }
        });
    };

    designers->setCurrentIndex(designers->findText(QStringLiteral("Bert")));
    typeInDescription();
    answerNextDialog({});
    Click("DeleteDesignerButton");
    QVERIFY(!FolderExists(Workspace() + "/Designers/Bert"));
    QCOMPARE(designers->currentText(), QStringLiteral("Anna"));
    QCOMPARE(ReadTextFile(Workspace() + "/Designers/Anna/Anna.txt"), anna);

    typeInDescription();
    answerNextDialog(QStringLiteral("Anne"));
    Click("RenameDesignerButton");
    QCOMPARE(designers->currentText(), QStringLiteral("Anne"));
    QVERIFY(!FolderExists(Workspace() + "/Designers/Anna"));
    const std::string anne = ReadTextFile(Workspace() + "/Designers/Anne/Anne.txt");
    QVERIFY2(anne.size() > anna.size() && anne.substr(anne.size() - 7) == " edited", anne.c_str());
}

// Create Setup and View Setups in the window: an empty workspace, a name without base, and a
// desktop that opens neither the setup nor the folder each give a message instead of silence.
void MainWindowTest::createSetupSaysWhatIsWrong() {
    Start(false);
    ClickTab(4);
    Click("MacroNextButton");
    QVERIFY(person_.choosers.empty());
    QCOMPARE(person_.messages.size(), size_t(1));
    QVERIFY2(person_.messages[0].text.find("designer and a collection") != std::string::npos,
             person_.messages[0].text.c_str());
    windows_.reset();

    Start(true);
    MendSample();
    windows_->Ui().hooks.openDocument = [](const std::string&) { return false; };
    // A compiler that ends at once with success.
    windows_->Ui().hooks.startWatchedProgram =
        [](const std::string&, const std::vector<std::string>&, const std::string&,
           ProgramWatch watch) -> std::unique_ptr<RunningProgram> {
        watch.finished(0, false);
        return nullptr;
    };
    WriteTextFile(Workspace() + "/Installations.iss", "not ours");
    ClickTab(4);
    const struct {
        const char* button;
        std::string chosen;
        std::string named;  // in the message
    } cases[] = {
        {"MacroNextButton", Workspace() + "/Installations/.exe", "needs a file name"},
        {"MacroNextButton", Workspace() + "/Installations/Coats.exe",
         test::Native(Workspace() + "/Installations/Coats.exe")},
        {"ShowExplorerButton", "", test::Native(Workspace() + "/Installations") + "\""},
    };
    for (const auto& c : cases) {
        person_.messages.clear();
        person_.files = {c.chosen};
        Click(c.button);
        QCOMPARE(person_.messages.size(), size_t(1));
        QVERIFY2(person_.messages[0].text.find(c.named) != std::string::npos,
                 person_.messages[0].text.c_str());
        windows_->Build().hide();
    }
    QCOMPARE(ReadTextFile(Workspace() + "/Installations.iss"), "not ours");
}

// Tab and Shift+Tab leave every multi-line text of the window as they found it (the help texts
// and the item description), and Alt with a letter types nothing into a field or a description.
void MainWindowTest::keysNeverWriteIntoTexts() {
    Start(true);
    windows_->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&windows_->Window()));
    const std::string annaFile = Workspace() + "/Designers/Anna/Anna.txt";
    const std::string anna = ReadTextFile(annaFile);
    const struct {
        int tab;
        const char* text;
    } texts[] = {
        {0, "DesignerAddNameHelp"},   {0, "DesignerDetailsHelp"},   {0, "FileText"},
        {1, "CollectionAddNameHelp"}, {1, "CollectionDetailsHelp"}, {1, "FileText"},
        {2, "MacroListHelp"},         {3, "MmtListHelp"},           {4, "MacroMissingHelp"},
        {4, "CreateSetupHelp"}};
    for (const auto& t : texts) {
        ClickTab(t.tab);
        auto* text = W<QPlainTextEdit>(t.text);
        const QString before = text->toPlainText();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            text->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(text->hasFocus());
            QTest::keyClick(text, key);
            QVERIFY2(!text->hasFocus(), t.text);
        }
        QVERIFY2(text->isReadOnly() || QString::fromLatin1(t.text) == "FileText", t.text);
        QCOMPARE(text->toPlainText(), before);
    }
    const std::string coats = Workspace() + "/Designers/Anna/Coats/Coats.txt";
    const std::string coatsText = ReadTextFile(coats);

    const struct {
        int tab;
        const char* editor;
        std::string file;
    } editors[] = {{0, "FileText", annaFile},
                   {1, "FileText", coats},
                   {0, "WebsiteEdit", Workspace() + "/Designers/Anna/Website.txt"},
                   {1, "PasswordEdit", Workspace() + "/Designers/Anna/Coats/Password.txt"}};
    for (const auto& e : editors) {
        ClickTab(e.tab);
        QWidget* editor = W(e.editor);
        const std::string before = ReadTextFile(e.file);
        editor->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(editor->hasFocus());
        for (Qt::Key key : {Qt::Key_H, Qt::Key_D, Qt::Key_X})
            QTest::keyClick(editor, key, Qt::AltModifier);
        QWidget* other = W(e.tab == 0 ? "DesignerCombo" : "CollectionCombo");
        other->setFocus(Qt::OtherFocusReason);  // leaving saves what changed
        QCOMPARE(ReadTextFile(e.file), before);
    }
    QCOMPARE(ReadTextFile(annaFile), anna);
    QCOMPARE(ReadTextFile(coats), coatsText);

    // The name boxes hand keys to their edit themselves: an access key types nothing there either.
    for (const char* name : {"DesignerCombo", "CollectionCombo"}) {
        auto* combo = W<QComboBox>(name);
        ClickTab(QString::fromLatin1(name) == "DesignerCombo" ? 0 : 1);
        const QString before = combo->currentText();
        combo->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(combo->hasFocus() || combo->lineEdit()->hasFocus());
        for (Qt::Key key : {Qt::Key_H, Qt::Key_X})
            QTest::keyClick(combo, key, Qt::AltModifier);
        QCOMPARE(combo->currentText(), before);
    }
}

// A new item's description holds the placeholder sentence; entering the editor by Tab or by a
// click selects it, so the first key typed replaces it.
void MainWindowTest::typingReplacesThePlaceholder() {
    Start(false);
    windows_->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&windows_->Window()));
    auto* text = W<QPlainTextEdit>("FileText");
    const struct {
        const char* designer;
        bool click;
    } cases[] = {{"Cara", false}, {"Dora", true}};
    for (const auto& c : cases) {
        auto* combo = W<QComboBox>("DesignerCombo");
        combo->setFocus();
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), c.designer);
        Click("AddDesignerButton");
        QCOMPARE(text->toPlainText(), QStringLiteral("Enter text or double-click to load file."));
        if (c.click)
            QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        else
            text->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(text->textCursor().hasSelection());
        QTest::keyClicks(text, "Makes capes.");
        const std::string file =
            Workspace() + "/Designers/" + c.designer + "/" + c.designer + ".txt";
        QCOMPARE(ReadTextFile(file), std::string("Makes capes."));
    }
}

// Remove Garment asks, moves the files to the trash, and Ctrl+Z (the Edit menu's Undo) puts them
// back into the list and the collection.
void MainWindowTest::removedGarmentComesBackWithCtrlZ() {
    Start(true);
    windows_->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&windows_->Window()));
    ClickTab(2);
    auto* list = W<QListWidget>("MacroList");
    const QString garment = list->item(0)->text();
    const std::string macro =
        Workspace() + "/Designers/Anna/Coats/" + garment.toStdString() + ".mac";
    const std::string content = ReadTextFile(macro);
    auto* undo = windows_->Window().Control<QAction>(QStringLiteral("Undo1"));
    QVERIFY(!undo->isEnabled());
    list->setCurrentRow(0);
    person_.answer = MessageAnswer::Yes;
    Click("DeleteMacroButton");
    QCOMPARE(person_.messages.size(), size_t(1));
    QVERIFY(!FileExists(macro));
    QVERIFY(FileExists(trash_ + "/files/" + garment.toStdString() + ".mac"));
    QVERIFY(list->findItems(garment, Qt::MatchExactly).isEmpty());
    QVERIFY(undo->isEnabled());
    QVERIFY(undo->text().contains(garment));

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ReadTextFile(macro), content);
    QCOMPARE(list->findItems(garment, Qt::MatchExactly).size(), 1);
    QCOMPARE(list->currentItem()->text(), garment);
    QVERIFY(!undo->isEnabled());
}

// The program in a child process: a check of a large collection is running when the main window
// is closed; the process must end at once (the worker cancelled, no step left behind).
// A failed build with a long report: the view shows the first error, every line whole (none
// runs past the window's edge), and the bar stops instead of going on busy.
void MainWindowTest::failedBuildShowsItsFirstErrorWhole() {
    BuildForm build(nullptr);
    build.Start({});
    QVERIFY(QTest::qWaitForWindowExposed(&build));
    build.SetProgress(0, 0);
    const QString folder = QStringLiteral(
        "/home/designer/Documents/Bobbinwright/Personal Files/"
        "Designers/Anna/Coats/");
    QString report;
    for (int i = 0; i < 3; ++i)
        report += QStringLiteral("Error: garment Coat%1: file missing: %2Lost%1.jpg\n")
                      .arg(i)
                      .arg(folder);
    for (int i = 0; i < 80; ++i)
        report += QStringLiteral("Warning: garment Coat%1: optional file missing: %2Coat%1.pdf\n")
                      .arg(i)
                      .arg(folder);
    build.AppendLog(report);
    build.End(QStringLiteral("Nothing was compiled."), false);
    QCoreApplication::processEvents();

    auto* log = build.findChild<QPlainTextEdit*>(QStringLiteral("BuildLog"));
    const QString top = log->cursorForPosition(QPoint(4, 4)).block().text();
    QVERIFY2(top.startsWith(QStringLiteral("Error: garment Coat0")), qPrintable(top));
    QCOMPARE(log->horizontalScrollBar()->maximum(), 0);
    auto* bar = build.findChild<QProgressBar*>(QStringLiteral("BuildProgress"));
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);
}

void MainWindowTest::closingDuringCheckEndsTheProgram() {
    const std::string documents = test::Native(temp_->path().toStdString() + "/Documents");
    MakeSampleWorkspace(documents);
    const std::string coats = Workspace() + "/Designers/Anna/Coats/";
    std::string macro;
    for (int line = 0; line < 20; ++line)
        macro += "measure_table(\"Women\")\nadd_pict_item(1, \"Trench_front.jpg\")\n";
    for (int i = 0; i < 3000; ++i)
        WriteTextFile(coats + "Garment" + std::to_string(i) + ".mac", macro);

    EndsSoonAfterClose(kCloseDuringCheck, "check running");
}

void MainWindowTest::closingDuringUploadEndsTheProgram() {
    MakeSampleWorkspace(test::Native(temp_->path().toStdString() + "/Documents"));
    EndsSoonAfterClose(kCloseDuringUpload, "upload running");
}

void MainWindowTest::closingDuringLoginEndsTheProgram() {
    MakeSampleWorkspace(test::Native(temp_->path().toStdString() + "/Documents"));
    EndsSoonAfterClose(kCloseDuringLogin, "check running");
}

// Runs this program as a child in the given mode on the test folder, waits until it says it
// has closed its window while running (it printed running first), and expects it to end within
// 2 s of that.
void MainWindowTest::EndsSoonAfterClose(const char* mode, const char* running) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QLatin1String(mode), QString::fromStdString(temp_->path().toStdString())});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    QElapsedTimer waiting;
    waiting.start();
    while (!output.contains("closed") && waiting.elapsed() < 60000 &&
           child.state() == QProcess::Running) {
        child.waitForReadyRead(100);
        output += child.readAllStandardOutput();
    }
    if (!output.contains("closed")) {
        child.kill();
        child.waitForFinished();
    }
    QVERIFY2(output.contains(running), output.constData());
    QVERIFY2(output.contains("closed"), output.constData());
    QElapsedTimer ending;
    ending.start();
    const bool ended = child.state() == QProcess::NotRunning || child.waitForFinished(2000);
    if (!ended) {
        child.kill();
        child.waitForFinished();
    }
    QVERIFY2(ended, "the program was still running 2 s after its window closed");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    qInfo("ended %lld ms after the close", static_cast<long long>(ending.elapsed()));
}

// The child of closingDuringCheckEndsTheProgram: the program itself on the given test folder,
// driven as a person would: start the check, and close the window while it runs.
int CloseDuringCheck(KitbinderApplication& application, const std::string& folder) {
    SetDocumentsFolder(folder + "/Documents");
    SetSettingsFolder(SettingsRoot::CurrentUser, folder + "/settings");
    return RunKitbinder(application, [](KitbinderWindows& windows) {
        windows.Window().Control<QAbstractButton>(QStringLiteral("CheckMacroButton"))->click();
        auto* poll = new QTimer(&windows.Window());
        QObject::connect(poll, &QTimer::timeout, [&windows, poll] {
            if (!windows.Logic().CheckRunning() || windows.Processing().ThreadLabel().isEmpty() ||
                windows.Processing().ThreadLabel() == QStringLiteral("ThreadLabel"))
                return;
            poll->stop();
            std::printf("check running\n");
            windows.Window().close();
            std::printf("closed\n");
            std::fflush(stdout);
        });
        poll->start(20);
    });
}

// Other programs change the workspace while the window shows it: the lists, the panel and the
// check's warning follow.
void MainWindowTest::windowFollowsFilesChangedOnDisk() {
    Start(true);
    const std::string coats = Workspace() + "/Designers/Anna/Coats/";
    ClickTab(4);
    Click("CheckMacroButton");
    QTRY_VERIFY_WITH_TIMEOUT(!windows_->Processing().isVisible(), 20000);
    QVERIFY(!W("MissingFilesChecked")->isVisible());
    // The picture the check missed is made by an image editor.
    WriteTextFile(coats + kSampleMissingFile, "x");
    QTRY_VERIFY_WITH_TIMEOUT(W("MissingFilesChecked")->isVisible(), 5000);

    ClickTab(2);
    auto* list = W<QListWidget>("MacroList");
    const int before = list->count();
    CopyFile(Workspace() + "/Designers/Cape.mac", coats + "Cape.mac", false);
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), before + 1, 5000);
    QVERIFY(list->findItems(QStringLiteral("Cape"), Qt::MatchExactly).size() == 1);
    list->setCurrentRow(0);
    const QString garment = list->item(0)->text();
    WriteTextFile(coats + garment.toStdString() + ".txt", "Written elsewhere");
    QTRY_COMPARE_WITH_TIMEOUT(W<QPlainTextEdit>("FileText")->toPlainText(),
                              QStringLiteral("Written elsewhere"), 5000);

    ClickTab(0);
    EnsureFolder(Workspace() + "/Designers/Bert");
    QTRY_COMPARE_WITH_TIMEOUT(W<QComboBox>("DesignerCombo")->count(), 2, 5000);
    QCOMPARE(W<QComboBox>("DesignerCombo")->currentText(), QLatin1String(kSampleDesigner));
}

// While the window works, its folders are not held open, and what it writes is not reported.
void MainWindowTest::folderWatchIgnoresTheWindowsOwnWork() {
    const std::string folder = temp_->path().toStdString() + "/watched";
    EnsureFolder(folder);
    int reports = 0;
    FolderWatch watch([&reports] { ++reports; }, 20);
    watch.SetFolders({folder});
    WriteTextFile(folder + "/other.txt", "another program");
    QTRY_COMPARE(reports, 1);
    {
        const FolderWatch::Pause pause(watch);
        QVERIFY(pause.Outermost());
        WriteTextFile(folder + "/own.txt", "the window");
        QTest::qWait(100);
    }
    QTest::qWait(200);
    QCOMPARE(reports, 1);
    // Watching again after the pause.
    WriteTextFile(folder + "/other.txt", "another program again");
    QTRY_COMPARE(reports, 2);
}

void MainWindowTest::droppedFilesAreAddedAndAttached() {
    Start(true);
    ClickTab(2);
    auto* list = W<QListWidget>("MacroList");
    const int before = list->count();
    const std::string cape = Workspace() + "/Designers/Cape.mac";
    const std::string skirt = Workspace() + "/Patterns/Skirt.mac";
    const std::string text = Workspace() + "/Designers/Anna/Anna.txt";
    // Only macros go on the list.
    QVERIFY(!Drop(list->viewport(), {cape, text}));
    QCOMPARE(list->count(), before);
    QVERIFY(Drop(list->viewport(), {cape, skirt}));
    QCOMPARE(list->count(), before + 2);
    QVERIFY(person_.choosers.empty());
    const std::string coats = Workspace() + "/Designers/Anna/Coats/";
    QVERIFY(FileExists(coats + "Cape.mac"));
    QVERIFY(FileExists(coats + "Skirt.mac"));

    // A picture and a text dropped on the panel become the selected garment's.
    list->setCurrentRow(list->count() - 1);
    const std::string picture = Workspace() + "/Designers/Anna/Anna.jpg";
    QVERIFY(!Drop(W("RightPanel"), {cape}));
    QVERIFY(Drop(W("FilePicture"), {picture}));
    QVERIFY(SameFileContents(picture, coats + "Skirt.jpg"));
    QVERIFY(Drop(W<QPlainTextEdit>("FileText")->viewport(), {text}));
    QCOMPARE(ReadTextFile(coats + "Skirt.txt"), ReadTextFile(text));
    QVERIFY(person_.choosers.empty());
}

// What a screen reader finds: every control that takes the focus has a name.
void MainWindowTest::everyFocusableControlHasAName() {
    Start(true);
    QStringList nameless;
    for (QWidget* widget : windows_->Window().findChildren<QWidget*>()) {
        // The main window's own controls (not its dialogs, nor the lists' pop-ups).
        if (widget->window() != &windows_->Window())
            continue;
        if (widget->focusPolicy() == Qt::NoFocus || widget->focusProxy() != nullptr)
            continue;
        // The edit inside an editable list box is part of the box.
        if (qobject_cast<QComboBox*>(widget->parentWidget()) != nullptr)
            widget = widget->parentWidget();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible != nullptr);
        if (accessible->text(QAccessible::Name).trimmed().isEmpty())
            nameless << widget->objectName() + QLatin1Char(' ') + widget->metaObject()->className();
    }
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(QStringLiteral(", "))));
    const std::pair<const char*, const char*> names[] = {
        {"AddDesignerButton", "Create Designer"},
        {"NewMacroButton", "Add Garment"},
        {"CheckMmtButton", "Scan MMT"},
        {"WebsiteEdit", "Designer Web Site:"},
    };
    for (const auto& [control, name] : names) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(W(control));
        QCOMPARE(accessible->text(QAccessible::Name).remove(QLatin1Char('&')),
                 QString::fromUtf8(name));
    }
    // A list box is labelled by its label (on some systems its name is its text).
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(W("DesignerCombo"));
    const auto labels = combo->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.front().first->object(), W("DesignerLabel"));
}

void MainWindowTest::keyboardReachesCommands() {
    Start(true);
    QWindow* handle = windows_->Window().windowHandle();
    windows_->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&windows_->Window()));
    // Access keys: a tab, a Next button, a label that moves to its field.
    QTest::keyClick(handle, Qt::Key_G, Qt::AltModifier);
    QCOMPARE(windows_->Window().Tabs()->currentIndex(), 2);
    // A button's access key presses it as a click does, a moment later.
    QTest::keyClick(handle, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(windows_->Window().Tabs()->currentIndex(), 3);
    QTest::keyClick(handle, Qt::Key_D, Qt::AltModifier);
    QTest::keyClick(handle, Qt::Key_W, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), W("WebsiteEdit"));
    // Enter on the focused picture opens its chooser.
    W("FilePicture")->setFocus();
    QCOMPARE(QApplication::focusWidget(), W("FilePicture"));
    QTest::keyClick(handle, Qt::Key_Return);
    QCOMPARE(person_.choosers.size(), size_t(1));
    QCOMPARE(person_.choosers.back().name, "FilePictureDialog");
}

// Whatever the screen and its scaling, the window fits it and every button can be reached.
void MainWindowTest::windowFitsItsScreen() {
    Start(true);
    MainWindow& window = windows_->Window();
    const QRect screen = window.screen()->availableGeometry();
    QVERIFY2(window.width() <= screen.width() && window.height() <= screen.height(),
             qPrintable(QStringLiteral("%1x%2 on %3x%4")
                            .arg(window.width())
                            .arg(window.height())
                            .arg(screen.width())
                            .arg(screen.height())));
    ClickTab(4);
    auto* scroll = W<QScrollArea>("ClientScroll");
    QWidget* button = W("MacroNextButton");
    scroll->ensureWidgetVisible(button);
    const QRect shown(button->mapTo(&window, QPoint()), button->size());
    QVERIFY(window.rect().contains(shown));
}

// The child of closingDuringUploadEndsTheProgram and closingDuringLoginEndsTheProgram: the
// program on the given test folder with a service and a database that never answer. At the
// login it either presses Process (and then the close box while the check waits) or goes on
// with a remembered account (and closes the window while the upload connects).
int CloseDuringUpload(KitbinderApplication& application, const std::string& folder, bool atLogin) {
    SetDocumentsFolder(folder + "/Documents");
    SetSettingsFolder(SettingsRoot::CurrentUser, folder + "/settings");
    test::SilentServer silent;
    UploadConfig config;
    config.serviceAddress = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/";
    config.databaseHost = "127.0.0.1";
    config.databasePort = silent.Port();
    SetUploadConfig(config);
    if (!atLogin)
        WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, "0123456789abcdef01234567");
    return RunKitbinder(application, [atLogin](KitbinderWindows& windows) {
        windows.Ui().hooks.message = [](const std::string&, const std::string&, MessageButtons,
                                        MessageIcon) { return MessageAnswer::Ok; };
        TPasswordFrm* login = &windows.Login();
        QTimer::singleShot(0, &windows.Window(), [&windows] { windows.Logic().Ftp1Click(); });
        auto* poll = new QTimer(&windows.Window());
        auto waited = std::make_shared<QElapsedTimer>();
        QObject::connect(poll, &QTimer::timeout, [&windows, login, poll, atLogin, waited] {
            if (login->isVisible() && !waited->isValid()) {
                if (!atLogin) {
                    login->BitBtn1->click();
                    return;
                }
                login->EmailEdit->setText(QStringLiteral("ann@example.com"));
                login->PasswordEdit->setText(QStringLiteral("secret"));
                login->ProcessButton->click();
                waited->start();
                return;
            }
            if (!atLogin && windows.Processing().isVisible() && !waited->isValid())
                waited->start();
            // Well inside the wait on the silent server.
            if (!waited->isValid() || waited->elapsed() < 500)
                return;
            poll->stop();
            std::printf(atLogin ? "check running\n" : "upload running\n");
            if (atLogin)
                login->close();
            windows.Window().close();
            std::printf("closed\n");
            std::fflush(stdout);
        });
        poll->start(20);
    });
}

int main(int argc, char** argv) {
    KitbinderApplication application(argc, argv);
    if (argc == 3 && std::string_view(argv[1]) == kCloseDuringCheck)
        return CloseDuringCheck(application, argv[2]);
    if (argc == 3 && std::string_view(argv[1]) == kCloseDuringUpload)
        return CloseDuringUpload(application, argv[2], false);
    if (argc == 3 && std::string_view(argv[1]) == kCloseDuringLogin)
        return CloseDuringUpload(application, argv[2], true);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "main_window_test.moc"
