#include "app/ui/accessibility.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>

#include "app/ui/main_window.h"
#include "app/ui/ui_events.h"

namespace kb {
namespace {

constexpr const char* kAccessKeyProperty = "kbAccessKey";

// Access keys: the letter of the caption that is marked. The tabs and the Help menu hold their
// keys everywhere in the window; within a page the keys differ from those and from each other
// (controls on hidden pages take no keys).
const std::pair<const char*, char> kAccessKeys[] = {
    {"DesignerTab", 'D'},
    {"CollectionTab", 'C'},
    {"GarmentTab", 'G'},
    {"MmtTab", 'M'},
    {"CreateTab", 'r'},
    {"Help1", 'H'},
    {"Help2", 'H'},
    {"AboutMenu1", 'A'},
    {"Quit1", 'Q'},
    {"DesignerLabel", 'a'},
    {"WebSiteLabel", 'W'},
    {"LicenseFileEdit", 'L'},
    {"DesignerPdfButton", 'P'},
    {"DesignerHtmlButton", 'T'},
    {"DesignerNextButton", 'N'},
    {"ActiveCollectionLabel", 'a'},
    {"PasswordLabel", 'w'},
    {"SetupImageButton", 'i'},
    {"BeforeInstallReadme", 'B'},
    {"AfterInstallReadme", 'f'},
    {"CollectionPdfButton", 'P'},
    {"CollectionHtmlButton", 'T'},
    {"CollectionNextButton", 'N'},
    {"SourceLabel", 'S'},
    {"MacrosLabel", 'a'},
    {"MacroPdfButton", 'P'},
    {"MacroHtmlButton", 'T'},
    {"GarmentNextButton", 'N'},
    {"MmtListLabel", 'b'},
    {"MmtPdfButton", 'P'},
    {"MmtHtmlButton", 'T'},
    {"MeasuresNextButton", 'N'},
    {"MissingFilesLabel", 'F'},
    {"MissingFilesDetailsButton", 'l'},
    {"CollectionVersionLabel", 'V'},
    {"MacroNextButton", 'S'},
    {"ShowExplorerButton", 'u'},
    {"TestInstallButton", 'T'},
};

// Labels and the fields they name (the field's accessible name is the label's text).
const std::pair<const char*, const char*> kBuddies[] = {
    {"DesignerLabel", "DesignerCombo"},
    {"WebSiteLabel", "WebsiteEdit"},
    {"ActiveCollectionLabel", "CollectionCombo"},
    {"PasswordLabel", "PasswordEdit"},
    {"SourceLabel", "MacroSource"},
    {"MacrosLabel", "MacroList"},
    {"MmtListLabel", "MmtList"},
    {"MtbListLabel", "UsedMmtsList"},
    {"MissingFilesLabel", "MacroCheckMemo"},
    {"CollectionVersionLabel", "CollectionVersionEdit"},
    {"LanguageLabel", "ComboBox1"},
};

// Controls that show no label of their own. (Icon buttons are named by their hints.)
const std::pair<const char*, const char*> kNames[] = {
    {"DesignerAddNameHelp", "Designer help"},
    {"DesignerDetailsHelp", "Designer support files help"},
    {"CollectionAddNameHelp", "Collection help"},
    {"CollectionDetailsHelp", "Collection support files help"},
    {"MacroListHelp", "Garment help"},
    {"MmtListHelp", "Measurement table help"},
    {"UsedMmtHelp", "Used measurement tables help"},
    {"MacroMissingHelp", "Missing files help"},
    {"CreateSetupHelp", "Create Setup help"},
    {"FilePicture", "Item picture"},
    {"FileText", "Item description"},
    {"TabStrip", "Wizard steps"},
};

}  // namespace

void MakeAccessible(MainWindow& window) {
    for (const auto& [name, key] : kAccessKeys) {
        QObject* control = window.findChild<QAction*>(QLatin1String(name));
        if (control == nullptr)
            control = window.Control(QLatin1String(name));
        control->setProperty(kAccessKeyProperty, QChar::fromLatin1(key));
    }
    for (const auto& [label, field] : kBuddies)
        window.Control<QLabel>(QLatin1String(label))
            ->setBuddy(window.Control(QLatin1String(field)));
    for (const auto& [name, text] : kNames)
        window.Control(QLatin1String(name))->setAccessibleName(QString::fromUtf8(text));
    // The picture takes the focus like a button; Enter opens its chooser (see OnActivationKey).
    window.Control(QStringLiteral("FilePicture"))->setFocusPolicy(Qt::StrongFocus);
}

QString WithAccessKey(const QObject* control, const QString& caption) {
    const QChar key = control->property(kAccessKeyProperty).toChar();
    if (key.isNull())
        return caption;
    QString marked = caption;
    marked.replace(QLatin1Char('&'), QStringLiteral("&&"));
    qsizetype at = marked.indexOf(key);
    if (at < 0)
        at = marked.indexOf(key, 0, Qt::CaseInsensitive);
    if (at >= 0)
        marked.insert(at, QLatin1Char('&'));
    return marked;
}

QObject* OnActivationKey(QWidget* control, std::function<void()> action) {
    return FilterKeys(control, [action = std::move(action)](const QKeyEvent& key) {
        // Enter of the number pad comes with the keypad modifier.
        const bool activates = (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
                               (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter ||
                                key.key() == Qt::Key_Space);
        if (activates)
            action();
        return activates;
    });
}

}  // namespace kb
