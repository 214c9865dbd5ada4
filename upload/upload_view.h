#pragma once
// What the upload shows the user: message boxes and the "Processing" window. Every call is made
// on the user-interface thread; the upload thread hands them over through a UiDispatcher. The
// Processing calls match those of the window logic's user interface, so one object can serve
// both.
#include <string>

namespace kb {

enum class UploadIcon { None, Error };

class UploadView {
  public:
    virtual ~UploadView() = default;
    // A message box with an OK button; returns when it has been closed.
    virtual void ShowUploadMessage(const std::string& text, const std::string& caption,
                                   UploadIcon icon) = 0;
    virtual void ShowProcessing() = 0;
    virtual void SetProcessingLabel(const std::string& text) = 0;
    virtual void HideProcessing() = 0;
};

}  // namespace kb
