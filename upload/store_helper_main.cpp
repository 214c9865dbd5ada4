// The document-store helper: the upload starts it and talks to it over its standard input and
// output, so that the database driver runs in a process of its own.
#include <unistd.h>

#include <csignal>

#include "upload/document_store.h"

int main() {
    // A vanished upload is seen as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return kb::RunStoreHelper(STDIN_FILENO, STDOUT_FILENO);
}
