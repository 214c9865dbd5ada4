// Stand-ins for the document-store helper that fail as a crashed or hung driver would.
// KB_FAKE_HELPER selects how: 0 crashes at the connect request, 1 accepts the connect request and
// crashes at the first insert, 2 never answers, 3 accepts the connect request and then stops
// reading.
#include <chrono>
#include <csignal>
#include <thread>

#include "upload/store_protocol.h"

// Under the sanitizers the crash stays a plain one, without a report.
extern "C" const char* __asan_default_options() {
    return "handle_segv=0";
}

namespace {

[[noreturn]] void Hang() {
    while (true)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

int main() {
    const kb::StreamHandle in = kb::HelperInput();
    const kb::StreamHandle out = kb::HelperOutput();
    while (kb::BsonDocument request = kb::ReadDocument(in, kb::kMaxStoreRequestBytes)) {
        bson_t document;
        const bool insert = kb::ParseInsertRequest(*request, document);
        if (KB_FAKE_HELPER == 2)
            Hang();
        if (KB_FAKE_HELPER == 0 || insert)
            std::raise(SIGSEGV);
        kb::WriteDocument(out, *kb::OkReply(true));
        if (KB_FAKE_HELPER == 3)
            Hang();
    }
}
