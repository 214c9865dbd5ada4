#include "app/ui/qt_user_interface.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QUrl>

#include "app/ui/about_form.h"
#include "app/ui/build_form.h"
#include "app/ui/input_dialog.h"
#include "app/ui/picture_input_form.h"
#include "app/ui/processing_form.h"
#include "app/ui/program_files_start.h"
#include "app/ui/qt_running_program.h"
#include "app/ui/report_form.h"

namespace kb {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

MessageAnswer QtUserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                           MessageButtons buttons, MessageIcon icon) {
    if (hooks.message)
        return hooks.message(text, caption, buttons, icon);
    const bool question = buttons != MessageButtons::Ok;
    QMessageBox box(BoxIcon(icon), Q(caption), Q(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    windows.mainWindow);
    // Every question of the program deletes or overwrites on Yes: Enter and Escape answer No.
    if (question) {
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    }
    const int answer = box.exec();
    if (!question)
        return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<std::string> QtUserInterface::ChooseFile(const FileChooser& chooser) {
    if (hooks.chooseFile)
        return hooks.chooseFile(chooser);
    QFileDialog dialog(windows.mainWindow);
    dialog.setObjectName(Q(chooser.name));
    // The descriptions are shown as the filter gives them, without Qt's pattern details.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails |
                      QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QtFileFilter(chooser.filter));
    dialog.setDefaultSuffix(Q(chooser.defaultExtension));
    dialog.setAcceptMode(chooser.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(chooser.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!chooser.folder.empty())
        dialog.setDirectory(Q(chooser.folder));
    if (!chooser.fileName.empty())
        dialog.selectFile(Q(chooser.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // Qt answers with "/"; the program shows and joins paths in the system's own form.
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

std::optional<std::string> QtUserInterface::AskText(const std::string& title,
                                                    const std::string& text) {
    if (hooks.askText)
        return hooks.askText(title, text);
    return windows.input->Ask(title, text);
}

void QtUserInterface::ShowPictureDialog(PictureInput& picture) {
    windows.picture->ShowFor(picture);
}

void QtUserInterface::ShowProcessing() {
    windows.processing->show();
    windows.processing->raise();
}

void QtUserInterface::SetProcessingLabel(const std::string& text) {
    windows.processing->SetThreadLabel(Q(text));
}

void QtUserInterface::HideProcessing() {
    windows.processing->hide();
}

void QtUserInterface::BeginBusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserInterface::EndBusyCursor() {
    QApplication::restoreOverrideCursor();
}

bool QtUserInterface::PictureReadable(const std::string& path) {
    const QString file = Q(path);
    const QFileInfo info(file);
    const QDateTime time = info.lastModified();
    const qint64 size = info.exists() ? info.size() : -1;
    auto known = pictureChecks_.constFind(file);
    if (known != pictureChecks_.constEnd() && known->time == time && known->size == size)
        return known->readable;
    const bool readable = size >= 0 && !QImage(file).isNull();
    pictureChecks_.insert(file, {time, size, readable});
    return readable;
}

bool QtUserInterface::OpenDocument(const std::string& path) {
    if (hooks.openDocument)
        return hooks.openDocument(path);
    // A missing document or folder is not handed to the desktop (which would show an error).
    if (!QFileInfo::exists(Q(path)))
        return false;
    if (QFileInfo(Q(path)).suffix().compare("exe", Qt::CaseInsensitive) == 0)
        return StartProgramFile(Q(path));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(Q(path)).absoluteFilePath()));
}

ProgramResult QtUserInterface::StartProgram(const std::string& program,
                                            const std::vector<std::string>& arguments,
                                            const std::string& workingFolder, bool wait) {
    if (hooks.startProgram)
        return hooks.startProgram(program, arguments, workingFolder, wait);
    return kb::StartProgram(program, arguments, workingFolder, wait);
}

std::unique_ptr<RunningProgram> QtUserInterface::StartWatchedProgram(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::string& workingFolder, ProgramWatch watch) {
    if (hooks.startWatchedProgram)
        return hooks.startWatchedProgram(program, arguments, workingFolder, std::move(watch));
    return QtRunningProgram::Start(program, arguments, workingFolder, std::move(watch));
}

void QtUserInterface::ShowBuildWindow(std::function<void()> cancel) {
    windows.build->Start(std::move(cancel));
}

void QtUserInterface::SetBuildStep(const std::string& step) {
    windows.build->SetStep(Q(step));
}

void QtUserInterface::SetBuildProgress(int done, int total) {
    windows.build->SetProgress(done, total);
}

void QtUserInterface::AppendBuildLog(const std::string& text) {
    windows.build->AppendLog(Q(text));
}

void QtUserInterface::EndBuild(const std::string& outcome, bool succeeded) {
    windows.build->End(Q(outcome), succeeded);
}

void QtUserInterface::ShowReport(const std::string& title, const std::string& text) {
    if (hooks.report)
        return hooks.report(title, text);
    ShowTextReport(windows.mainWindow, Q(title), Q(text));
}

void QtUserInterface::ShowAbout() {
    if (hooks.about)
        return hooks.about();
    windows.about->exec();
}

void QtUserInterface::CloseMainWindow() {
    if (windows.mainWindow != nullptr)
        windows.mainWindow->close();
}

void QtUserInterface::FormChanged() {
    if (formChanged)
        formChanged();
}

void QtUserInterface::ShowUploadMessage(const std::string& text, const std::string& caption,
                                        UploadIcon icon) {
    ShowMessage(text, caption, MessageButtons::Ok,
                icon == UploadIcon::Error ? MessageIcon::Error : MessageIcon::None);
}

}  // namespace kb
