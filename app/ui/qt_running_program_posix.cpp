// The POSIX group of a QtRunningProgram: a process group of its own, signalled as a whole.
#include <signal.h>
#include <unistd.h>

#include <QProcess>

#include "app/ui/qt_running_program.h"

namespace kb {

struct QtRunningProgram::Group {};

void QtRunningProgram::GroupDeleter::operator()(Group* group) const {
    delete group;
}

void QtRunningProgram::PrepareGroup() {
    group_.reset(new Group);
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
}

void QtRunningProgram::JoinGroup() {}

bool QtRunningProgram::AskGroupToStop() {
    const qint64 pid = process_->processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGTERM);
    return pid > 0;
}

void QtRunningProgram::KillGroup() {
    const qint64 pid = process_->processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process_->kill();
}

}  // namespace kb
