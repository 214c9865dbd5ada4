// Stand-ins for the document-store helper that fail as a crashed or hung driver would.
// KB_FAKE_HELPER selects how: 0 crashes at the connect request, 1 accepts the connect request and
// crashes at the first insert, 2 never answers.
#include <unistd.h>

#include <csignal>

#include "upload/store_protocol.h"

// Under the sanitizers the crash stays a plain one, without a report.
extern "C" const char* __asan_default_options() {
    return "handle_segv=0";
}

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    while (kb::BsonDocument request = kb::ReadDocument(STDIN_FILENO, kb::kMaxStoreRequestBytes)) {
        bson_t document;
        const bool insert = kb::ParseInsertRequest(*request, document);
        if (KB_FAKE_HELPER == 2)
            pause();
        if (KB_FAKE_HELPER == 0 || insert)
            std::raise(SIGSEGV);
        kb::WriteDocument(STDOUT_FILENO, *kb::OkReply(true));
    }
}
