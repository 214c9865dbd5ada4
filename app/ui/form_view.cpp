#include "app/ui/form_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <exception>
#include <optional>

#include "app/logic/main_form.h"
#include "app/ui/accessibility.h"
#include "app/ui/file_drops.h"
#include "app/ui/folder_watch.h"
#include "app/ui/hints.h"
#include "app/ui/main_window.h"
#include "app/ui/ui_events.h"

namespace kb {
namespace {

using Handler = void (TMainForm::*)();

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList QList(const std::vector<std::string>& texts) {
    QStringList list;
    list.reserve(qsizetype(texts.size()));
    for (const std::string& text : texts)
        list << Q(text);
    return list;
}

// The panel's editor holds LF line breaks; the model holds them as CR LF.
QString FromCrLf(const std::string& text) {
    return Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
std::string ToCrLf(const QString& text) {
    QString crlf = text;
    return crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
}

void ShowControl(QObject* target, const Control& control) {
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setEnabled(control.enabled);
        action->setVisible(control.visible);
        return;
    }
    auto* widget = static_cast<QWidget*>(target);
    widget->setEnabled(control.enabled);
    widget->setHidden(!control.visible);
    SetHint(widget, Q(control.hint));
}

void ShowButton(QObject* target, const Button& button) {
    ShowControl(target, button);
    const QString caption = WithAccessKey(target, Q(button.caption));
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(caption);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        if (label->text() != caption)
            label->setText(caption);
        // The field a label names is known by the label's text.
        if (label->buddy() != nullptr)
            label->buddy()->setAccessibleName(Q(button.caption));
    } else if (auto* clickable = qobject_cast<QAbstractButton*>(target)) {
        if (clickable->text() != caption)
            clickable->setText(caption);
    }
}

void ShowText(QObject* target, const QString& text, bool readOnly) {
    if (auto* line = qobject_cast<QLineEdit*>(target)) {
        if (line->text() != text)
            line->setText(text);
        line->setReadOnly(readOnly);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(target)) {
        if (memo->toPlainText() != text)
            memo->setPlainText(text);
        memo->setReadOnly(readOnly);
    }
}

void ShowEdit(QObject* target, const Edit& edit) {
    ShowControl(target, edit);
    ShowText(target, Q(edit.text), edit.readOnly);
}

void ShowTextEditor(QObject* target, const TextEditor& editor) {
    ShowControl(target, editor);
    ShowText(target, FromCrLf(editor.text), editor.readOnly);
}

void ShowMemo(QObject* target, const Memo& memo) {
    ShowControl(target, memo);
    ShowText(target, QList(memo.lines).join(QLatin1Char('\n')), true);
}

void ShowCombo(QObject* target, const ComboBox& model) {
    ShowControl(target, model);
    auto* combo = static_cast<QComboBox*>(target);
    const QStringList entries = QList(model.entries);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    if (shown != entries) {
        combo->clear();
        combo->addItems(entries);
    }
    // Re-selecting may rewrite the typed text; the cursor stays where the person was typing.
    const QString typed = combo->currentText();
    const int cursor = combo->isEditable() ? combo->lineEdit()->cursorPosition() : 0;
    if (combo->currentIndex() != model.Selected())
        combo->setCurrentIndex(model.Selected());
    if (combo->isEditable() && combo->currentText() != Q(model.text)) {
        combo->setEditText(Q(model.text));
    }
    if (combo->isEditable() && combo->currentText() == typed) {
        combo->lineEdit()->setCursorPosition(cursor);
    }
}

void ShowList(QObject* target, const ListBox& model) {
    ShowControl(target, model);
    auto* list = static_cast<QListWidget*>(target);
    const QStringList entries = QList(model.entries);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    if (shown != entries) {
        list->clear();
        list->addItems(entries);
    }
    const int selected = model.HasSelection() ? model.selected : -1;
    if (list->currentRow() != selected)
        list->setCurrentRow(selected);
}

void ShowTabs(QObject* target, const TabControl& model) {
    auto* tabs = static_cast<QTabWidget*>(target);
    tabs->setEnabled(model.enabled);
    SetHint(tabs->tabBar(), Q(model.hint));
    // Set only when changed: each change lays the tab bar out again.
    for (int i = 0; i < tabs->count() && i < int(model.captions.size()); ++i) {
        const QString caption = WithAccessKey(tabs->widget(i), Q(model.captions[size_t(i)]));
        if (tabs->tabText(i) != caption)
            tabs->setTabText(i, caption);
        const bool highlighted = i == int(model.highlighted);
        const QColor color =
            tabs->palette().color(highlighted ? QPalette::Link : QPalette::WindowText);
        if (tabs->tabBar()->tabTextColor(i) != color)
            tabs->tabBar()->setTabTextColor(i, color);
    }
    if (tabs->currentIndex() != int(model.active))
        tabs->setCurrentIndex(int(model.active));
}

}  // namespace

FormView::FormView(MainWindow& window, TMainForm& logic, UserInterface& ui)
    : window_(window), logic_(logic), ui_(ui) {
    BindModel();
    BindEvents();
    BindValueEvents();
    BindFocusEvents();
    BindFileEvents();
    GuardEditors();
    hints_ = new HintWatcher(&window_, [this](const QString& hint) {
        // Only the status bar changes: the folders stay watched.
        Call([this, hint] { logic_.ShowHintInStatusBar(hint.toStdString()); }, false);
    });
}

// The window may outlive the view: nothing of the window calls into it afterwards.
FormView::~FormView() {
    delete hints_;
    for (const QPointer<QObject>& hook : hooks_)
        delete hook.data();
}

template <typename Member, typename Show>
void FormView::Bind(const char* name, Member FormModel::*member, Show show) {
    QObject* target = window_.findChild<QAction*>(QLatin1String(name));
    if (target == nullptr)
        target = window_.Control<QWidget>(QLatin1String(name));
    bindings_.push_back(
        {target, [member, show](QObject* t, const FormModel& form) { show(t, form.*member); }});
}

#define KB_BIND(member, show) Bind(#member, &FormModel::member, show)

void FormView::BindModel() {
    KB_BIND(File1, ShowButton);
    KB_BIND(Quit1, ShowButton);
    KB_BIND(Ftp1, ShowButton);
    KB_BIND(Create1, ShowButton);
    KB_BIND(Help1, ShowButton);
    KB_BIND(Help2, ShowButton);
    KB_BIND(AboutMenu1, ShowButton);
    KB_BIND(Edit1, ShowButton);
    KB_BIND(Undo1, ShowButton);
    KB_BIND(Tabs, ShowTabs);

    KB_BIND(FilePictureChecked, ShowControl);
    KB_BIND(FileText, ShowTextEditor);
    KB_BIND(FileTextChecked, ShowControl);

    KB_BIND(DesignerLabel, ShowButton);
    KB_BIND(DesignerCombo, ShowCombo);
    KB_BIND(AddDesignerButton, ShowButton);
    KB_BIND(DeleteDesignerButton, ShowButton);
    KB_BIND(RenameDesignerButton, ShowButton);
    KB_BIND(DesignerAddNameHelp, ShowEdit);
    KB_BIND(WebSiteLabel, ShowButton);
    KB_BIND(WebsiteEdit, ShowEdit);
    KB_BIND(WebsiteChecked, ShowControl);
    KB_BIND(LicenseFileEdit, ShowButton);
    KB_BIND(LicenseChecked, ShowControl);
    KB_BIND(DesignerPdfButton, ShowButton);
    KB_BIND(DesignerPdfChecked, ShowControl);
    KB_BIND(DesignerHtmlButton, ShowButton);
    KB_BIND(DesignerHtmlChecked, ShowControl);
    KB_BIND(DesignerDetailsHelp, ShowEdit);
    KB_BIND(DesignerNextButton, ShowButton);

    KB_BIND(ActiveCollectionLabel, ShowButton);
    KB_BIND(CollectionCombo, ShowCombo);
    KB_BIND(AddCollectionButton, ShowButton);
    KB_BIND(DeleteCollectionButton, ShowButton);
    KB_BIND(RenameCollectionButton, ShowButton);
    KB_BIND(CollectionAddNameHelp, ShowEdit);
    KB_BIND(CollectionDetailsHelp, ShowEdit);
    KB_BIND(PasswordLabel, ShowButton);
    KB_BIND(PasswordEdit, ShowEdit);
    KB_BIND(SetupImageButton, ShowButton);
    KB_BIND(CollectionImageChecked, ShowControl);
    KB_BIND(BeforeInstallReadme, ShowButton);
    KB_BIND(BeforeInstallReadmeChecked, ShowControl);
    KB_BIND(AfterInstallReadme, ShowButton);
    KB_BIND(AfterInstallReadmeChecked, ShowControl);
    KB_BIND(CollectionPdfButton, ShowButton);
    KB_BIND(CollectionPdfChecked, ShowControl);
    KB_BIND(CollectionHtmlButton, ShowButton);
    KB_BIND(CollectionHtmlChecked, ShowControl);
    KB_BIND(CollectionNextButton, ShowButton);

    KB_BIND(SourceLabel, ShowButton);
    KB_BIND(MacroSource, ShowCombo);
    KB_BIND(MacroListHelp, ShowEdit);
    KB_BIND(MacrosLabel, ShowButton);
    KB_BIND(GarmentExistsCheck, ShowControl);
    KB_BIND(MacroList, ShowList);
    KB_BIND(NewMacroButton, ShowButton);
    KB_BIND(DeleteMacroButton, ShowButton);
    KB_BIND(MacroPdfButton, ShowButton);
    KB_BIND(MacroHtmlButton, ShowButton);
    KB_BIND(MacroPdfChecked, ShowControl);
    KB_BIND(MacroHtmlChecked, ShowControl);
    KB_BIND(GarmentNextButton, ShowButton);

    KB_BIND(MeasuresLabel1, ShowButton);
    KB_BIND(MeasuresLabel2, ShowButton);
    KB_BIND(MmtListHelp, ShowEdit);
    KB_BIND(MmtListLabel, ShowButton);
    KB_BIND(CheckMmtButton, ShowButton);
    KB_BIND(ScanMeasureWarning, ShowControl);
    KB_BIND(MmtList, ShowList);
    KB_BIND(MmtPdfButton, ShowButton);
    KB_BIND(MmtHtmlButton, ShowButton);
    KB_BIND(MmtPdfChecked, ShowControl);
    KB_BIND(MmtHtmlChecked, ShowControl);
    KB_BIND(MeasuresNextButton, ShowButton);
    KB_BIND(MtbListLabel, ShowButton);
    KB_BIND(UsedMmtHelp, ShowEdit);
    KB_BIND(UsedMmtsList, ShowList);
    KB_BIND(AddMtbButton, ShowButton);
    KB_BIND(DeleteMtbButton, ShowButton);

    KB_BIND(MacroMissingHelp, ShowEdit);
    KB_BIND(MissingFilesLabel, ShowButton);
    KB_BIND(CheckMacroButton, ShowButton);
    KB_BIND(MissingFilesChecked, ShowControl);
    KB_BIND(MacroCheckMemo, ShowMemo);
    KB_BIND(MissingFilesDetailsButton, ShowButton);
    KB_BIND(CollectionVersionLabel, ShowButton);
    KB_BIND(CollectionVersionEdit, ShowEdit);
    KB_BIND(CreateSetupHelp, ShowEdit);
    KB_BIND(MacroNextButton, ShowButton);
    KB_BIND(ShowExplorerButton, ShowButton);
    KB_BIND(TestInstallButton, ShowButton);
    KB_BIND(LanguageLabel, ShowButton);
    KB_BIND(ComboBox1, ShowCombo);

    Bind("FilePicture", &FormModel::FilePicture, [this](QObject* target, const PictureBox& box) {
        ShowControl(target, box);
        ShowPicture(target, box.file);
    });
    Bind("StatusBar", &FormModel::StatusBar, [](QObject* target, const Edit& status) {
        auto* bar = static_cast<QStatusBar*>(target);
        if (bar->currentMessage() != Q(status.text))
            bar->showMessage(Q(status.text));
    });
}

#undef KB_BIND

void FormView::Sync() {
    if (syncing_)
        return;
    syncing_ = true;
    const FormModel& form = logic_.form;
    if (window_.windowTitle() != Q(form.caption))
        window_.setWindowTitle(Q(form.caption));
    for (const Binding& binding : bindings_) {
        const QSignalBlocker blocker(binding.target);
        binding.show(binding.target, form);
    }
    watch_->SetFolders(logic_.WatchedFolders());
    syncing_ = false;
}

// The picture is drawn unscaled from the top left corner (the label clips it); it is read again
// only when its file or the file's time changed.
void FormView::ShowPicture(QObject* target, const std::string& file) {
    auto* label = static_cast<QLabel*>(target);
    const QString path = Q(file);
    const QDateTime time = path.isEmpty() ? QDateTime() : QFileInfo(path).lastModified();
    if (path == pictureFile_ && time == pictureTime_)
        return;
    pictureFile_ = path;
    pictureTime_ = time;
    QPixmap pixmap;
    if (!path.isEmpty())
        pixmap.load(path);
    label->setPixmap(pixmap);
}

void FormView::Call(const std::function<void()>& handler, bool changesFiles) {
    // The window's own changes on disk are not reported back to it; whether they made the
    // check's result stale is asked once they are done.
    std::optional<FolderWatch::Pause> pause;
    if (changesFiles)
        pause.emplace(*watch_);
    try {
        handler();
    } catch (const std::exception& error) {
        ShowApplicationError(ui_, error.what());
    }
    if (pause && pause->Outermost())
        logic_.CheckIfStale();
    Sync();
}

void FormView::BindEvents() {
    // Buttons, indicators, pictures and menu items that start a handler when clicked. An
    // indicator does what its button does.
    const std::pair<const char*, Handler> clicks[] = {
        {"AddDesignerButton", &TMainForm::AddDesignerButtonClick},
        {"DeleteDesignerButton", &TMainForm::DeleteDesignerButtonClick},
        {"RenameDesignerButton", &TMainForm::RenameDesignerButtonClick},
        {"LicenseFileEdit", &TMainForm::LicenseFileEditClick},
        {"LicenseChecked", &TMainForm::LicenseFileEditClick},
        {"DesignerPdfButton", &TMainForm::DesignerPdfButtonClick},
        {"DesignerPdfChecked", &TMainForm::DesignerPdfButtonClick},
        {"DesignerHtmlButton", &TMainForm::DesignerHtmlButtonClick},
        {"DesignerHtmlChecked", &TMainForm::DesignerHtmlButtonClick},
        {"DesignerNextButton", &TMainForm::DesignerNextButtonClick},
        {"AddCollectionButton", &TMainForm::AddCollectionButtonClick},
        {"DeleteCollectionButton", &TMainForm::DeleteCollectionButtonClick},
        {"RenameCollectionButton", &TMainForm::RenameCollectionButtonClick},
        {"SetupImageButton", &TMainForm::LoadImageButtonClick},
        {"CollectionImageChecked", &TMainForm::LoadImageButtonClick},
        {"BeforeInstallReadme", &TMainForm::BeforeInstallReadmeClick},
        {"BeforeInstallReadmeChecked", &TMainForm::BeforeInstallReadmeClick},
        {"AfterInstallReadme", &TMainForm::AfterInstallReadmeClick},
        {"AfterInstallReadmeChecked", &TMainForm::AfterInstallReadmeClick},
        {"CollectionPdfButton", &TMainForm::CollectionPdfButtonClick},
        {"CollectionPdfChecked", &TMainForm::CollectionPdfButtonClick},
        {"CollectionHtmlButton", &TMainForm::CollectionHtmlButtonClick},
        {"CollectionHtmlChecked", &TMainForm::CollectionHtmlButtonClick},
        {"CollectionNextButton", &TMainForm::CollectionNextButtonClick},
        {"CollectionAddNameHelp", &TMainForm::CollectionAddNameHelpClick},
        {"CollectionDetailsHelp", &TMainForm::CollectionDetailsHelpClick},
        {"NewMacroButton", &TMainForm::NewMacroButtonClick},
        {"DeleteMacroButton", &TMainForm::DeleteMacroButtonClick},
        {"MacroPdfButton", &TMainForm::MacroPdfButtonClick},
        {"MacroPdfChecked", &TMainForm::MacroPdfButtonClick},
        {"MacroHtmlButton", &TMainForm::MacroHtmlButtonClick},
        {"MacroHtmlChecked", &TMainForm::MacroHtmlButtonClick},
        {"GarmentNextButton", &TMainForm::GarmentNextButtonClick},
        {"CheckMmtButton", &TMainForm::CheckMacroButtonClick},
        {"ScanMeasureWarning", &TMainForm::CheckMacroButtonClick},
        {"MmtPdfButton", &TMainForm::MmtPdfButtonClick},
        {"MmtPdfChecked", &TMainForm::MmtPdfButtonClick},
        {"MmtHtmlButton", &TMainForm::MmtHtmlButtonClick},
        {"MmtHtmlChecked", &TMainForm::MmtHtmlButtonClick},
        {"MeasuresNextButton", &TMainForm::MeasuresNextButtonClick},
        {"AddMtbButton", &TMainForm::AddMtbButtonClick},
        {"CheckMacroButton", &TMainForm::CheckMacroButtonClick},
        {"MissingFilesChecked", &TMainForm::CheckMacroButtonClick},
        {"MacroNextButton", &TMainForm::MacroNextButtonClick},
        {"MissingFilesDetailsButton", &TMainForm::MissingFilesDetailsClick},
        {"ShowExplorerButton", &TMainForm::ShowExplorerButtonClick},
        {"TestInstallButton", &TMainForm::TestInstallButtonClick},
        {"FilePicture", &TMainForm::PictureClick},
        {"Quit1", &TMainForm::Quit1Click},
        {"Ftp1", &TMainForm::Ftp1Click},
        {"Create1", &TMainForm::Create1Click},
        {"Help2", &TMainForm::Help2Click},
        {"AboutMenu1", &TMainForm::AboutMenu1Click},
        {"Undo1", &TMainForm::Undo1Click},
    };
    for (const auto& [name, handler] : clicks) {
        const auto run = [this, handler = handler] {
            Call([this, handler] { (logic_.*handler)(); });
        };
        if (auto* action = window_.findChild<QAction*>(QLatin1String(name))) {
            QObject::connect(action, &QAction::triggered, &context_, run);
        } else if (auto* button = window_.findChild<QAbstractButton*>(QLatin1String(name))) {
            QObject::connect(button, &QAbstractButton::clicked, &context_, run);
        } else if (auto* text = window_.findChild<QPlainTextEdit*>(QLatin1String(name))) {
            Hook(OnEvent(text->viewport(), QEvent::MouseButtonRelease, run));
        } else {
            Hook(OnEvent(window_.Control(QLatin1String(name)), QEvent::MouseButtonRelease, run));
        }
    }
    auto* fileText = window_.Control<QPlainTextEdit>(QStringLiteral("FileText"));
    Hook(OnEvent(fileText->viewport(), QEvent::MouseButtonDblClick,
                 [this] { Call([this] { logic_.FileTextDblClick(); }); }));
    // Typed characters that the logic refuses (on the Create tab) never reach the editor.
    Hook(FilterKeys(fileText, [this](const QKeyEvent& key) {
        return !key.text().isEmpty() && !logic_.FileTextKeyPress();
    }));
}

void FormView::BindValueEvents() {
    FormModel& form = logic_.form;
    const auto editable = [&](const char* name, ComboBox& model, Handler handler) {
        QObject::connect(window_.Control<QComboBox>(QLatin1String(name)),
                         &QComboBox::editTextChanged, &context_,
                         [this, &model, handler](const QString& t) {
                             model.text = t.toStdString();
                             Call([this, handler] { (logic_.*handler)(); });
                         });
    };
    editable("DesignerCombo", form.DesignerCombo, &TMainForm::DesignerComboChange);
    editable("CollectionCombo", form.CollectionCombo, &TMainForm::CollectionComboChange);

    const auto fixed = [&](const char* name, ComboBox& model, Handler handler) {
        QObject::connect(window_.Control<QComboBox>(QLatin1String(name)),
                         &QComboBox::currentIndexChanged, &context_,
                         [this, &model, handler](int index) {
                             model.Select(index);
                             Call([this, handler] { (logic_.*handler)(); });
                         });
    };
    fixed("MacroSource", form.MacroSource, &TMainForm::MacroSourceChange);
    fixed("ComboBox1", form.ComboBox1, &TMainForm::ComboBox1Change);

    const auto list = [&](const char* name, ListBox& model, Handler handler) {
        QObject::connect(window_.Control<QListWidget>(QLatin1String(name)),
                         &QListWidget::currentRowChanged, &context_,
                         [this, &model, handler](int row) {
                             model.selected = row;
                             Call([this, handler] { (logic_.*handler)(); });
                         });
    };
    list("MacroList", form.MacroList, &TMainForm::MacroListClick);
    list("MmtList", form.MmtList, &TMainForm::MmtListClick);

    // One-line edits: the typed text goes into the model at once; the web site also saves it.
    const auto line = [&](const char* name, Edit& model, Handler changed) {
        QObject::connect(window_.Control<QLineEdit>(QLatin1String(name)), &QLineEdit::textEdited,
                         &context_, [this, &model, changed](const QString& t) {
                             model.text = t.toStdString();
                             if (changed != nullptr)
                                 Call([this, changed] { (logic_.*changed)(); });
                         });
    };
    line("WebsiteEdit", form.WebsiteEdit, &TMainForm::WebsiteEditChange);
    line("PasswordEdit", form.PasswordEdit, nullptr);
    line("CollectionVersionEdit", form.CollectionVersionEdit, nullptr);

    auto* fileText = window_.Control<QPlainTextEdit>(QStringLiteral("FileText"));
    QObject::connect(fileText, &QPlainTextEdit::textChanged, &context_, [this, fileText] {
        logic_.form.FileText.text = ToCrLf(fileText->toPlainText());
        Call([this] { logic_.FileTextChange(); });
    });

    QObject::connect(window_.Tabs(), &QTabWidget::currentChanged, &context_, [this](int index) {
        logic_.form.Tabs.active = Tab(index);
        Call([this] { logic_.TabsChange(); });
    });
}

// Tab and Shift+Tab move the focus out of every multi-line text, and a key pressed with Alt or
// the system key is a shortcut, never a character: nothing reaches a file by a stray key. (Ctrl
// with Alt stays a character: Windows reports AltGr so.) An item text that is only the
// placeholder sentence is selected whole on entry, so that typing replaces it.
void FormView::GuardEditors() {
    const auto shortcutKey = [](const QKeyEvent& key) {
        const Qt::KeyboardModifiers modifiers = key.modifiers();
        return !key.text().isEmpty() && (modifiers & (Qt::AltModifier | Qt::MetaModifier)) &&
               !(modifiers & Qt::ControlModifier);
    };
    for (auto* text : window_.findChildren<QPlainTextEdit*>()) {
        text->setTabChangesFocus(true);
        Hook(FilterKeys(text, shortcutKey));
    }
    for (auto* line : window_.findChildren<QLineEdit*>())
        Hook(FilterKeys(line, shortcutKey));
    // An editable list box passes its keys straight to its edit, past the edit's filter.
    for (auto* combo : window_.findChildren<QComboBox*>())
        Hook(FilterKeys(combo, shortcutKey));

    auto* fileText = window_.Control<QPlainTextEdit>(QStringLiteral("FileText"));
    // After the focus event: a click places the cursor first, and would undo the selection.
    Hook(OnEvent(fileText, QEvent::FocusIn, [this, fileText] {
        QTimer::singleShot(0, fileText, [this, fileText] {
            const std::string& placeholder = logic_.form.FileText.placeholder;
            if (fileText->hasFocus() && !placeholder.empty() &&
                fileText->toPlainText() == FromCrLf(placeholder))
                fileText->selectAll();
        });
    }));
}

// Entering and leaving a control counts only between controls of the main window: focus that
// goes to a dialog or another program and comes back is no exit and no entry.
void FormView::BindFocusEvents() {
    struct Watch {
        QWidget* control;
        Handler enter;
        Handler exit;
    };
    std::vector<Watch> watches = {
        {window_.Control(QStringLiteral("FileText")), &TMainForm::FileTextEnter,
         &TMainForm::FileTextExit},
        {window_.Control(QStringLiteral("CollectionCombo")), &TMainForm::CollectionComboEnter,
         nullptr},
        {window_.Control(QStringLiteral("WebsiteEdit")), nullptr, &TMainForm::WebsiteEditExit},
        {window_.Control(QStringLiteral("PasswordEdit")), nullptr, &TMainForm::PasswordEditExit},
        {window_.Control(QStringLiteral("CollectionVersionEdit")), nullptr,
         &TMainForm::CollectionVersionEditExit},
    };
    QObject::connect(qApp, &QApplication::focusChanged, &context_,
                     [this, watches](QWidget* from, QWidget* to) {
                         if (syncing_ || from == nullptr || to == nullptr)
                             return;
                         if (from->window() != &window_ || to->window() != &window_)
                             return;
                         const auto inside = [](QWidget* w, QWidget* control) {
                             return w == control || control->isAncestorOf(w);
                         };
                         // The control left first, then the one entered.
                         for (const Watch& watch : watches) {
                             if (watch.exit != nullptr && inside(from, watch.control) &&
                                 !inside(to, watch.control)) {
                                 Call([this, h = watch.exit] { (logic_.*h)(); });
                             }
                         }
                         for (const Watch& watch : watches) {
                             if (watch.enter != nullptr && inside(to, watch.control) &&
                                 !inside(from, watch.control)) {
                                 Call([this, h = watch.enter] { (logic_.*h)(); });
                             }
                         }
                     });
}

// Changes on disk, files dropped from a file manager, and the picture worked from the keyboard.
void FormView::BindFileEvents() {
    watch_ =
        std::make_unique<FolderWatch>([this] { Call([this] { logic_.FilesChangedOnDisk(); }); });
    auto* list = window_.Control<QListWidget>(QStringLiteral("MacroList"));
    Hook(AcceptFileDrops(
        list->viewport(),
        [this](const DroppedFiles& files) { return logic_.AcceptsGarmentDrop(files); },
        [this](const DroppedFiles& files) {
            Call([this, files] { logic_.DropGarments(files); });
        }));
    const auto panelAccepts = [this](const DroppedFiles& files) {
        return files.size() == 1 && logic_.AcceptsPanelDrop(files.front());
    };
    const auto panelDropped = [this](const DroppedFiles& files) {
        Call([this, file = files.front()] { logic_.DropOnPanel(file); });
    };
    auto* fileText = window_.Control<QPlainTextEdit>(QStringLiteral("FileText"));
    Hook(
        AcceptFileDrops(window_.Control(QStringLiteral("RightPanel")), panelAccepts, panelDropped));
    Hook(AcceptFileDrops(fileText->viewport(), panelAccepts, panelDropped));
    Hook(OnActivationKey(window_.Control(QStringLiteral("FilePicture")),
                         [this] { Call([this] { logic_.PictureClick(); }); }));
}

}  // namespace kb
