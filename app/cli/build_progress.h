#pragma once
// The progress of one collection's build on the diagnostics stream: on a terminal one line,
// rewritten as the build goes on; elsewhere (logs, pipes) one plain line per step. The build's
// outcome is a result and goes to the results stream.
#include <cstddef>
#include <ostream>
#include <string>

namespace kb::cli {

class BuildProgress {
  public:
    // label names the collection; number and count place it among the builds of the run.
    // terminal: progress is a terminal.
    BuildProgress(std::ostream& progress, std::ostream& results, bool terminal, std::string label,
                  size_t number, size_t count);
    // A step begins ("Checking the collection...").
    void Step(const std::string& step);
    // The compiler has added done of total files; shown on a terminal only.
    void Files(int done, int total);
    // Ends the line in progress, so that messages on the error stream start on a line of their
    // own.
    void Pause();
    // The build's outcome, on a line of its own of the results; the progress line is cleared.
    void End(const std::string& outcome);

  private:
    void Show(const std::string& text);

    std::ostream& progress_;
    std::ostream& results_;
    bool terminal_;
    std::string label_;
    std::string count_;  // "[2/5] " before the label of a progress line on a terminal
    std::string step_;
    bool lineOpen_ = false;
    int shownFiles_ = -1;
};

}  // namespace kb::cli
