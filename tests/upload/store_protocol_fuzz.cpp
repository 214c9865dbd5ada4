// libFuzzer target for what the upload and its helper read from each other: a stream of
// documents, each taken as a request and as a reply.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "upload/store_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("stream", 0);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) ||
        lseek(fd, 0, SEEK_SET) != 0)
        __builtin_trap();
    while (kb::BsonDocument document = kb::ReadDocument(fd, kb::kMaxStoreRequestBytes)) {
        kb::ParseConnectRequest(*document);
        bson_t inserted;
        if (kb::ParseInsertRequest(*document, inserted))
            bson_validate(&inserted, BSON_VALIDATE_NONE, nullptr);
        kb::IsOkReply(document.get());
    }
    close(fd);
    return 0;
}
