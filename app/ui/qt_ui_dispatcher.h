#pragma once
// Hands a worker's step to the user-interface thread and waits for it (a blocking queued call);
// on the user-interface thread itself the step runs at once.
#include <QObject>

#include "foundation/ui_dispatcher.h"

namespace kb {

class QtUiDispatcher : public QObject, public UiDispatcher {
  public:
    // Lives on the calling thread, which must be the user-interface thread.
    QtUiDispatcher();
    void RunAndWait(std::function<void()> work) override;
};

}  // namespace kb
