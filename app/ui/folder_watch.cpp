#include "app/ui/folder_watch.h"

namespace kb {

FolderWatch::FolderWatch(std::function<void()> changed, int settle) : changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settle);
    QObject::connect(&settle_, &QTimer::timeout, &watcher_, [this] {
        if (Paused())
            settle_.start();  // reported once the window's own work has ended
        else
            changed_();
    });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &watcher_,
                     [this] { Changed(); });
}

void FolderWatch::SetFolders(const std::vector<std::string>& folders) {
    QStringList list;
    for (const std::string& folder : folders)
        list << QString::fromStdString(folder);
    if (list == folders_)
        return;
    folders_ = list;
    if (!Paused())
        Apply();
}

void FolderWatch::Changed() {
    if (!Paused())
        settle_.start();
}

void FolderWatch::Release() {
    const QStringList watched = watcher_.directories();
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
}

void FolderWatch::Apply() {
    Release();
    if (!folders_.isEmpty())
        watcher_.addPaths(folders_);
}

FolderWatch::Pause::Pause(FolderWatch& watch) : watch_(watch) {
    if (watch_.pauses_++ == 0)
        watch_.Release();
}

FolderWatch::Pause::~Pause() {
    if (--watch_.pauses_ == 0)
        watch_.Apply();
}

}  // namespace kb
