#pragma once
// Files dropped on a control from a file manager.
#include <functional>
#include <string>
#include <vector>

class QObject;
class QWidget;

namespace kb {

using DroppedFiles = std::vector<std::string>;

// Lets control take local files dragged onto it: accepts tells whether it takes these (the
// drag shows a refusal otherwise), dropped takes them. Paths are in the system's form. Drags
// that carry no files go on to the control as usual. Answers the hook (a child of control).
QObject* AcceptFileDrops(QWidget* control, std::function<bool(const DroppedFiles&)> accepts,
                         std::function<void(const DroppedFiles&)> dropped);

}  // namespace kb
