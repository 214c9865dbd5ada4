// libFuzzer target for what the upload and its helper read from each other: a stream of
// documents, each taken as a request and as a reply. Every document read is well formed and no
// larger than asked; a request understood is written again and reads back the same.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "upload/store_protocol.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "store protocol: %s\n", what);
        std::abort();
    }
}

bool SameConnection(const kb::StoreConnection& a, const kb::StoreConnection& b) {
    return a.address == b.address && a.port == b.port && a.database == b.database &&
           a.collection == b.collection && a.user == b.user && a.password == b.password &&
           a.timeouts.connect == b.timeouts.connect && a.timeouts.total == b.timeouts.total &&
           a.tls == b.tls && a.caFile == b.caFile;
}

void CheckConnectRequest(const bson_t& document) {
    const std::optional<kb::StoreConnection> connection = kb::ParseConnectRequest(document);
    if (!connection)
        return;
    Check(connection->port > 0 && connection->port <= 65535, "port out of range");
    const kb::BsonDocument again = kb::ConnectRequest(*connection);
    Check(static_cast<bool>(again), "connect request not written");
    const std::optional<kb::StoreConnection> read = kb::ParseConnectRequest(*again);
    Check(read && SameConnection(*read, *connection), "connect request reads back otherwise");
}

void CheckInsertRequest(const bson_t& document) {
    bson_t inserted;
    if (!kb::ParseInsertRequest(document, inserted))
        return;
    Check(bson_validate(&inserted, BSON_VALIDATE_NONE, nullptr), "inserted document malformed");
    const kb::BsonDocument again = kb::InsertRequest(inserted);
    bson_t read;
    Check(again && kb::ParseInsertRequest(*again, read) && bson_equal(&read, &inserted),
          "insert request reads back otherwise");
}

void CheckReply(const bson_t* document) {
    if (kb::IsOkReply(document)) {
        bson_iter_t it;
        Check(bson_iter_init_find(&it, document, "ok") && BSON_ITER_HOLDS_BOOL(&it) &&
                  bson_iter_bool(&it),
              "a reply without ok: true taken as ok");
    }
    for (const bool ok : {true, false})
        Check(kb::IsOkReply(kb::OkReply(ok).get()) == ok, "ok reply reads back otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small limit, so that the size check is reached too.
    constexpr size_t kLimit = 4096;
    const int fd = memfd_create("stream", 0);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) ||
        lseek(fd, 0, SEEK_SET) != 0)
        __builtin_trap();
    while (kb::BsonDocument document = kb::ReadDocument(fd, kLimit)) {
        Check(document->len <= kLimit, "document over the limit read");
        Check(bson_validate(document.get(), BSON_VALIDATE_NONE, nullptr),
              "malformed document read");
        CheckConnectRequest(*document);
        CheckInsertRequest(*document);
        CheckReply(document.get());
    }
    close(fd);
    return 0;
}
