#include "app/cli/build_progress.h"

namespace kb::cli {

namespace {

// Back to the start of the line, and the line cleared.
constexpr char kRewriteLine[] = "\r\033[K";

}  // namespace

BuildProgress::BuildProgress(std::ostream& progress, std::ostream& results, bool terminal,
                             std::string label, size_t number, size_t count)
    : progress_(progress), results_(results), terminal_(terminal), label_(std::move(label)) {
    if (terminal_ && count > 1)
        count_ = "[" + std::to_string(number) + "/" + std::to_string(count) + "] ";
}

void BuildProgress::Step(const std::string& step) {
    step_ = step;
    shownFiles_ = -1;
    Show(step);
}

void BuildProgress::Files(int done, int total) {
    if (!terminal_ || total <= 0 || done == shownFiles_)
        return;
    shownFiles_ = done;
    Show(step_ + " " + std::to_string(done) + "/" + std::to_string(total) + " files");
}

void BuildProgress::Pause() {
    if (lineOpen_)
        progress_ << "\n" << std::flush;
    lineOpen_ = false;
}

void BuildProgress::End(const std::string& outcome) {
    if (lineOpen_)
        progress_ << kRewriteLine << std::flush;
    lineOpen_ = false;
    results_ << label_ << ": " << outcome << "\n" << std::flush;
}

void BuildProgress::Show(const std::string& text) {
    if (terminal_) {
        progress_ << (lineOpen_ ? kRewriteLine : "") << count_ << label_ << ": " << text;
        lineOpen_ = true;
    } else {
        progress_ << label_ << ": " << text << "\n";
    }
    progress_ << std::flush;
}

}  // namespace kb::cli
