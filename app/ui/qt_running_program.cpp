#include "app/ui/qt_running_program.h"

#include <QProcess>
#include <QStringList>
#include <QTimer>

#include "foundation/platform.h"

namespace kb {

namespace {

// How long a program asked to stop may take to clean up before it is killed.
constexpr int kStopGraceMs = 4000;

}  // namespace

QtRunningProgram::QtRunningProgram(ProgramWatch watch)
    : watch_(std::move(watch)), process_(std::make_unique<QProcess>()) {}

std::unique_ptr<QtRunningProgram> QtRunningProgram::Start(const std::string& program,
                                                          const std::vector<std::string>& arguments,
                                                          const std::string& workingFolder,
                                                          ProgramWatch watch) {
    const std::string resolved = FindProgram(program);
    if (resolved.empty())
        return nullptr;
    std::unique_ptr<QtRunningProgram> running(new QtRunningProgram(std::move(watch)));
    QProcess& process = *running->process_;
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    process.setProgram(QString::fromStdString(resolved));
    process.setArguments(list);
    if (!workingFolder.empty())
        process.setWorkingDirectory(QString::fromStdString(workingFolder));
    process.setProcessChannelMode(QProcess::MergedChannels);
    running->PrepareGroup();
    QtRunningProgram* self = running.get();
    QObject::connect(&process, &QProcess::readyRead, &process, [self] {
        const QByteArray text = self->process_->readAll();
        if (self->watch_.output)
            self->watch_.output(text.toStdString());
    });
    QObject::connect(&process, &QProcess::finished, &process,
                     [self](int exitCode, QProcess::ExitStatus status) {
                         const QByteArray rest = self->process_->readAll();
                         if (!rest.isEmpty() && self->watch_.output)
                             self->watch_.output(rest.toStdString());
                         if (self->watch_.finished)
                             self->watch_.finished(exitCode, status == QProcess::CrashExit);
                     });
    process.start();
    if (!process.waitForStarted())
        return nullptr;
    running->JoinGroup();
    return running;
}

QtRunningProgram::~QtRunningProgram() {
    QObject::disconnect(process_.get(), nullptr, nullptr, nullptr);
    if (process_->state() == QProcess::NotRunning)
        return;
    if (AskGroupToStop() && process_->waitForFinished(kStopGraceMs))
        return;
    KillGroup();
    process_->waitForFinished(5000);
}

void QtRunningProgram::Stop() {
    if (process_->state() == QProcess::NotRunning)
        return;
    if (!AskGroupToStop()) {
        KillGroup();
        return;
    }
    QTimer::singleShot(kStopGraceMs, process_.get(), [this] {
        if (process_->state() != QProcess::NotRunning)
            KillGroup();
    });
}

}  // namespace kb
