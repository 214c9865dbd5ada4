#include "app/cli/build_progress.h"

namespace kb::cli {

namespace {

// Back to the start of the line, and the line cleared.
constexpr char kRewriteLine[] = "\r\033[K";

}  // namespace

BuildProgress::BuildProgress(std::ostream& out, bool terminal, std::string label, size_t number,
                             size_t count)
    : out_(out), terminal_(terminal), label_(std::move(label)) {
    if (terminal_ && count > 1)
        label_ = "[" + std::to_string(number) + "/" + std::to_string(count) + "] " + label_;
}

void BuildProgress::Step(const std::string& step) {
    step_ = step;
    shownFiles_ = -1;
    Show(step, false);
}

void BuildProgress::Files(int done, int total) {
    if (!terminal_ || total <= 0 || done == shownFiles_)
        return;
    shownFiles_ = done;
    Show(step_ + " " + std::to_string(done) + "/" + std::to_string(total) + " files", false);
}

void BuildProgress::Pause() {
    if (lineOpen_)
        out_ << "\n" << std::flush;
    lineOpen_ = false;
}

void BuildProgress::End(const std::string& outcome) {
    Show(outcome, true);
}

void BuildProgress::Show(const std::string& text, bool final) {
    if (terminal_) {
        out_ << (lineOpen_ ? kRewriteLine : "") << label_ << ": " << text;
        lineOpen_ = !final;
        if (final)
            out_ << "\n";
    } else {
        out_ << label_ << ": " << text << "\n";
    }
    out_ << std::flush;
}

}  // namespace kb::cli
