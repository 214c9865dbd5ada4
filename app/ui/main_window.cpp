#include "app/ui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "app/ui/accessibility.h"
#include "app/ui/drawn_pictures.h"
#include "app/ui/hints.h"
#include "app/ui/textured_page.h"
#include "app/ui/ui_events.h"

namespace kb {
namespace {

constexpr int kClientWidth = 773;
constexpr int kClientHeight = 508;
constexpr int kStatusBarHeight = 19;
constexpr int kPanelWidth = 252;
constexpr int kPictureSize = 250;
constexpr int kIndicatorSize = 16;
const QSize kLargeButton(64, 56);
const QSize kIconButton(28, 28);
const QRect kNextButton(430, 432, 74, 24);

template <typename T>
T* Named(T* control, const char* name, const QRect& geometry) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

QLabel* AddLabel(QWidget* page, const char* name, const QRect& geometry) {
    return Named(new QLabel(page), name, geometry);
}

QLineEdit* AddEdit(QWidget* page, const char* name, const QRect& geometry) {
    return Named(new QLineEdit(page), name, geometry);
}

QComboBox* AddCombo(QWidget* page, const char* name, const QRect& geometry, bool editable) {
    auto* combo = Named(new QComboBox(page), name, geometry);
    combo->setEditable(editable);
    if (editable) {
        // The window logic keeps the entries and their order; the box neither inserts typed
        // texts nor completes them (completion would change the letter case of a typed name).
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
    }
    return combo;
}

QToolButton* AddIconButton(QWidget* page, const char* name, IconKind icon, QPoint at) {
    auto* button = Named(new QToolButton(page), name, QRect(at, kIconButton));
    button->setIcon(ButtonIcon(icon));
    button->setIconSize(QSize(20, 20));
    return button;
}

// A large icon button with its caption under the picture (the caption comes from the logic).
QToolButton* AddLargeButton(QWidget* page, const char* name, IconKind icon, QPoint at) {
    auto* button = Named(new QToolButton(page), name, QRect(at, kLargeButton));
    button->setIcon(ButtonIcon(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    return button;
}

// A missing-file indicator; its hint shows in the status bar only.
QLabel* AddIndicator(QWidget* parent, const char* name, QPoint at) {
    auto* indicator =
        Named(new QLabel(parent), name, QRect(at, QSize(kIndicatorSize, kIndicatorSize)));
    indicator->setPixmap(WarningIndicator());
    SetStatusBarOnly(indicator);
    return indicator;
}

// Beside the lower right corner of a button.
QLabel* AddButtonIndicator(QWidget* page, const char* name, const QWidget* button) {
    const QRect r = button->geometry();
    return AddIndicator(page, name, QPoint(r.right() + 2, r.bottom() - kIndicatorSize + 1));
}

QToolButton* AddLargeButtonWithIndicator(QWidget* page, const char* name, const char* indicator,
                                         IconKind icon, QPoint at) {
    QToolButton* button = AddLargeButton(page, name, icon, at);
    AddButtonIndicator(page, indicator, button);
    return button;
}

QPlainTextEdit* AddHelpText(QWidget* page, const char* name, const QRect& geometry) {
    auto* help = Named(new QPlainTextEdit(page), name, geometry);
    help->setFrameShape(QFrame::NoFrame);
    help->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    help->viewport()->setAutoFillBackground(false);
    help->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    return help;
}

QPushButton* AddButton(QWidget* page, const char* name, const QRect& geometry) {
    return Named(new QPushButton(page), name, geometry);
}

// The Next buttons show their hints in the status bar only.
void AddNextButton(QWidget* page, const char* name) {
    SetStatusBarOnly(AddButton(page, name, kNextButton));
}

QListWidget* AddList(QWidget* page, const char* name, const QRect& geometry) {
    return Named(new QListWidget(page), name, geometry);
}

struct NameRow {
    const char* label;
    const char* combo;
    const char* add;
    const char* remove;
    const char* rename;
    const char* help;
};

// The top of the Designer and Collection tabs: the name list with its create, delete and rename
// buttons, and the help text below them.
void AddNameRow(QWidget* page, const NameRow& row) {
    AddLabel(page, row.label, QRect(16, 12, 200, 16));
    AddCombo(page, row.combo, QRect(16, 30, 262, 24), true);
    AddIconButton(page, row.add, IconKind::Add, QPoint(286, 28));
    AddIconButton(page, row.remove, IconKind::Delete, QPoint(318, 28));
    AddIconButton(page, row.rename, IconKind::Rename, QPoint(350, 28));
    AddHelpText(page, row.help, QRect(16, 64, 488, 138));
}

QMenu* AddMenu(QMenuBar* bar, const char* name) {
    QMenu* menu = bar->addMenu(QString());
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

QAction* AddItem(QWidget* menu, const char* name) {
    auto* action = new QAction(menu);
    action->setObjectName(QLatin1String(name));
    menu->addAction(action);
    return action;
}

}  // namespace

MainWindow::MainWindow() {
    setObjectName(QStringLiteral("MainForm"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(220, 220, 220));
    setPalette(palette);

    BuildMenu();

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* row = new QHBoxLayout(client);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    tabs_ = new QTabWidget(client);
    tabs_->setObjectName(QStringLiteral("Tabs"));
    tabs_->tabBar()->setObjectName(QStringLiteral("TabStrip"));
    tabs_->setStyleSheet(
        QStringLiteral("QTabWidget { background: rgb(196,196,196); }"
                       "QTabBar { font-weight: bold; }"));
    SetStatusBarOnly(tabs_->tabBar());
    const char* pages[] = {"DesignerTab", "CollectionTab", "GarmentTab", "MmtTab", "CreateTab"};
    for (const char* name : pages) {
        auto* page = new TexturedPage;
        page->setObjectName(QLatin1String(name));
        tabs_->addTab(page, QString());
    }
    BuildDesignerTab(tabs_->widget(0));
    BuildCollectionTab(tabs_->widget(1));
    BuildGarmentTab(tabs_->widget(2));
    BuildMeasuresTab(tabs_->widget(3));
    BuildCreateTab(tabs_->widget(4));

    // The tab control takes the width beyond the panel, which keeps to the right edge.
    row->addWidget(tabs_, 1);
    row->addWidget(BuildPanel(), 0);
    client->setMinimumSize(kClientWidth, kClientHeight - kStatusBarHeight);
    // On a screen too small for the form (a small one, or one with large scaling) the form
    // keeps its layout and scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ClientScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);  // the focus goes to the controls, which it scrolls to
    scroll->setWidgetResizable(true);
    scroll->setWidget(client);
    setCentralWidget(scroll);

    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setFixedHeight(kStatusBarHeight);
    statusBar()->setSizeGripEnabled(false);

    MakeAccessible(*this);
    FitScreen();
}

// The menu's captions come after the window was built: its size is known when it first shows.
void MainWindow::showEvent(QShowEvent* event) {
    if (!fitted_) {
        fitted_ = true;
        FitScreen();
    }
    QMainWindow::showEvent(event);
}

// The form's own size where the screen holds it (with room for the window's frame), else the
// screen's available area.
void MainWindow::FitScreen() {
    const QWidget* client = Control(QStringLiteral("ClientArea"));
    const QSize form = client->minimumSize().expandedTo(client->minimumSizeHint()) +
                       QSize(0, menuBar()->sizeHint().height() + kStatusBarHeight);
    const QSize frame(16, 48);
    QSize size = form;
    if (const QScreen* shown = screen())
        size = form.boundedTo(shown->availableGeometry().size() - frame);
    resize(size);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        auto closing = std::move(closing_);
        closing_ = nullptr;
        closing();
    }
    event->accept();
}

void MainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    QMenu* file = AddMenu(bar, "File1");
    // The File menu's items other than Quit have no action and no state in the logic.
    AddItem(file, "New1")->setText(QStringLiteral("New"));
    AddItem(file, "Load1")->setText(QStringLiteral("Load"));
    AddItem(file, "Save1")->setText(QStringLiteral("Save"));
    file->addSeparator();
    AddItem(file, "Configure1")->setText(QStringLiteral("Configure"));
    file->addSeparator();
    AddItem(file, "Quit1");
    AddItem(bar, "Ftp1");
    AddItem(bar, "Create1");
    QMenu* edit = AddMenu(bar, "Edit1");
    AddItem(edit, "Undo1")->setShortcut(QKeySequence::Undo);
    QMenu* help = AddMenu(bar, "Help1");
    AddItem(help, "Help2");
    AddItem(help, "AboutMenu1");
}

QWidget* MainWindow::BuildPanel() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("RightPanel"));
    panel->setFixedWidth(kPanelWidth);
    auto* picture = AddLabel(panel, "FilePicture", QRect(1, 1, kPictureSize, kPictureSize));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setAutoFillBackground(true);
    picture->setStyleSheet(
        QStringLiteral("QLabel { background: palette(base); }"
                       "QLabel:focus { border: 2px solid palette(highlight); }"));
    auto* text =
        Named(new QPlainTextEdit(panel), "FileText", QRect(1, kPictureSize + 3, kPictureSize, 232));
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* pictureChecked = AddIndicator(panel, "FilePictureChecked", QPoint());
    auto* textChecked = AddIndicator(panel, "FileTextChecked", QPoint());
    // The editor fills the panel's height; the indicators sit at the lower right corners.
    OnEvent(panel, QEvent::Resize, [=] {
        text->setGeometry(1, kPictureSize + 3, kPictureSize, panel->height() - kPictureSize - 4);
        const QRect p = picture->geometry();
        pictureChecked->move(p.right() - kIndicatorSize - 1, p.bottom() - kIndicatorSize - 1);
        const QRect t = text->geometry();
        textChecked->move(t.right() - kIndicatorSize - 18, t.bottom() - kIndicatorSize - 1);
    });
    return panel;
}

void MainWindow::BuildDesignerTab(QWidget* page) {
    AddNameRow(page, {"DesignerLabel", "DesignerCombo", "AddDesignerButton", "DeleteDesignerButton",
                      "RenameDesignerButton", "DesignerAddNameHelp"});
    AddLabel(page, "WebSiteLabel", QRect(16, 214, 120, 16));
    AddIndicator(page, "WebsiteChecked",
                 AddEdit(page, "WebsiteEdit", QRect(140, 210, 284, 24))->geometry().topRight() +
                     QPoint(6, 4));
    AddHelpText(page, "DesignerDetailsHelp", QRect(16, 246, 400, 180));
    AddLargeButtonWithIndicator(page, "LicenseFileEdit", "LicenseChecked", IconKind::License,
                                QPoint(430, 246));
    AddLargeButtonWithIndicator(page, "DesignerPdfButton", "DesignerPdfChecked", IconKind::Pdf,
                                QPoint(430, 308));
    AddLargeButtonWithIndicator(page, "DesignerHtmlButton", "DesignerHtmlChecked", IconKind::Html,
                                QPoint(430, 370));
    AddNextButton(page, "DesignerNextButton");
}

void MainWindow::BuildCollectionTab(QWidget* page) {
    AddNameRow(page, {"ActiveCollectionLabel", "CollectionCombo", "AddCollectionButton",
                      "DeleteCollectionButton", "RenameCollectionButton", "CollectionAddNameHelp"});
    AddLabel(page, "PasswordLabel", QRect(16, 214, 120, 16));
    SetStatusBarOnly(AddEdit(page, "PasswordEdit", QRect(140, 210, 284, 24)));
    AddHelpText(page, "CollectionDetailsHelp", QRect(16, 246, 322, 210));
    AddLargeButtonWithIndicator(page, "SetupImageButton", "CollectionImageChecked",
                                IconKind::Picture, QPoint(346, 246));
    AddLargeButtonWithIndicator(page, "BeforeInstallReadme", "BeforeInstallReadmeChecked",
                                IconKind::ReadmeBefore, QPoint(430, 246));
    AddLargeButtonWithIndicator(page, "AfterInstallReadme", "AfterInstallReadmeChecked",
                                IconKind::ReadmeAfter, QPoint(346, 308));
    AddLargeButtonWithIndicator(page, "CollectionPdfButton", "CollectionPdfChecked", IconKind::Pdf,
                                QPoint(430, 308));
    AddLargeButtonWithIndicator(page, "CollectionHtmlButton", "CollectionHtmlChecked",
                                IconKind::Html, QPoint(346, 370));
    AddNextButton(page, "CollectionNextButton");
}

void MainWindow::BuildGarmentTab(QWidget* page) {
    AddLabel(page, "SourceLabel", QRect(16, 12, 160, 16));
    AddCombo(page, "MacroSource", QRect(16, 30, 160, 24), false);
    AddHelpText(page, "MacroListHelp", QRect(200, 10, 304, 150));
    AddLabel(page, "MacrosLabel", QRect(16, 168, 100, 16));
    AddIndicator(page, "GarmentExistsCheck", QPoint(120, 168));
    AddList(page, "MacroList", QRect(16, 186, 300, 240));
    AddIconButton(page, "NewMacroButton", IconKind::AddGarment, QPoint(324, 186));
    AddIconButton(page, "DeleteMacroButton", IconKind::RemoveGarment, QPoint(324, 220));
    AddLargeButtonWithIndicator(page, "MacroPdfButton", "MacroPdfChecked", IconKind::Pdf,
                                QPoint(370, 186));
    AddLargeButtonWithIndicator(page, "MacroHtmlButton", "MacroHtmlChecked", IconKind::Html,
                                QPoint(370, 248));
    AddNextButton(page, "GarmentNextButton");
}

void MainWindow::BuildMeasuresTab(QWidget* page) {
    AddLabel(page, "MeasuresLabel1", QRect(16, 10, 300, 16));
    AddLabel(page, "MeasuresLabel2", QRect(16, 26, 300, 16));
    AddHelpText(page, "MmtListHelp", QRect(16, 48, 488, 100));
    AddLabel(page, "MmtListLabel", QRect(16, 156, 250, 16));
    AddList(page, "MmtList", QRect(16, 174, 300, 250));
    AddLargeButtonWithIndicator(page, "CheckMmtButton", "ScanMeasureWarning", IconKind::Scan,
                                QPoint(324, 174));
    AddLargeButtonWithIndicator(page, "MmtPdfButton", "MmtPdfChecked", IconKind::Pdf,
                                QPoint(420, 174));
    AddLargeButtonWithIndicator(page, "MmtHtmlButton", "MmtHtmlChecked", IconKind::Html,
                                QPoint(420, 236));
    AddNextButton(page, "MeasuresNextButton");
    // Kept for a later version of the window; the logic never shows them.
    AddLabel(page, "MtbListLabel", QRect(16, 300, 200, 16));
    AddHelpText(page, "UsedMmtHelp", QRect(16, 316, 200, 30));
    AddList(page, "UsedMmtsList", QRect(16, 346, 200, 60));
    AddIconButton(page, "AddMtbButton", IconKind::Add, QPoint(224, 346));
    AddIconButton(page, "DeleteMtbButton", IconKind::Delete, QPoint(224, 378));
}

void MainWindow::BuildCreateTab(QWidget* page) {
    AddHelpText(page, "MacroMissingHelp", QRect(16, 10, 488, 76));
    AddLabel(page, "MissingFilesLabel", QRect(16, 92, 200, 16));
    auto* memo = Named(new QPlainTextEdit(page), "MacroCheckMemo", QRect(16, 110, 400, 200));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    AddLargeButtonWithIndicator(page, "CheckMacroButton", "MissingFilesChecked", IconKind::Scan,
                                QPoint(430, 110));
    AddButton(page, "MissingFilesDetailsButton", QRect(430, 286, 74, 24));
    AddLabel(page, "CollectionVersionLabel", QRect(16, 324, 120, 16));
    AddEdit(page, "CollectionVersionEdit", QRect(140, 320, 120, 24));
    AddHelpText(page, "CreateSetupHelp", QRect(16, 352, 400, 76));
    AddButton(page, "MacroNextButton", QRect(300, 432, 110, 24));
    AddButton(page, "ShowExplorerButton", QRect(416, 432, 88, 24));
    AddButton(page, "TestInstallButton", QRect(194, 432, 100, 24));
    // Kept for a later version of the window; the logic never shows them.
    AddLabel(page, "LanguageLabel", QRect(260, 324, 100, 16));
    AddCombo(page, "ComboBox1", QRect(360, 320, 120, 24), false);
}

}  // namespace kb
