// The main form's right-hand panel and the support files attached to the items: pictures,
// descriptions, documents, installer texts, and the web site, password and version fields.
#include "app/logic/main_form.h"
#include "app/logic/picture_input.h"
#include "app/logic/scoped_value.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

// The editor holds its lines with CR LF breaks, the form in which they are saved.
std::string WithCrLf(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            result += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace

void TMainForm::ShowItemInPanel(const std::string& base, const std::string& defaultPicture,
                                const std::string& defaultText, const std::string& pictureHint,
                                const std::string& textHint) {
    Handle([&] {
        // What the editor held belongs to the item shown before; it was saved as typed.
        ItemTextDirty = false;
        panelTextFile_ = base.empty() ? std::string() : base + ".txt";
        form.FilePicture.hint = pictureHint;
        form.FileText.hint = textHint;
        form.FileText.readOnly = false;

        // Looking writes nothing: the file is read into the editor, never written back.
        bool textShown = false;
        std::string textFile = base.empty() ? std::string() : base + ".txt";
        if (!textFile.empty() && FileExists(textFile)) {
            std::string content = ReadTextFile(textFile);
            ShowFileText(content);
            textShown = !content.empty() && content != defaultText;
        }
        form.FileTextChecked.visible = !textShown;
        if (!textShown) {
            ScopedValue<int> defaultTag(form.FileText.tag, 1);
            ShowFileText(defaultText);
        }
        form.FileText.placeholder = defaultText;

        std::string picture = base.empty() ? std::string() : base + ".jpg";
        bool pictureShown = !picture.empty() && FileExists(picture) && ui_.PictureReadable(picture);
        form.FilePictureChecked.visible = !pictureShown;
        if (pictureShown)
            form.FilePicture.file = picture;
        else if (FileExists(defaultPicture) && ui_.PictureReadable(defaultPicture))
            form.FilePicture.file = defaultPicture;
        else
            form.FilePicture.file.clear();

        form.FileText.enabled = true;
        form.FileText.readOnly = false;
    });
}

void TMainForm::PutFileText(const std::string& text, const std::string& target) {
    std::string shown = WithCrLf(text);
    if (shown == form.FileText.text)
        return;
    form.FileText.text = std::move(shown);
    FileTextChanged(target);
}

// Puts a file's text into the editor as it is shown, with nothing saved: the text counts as
// unchanged until the person edits it.
void TMainForm::ShowFileText(const std::string& text) {
    form.FileText.text = WithCrLf(text);
    panelTextShown_ = form.FileText.text;
}

void TMainForm::FileTextChange() {
    Handle([&] {
        form.FileText.text = WithCrLf(form.FileText.text);
        FileTextChanged(panelTextFile_);
    });
}

// The editor's text changed: saved at once to target, unless the default text is being put in.
void TMainForm::FileTextChanged(const std::string& target) {
    RefreshActiveTab(false);
    if (form.FileText.tag == 1) {
        form.FileTextChecked.visible = true;
        return;
    }
    if (!target.empty() && form.FileText.text != panelTextShown_) {
        WriteTextFile(target, form.FileText.text);
        panelTextShown_ = form.FileText.text;
    }
    form.FileTextChecked.visible = false;
}

void TMainForm::SaveItemText() {
    Handle([&] {
        if (!ItemTextDirty)
            return;
        ItemTextDirty = false;
        const std::string& target = panelTextFile_;
        // Only a text the person changed is written: entering and leaving the editor is no edit.
        if (!target.empty() && !StripExtension(target, true).empty() &&
            form.FileText.text != panelTextShown_) {
            WriteTextFile(target, form.FileText.text);
            panelTextShown_ = form.FileText.text;
        }
        if (form.FileText.focused)
            ItemTextDirty = true;
    });
}

void TMainForm::ReleasePanelText(bool keep) {
    if (keep)
        SaveItemText();
    ItemTextDirty = false;
    panelTextFile_.clear();
}

void TMainForm::FileTextEnter() {
    Handle([&] {
        form.FileText.focused = true;
        ItemTextDirty = true;
    });
}

void TMainForm::FileTextExit() {
    Handle([&] {
        form.FileText.focused = false;
        SaveItemText();
    });
}

bool TMainForm::FileTextKeyPress() {
    return form.Tabs.active != Tab::Create;
}

void TMainForm::FileTextDblClick() {
    Handle([&] {
        Tab tab = form.Tabs.active;
        if (tab == Tab::Create)
            return;
        std::optional<std::string> picked = Choose(form.OpenFileText);
        if (!picked)
            return;
        std::string target = ItemFile(tab, "txt");
        std::string content = ReadTextFile(*picked);
        // Designer and collection texts are copied first and then shown (and so saved from the
        // editor); garment and table texts end as exact copies of the picked file.
        bool copyLast = tab == Tab::Garment || tab == Tab::Measures;
        if (!copyLast && !target.empty())
            CopyFile(*picked, target, true);
        PutFileText(content, target);
        if (copyLast && !target.empty())
            CopyFile(*picked, target, true);
        form.FileTextChecked.visible = false;
    });
}

void TMainForm::PictureClick() {
    Handle([&] {
        Tab tab = form.Tabs.active;
        std::string target = tab == Tab::Create ? std::string() : ItemFile(tab, "jpg");
        if (target.empty())
            return;
        // The chooser opens where the item's picture is.
        form.FilePictureDialog.folder = FolderOf(target);
        std::optional<std::string> picked = Choose(form.FilePictureDialog);
        if (!picked)
            return;
        CopyFile(*picked, target, true);
        RefreshActiveTab(true);
    });
}

void TMainForm::AttachDocument(Tab tab, FileChooser& chooser, const std::string& extension) {
    Handle([&] {
        std::string target = ItemFile(tab, extension);
        if (target.empty())
            return;
        std::optional<std::string> picked = Choose(chooser);
        if (!picked)
            return;
        CopyFile(*picked, target, true);
        RefreshActiveTab(true);
    });
}

void TMainForm::DesignerPdfButtonClick() {
    AttachDocument(Tab::Designer, form.OpenDesignerPdf, "pdf");
}
void TMainForm::DesignerHtmlButtonClick() {
    AttachDocument(Tab::Designer, form.OpenDesignerHtml, "html");
}
void TMainForm::CollectionPdfButtonClick() {
    AttachDocument(Tab::Collection, form.OpenCollectionPdf, "pdf");
}
void TMainForm::CollectionHtmlButtonClick() {
    AttachDocument(Tab::Collection, form.OpenCollectionHtml, "html");
}
void TMainForm::MacroPdfButtonClick() {
    AttachDocument(Tab::Garment, form.OpenZefaPdf, "pdf");
}
void TMainForm::MacroHtmlButtonClick() {
    AttachDocument(Tab::Garment, form.OpenZefaHtml, "html");
}
void TMainForm::MmtPdfButtonClick() {
    AttachDocument(Tab::Measures, form.OpenMmtPdf, "pdf");
}
void TMainForm::MmtHtmlButtonClick() {
    AttachDocument(Tab::Measures, form.OpenMmtHtml, "html");
}

void TMainForm::AttachText(FileChooser& chooser, const std::string& target) {
    Handle([&] {
        chooser.folder = DesignersFolder();
        std::optional<std::string> picked = Choose(chooser);
        if (picked && !target.empty())
            CopyFile(*picked, target, true);
        RefreshDesignerTab(false);
        RefreshActiveTab(true);
    });
}

std::string OwnFile(const std::string& folder, const std::string& name, const char* suffix) {
    return name.empty() ? std::string() : InFolder(folder, name + suffix);
}

void TMainForm::LicenseFileEditClick() {
    AttachText(form.LicenseDialog,
               OwnFile(CurrentDesignerFolder(), CurrentDesigner(), "_License.txt"));
}

void TMainForm::BeforeInstallReadmeClick() {
    AttachText(form.BeforeReadmeDialog,
               OwnFile(CurrentCollectionFolder(), CurrentCollection(), "_BeforeInstall.txt"));
}

void TMainForm::AfterInstallReadmeClick() {
    AttachText(form.AfterReadmeDialog,
               OwnFile(CurrentCollectionFolder(), CurrentCollection(), "_AfterInstall.txt"));
}

void TMainForm::LoadImageButtonClick() {
    Handle([&] {
        std::string target = OwnFile(CurrentCollectionFolder(), CurrentCollection(), "_mini.bmp");
        if (target.empty())
            return;
        PictureInput picture(ui_, target, ResourceFile("Kitbinder.bmp"));
        Notify();
        ui_.ShowPictureDialog(picture);
        RefreshActiveTab(true);
    });
}

// The stored web site is shown, not written back.
void TMainForm::PutWebsite(const std::string& text) {
    form.WebsiteEdit.text = text;
    form.WebsiteChecked.visible = text.empty();
}

// Saved as typed; blanks at either end go when the field is left, never while typing.
void TMainForm::WebsiteEditChange() {
    Handle([&] {
        const std::string& text = form.WebsiteEdit.text;
        if (CurrentDesigner().empty())
            return;
        WriteTextFile(InFolder(CurrentDesignerFolder(), "Website.txt"), text);
        form.WebsiteChecked.visible = text.empty();
    });
}

void TMainForm::WebsiteEditExit() {
    Handle([&] {
        std::string& text = form.WebsiteEdit.text;
        text = Trim(text);
        const std::string file = InFolder(CurrentDesignerFolder(), "Website.txt");
        if (!CurrentDesigner().empty() && (ReadTextFile(file) != text || !FileExists(file)))
            WriteTextFile(file, text);
        form.WebsiteChecked.visible = text.empty();
    });
}

void TMainForm::PasswordEditExit() {
    Handle([&] {
        // Without a collection there is no collection folder to keep the password in.
        if (CurrentCollection().empty() || form.PasswordEdit.text == Data.password)
            return;
        WriteTextFile(InFolder(CurrentCollectionFolder(), "Password.txt"), form.PasswordEdit.text);
        Data.password = form.PasswordEdit.text;
    });
}

void TMainForm::CollectionVersionEditExit() {
    Handle([&] {
        if (CurrentCollection().empty() || form.CollectionVersionEdit.text == Data.version)
            return;
        WriteTextFile(InFolder(CurrentCollectionFolder(), "CollectionVersion.txt"),
                      form.CollectionVersionEdit.text);
        Data.version = form.CollectionVersionEdit.text;
    });
}

}  // namespace kb
