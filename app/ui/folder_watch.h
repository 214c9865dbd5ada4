#pragma once
// Watches the folders the main window shows for changes made by other programs, and reports
// them once things have settled. While paused (around the window's own work) it holds no
// folder open: its own writes are not reported, and its own renames are not refused by systems
// that keep a watched folder from being renamed.
#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace kb {

class FolderWatch {
  public:
    // changed runs on the user-interface thread, settle milliseconds after the last change.
    explicit FolderWatch(std::function<void()> changed, int settle = 250);

    // The folders to watch from now on (while paused: from the end of the pause).
    void SetFolders(const std::vector<std::string>& folders);
    bool Paused() const { return pauses_ > 0; }

    // Pauses the watch for its life; nested pauses end with the outermost.
    class Pause {
      public:
        explicit Pause(FolderWatch& watch);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;
        bool Outermost() const { return watch_.pauses_ == 1; }

      private:
        FolderWatch& watch_;
    };

  private:
    void Release();
    void Apply();
    void Changed();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::function<void()> changed_;
    QStringList folders_;
    int pauses_ = 0;
};

}  // namespace kb
