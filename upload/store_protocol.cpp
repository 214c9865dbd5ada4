#include "upload/store_protocol.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace kb {
namespace {

// Moves all size bytes by repeated partial transfers (ReadSome, WriteSome); false when one
// fails first.
template <typename Byte, typename PartialTransfer>
bool TransferAll(Byte* data, size_t size, PartialTransfer transferSome) {
    while (size > 0) {
        const std::ptrdiff_t n = transferSome(data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(StreamHandle stream, uint8_t* data, size_t size, const Deadline& deadline) {
    return TransferAll(
        data, size, [&](uint8_t* at, size_t left) { return ReadSome(stream, at, left, deadline); });
}

bool WriteAll(StreamHandle stream, const uint8_t* data, size_t size, const Deadline& deadline) {
    return TransferAll(data, size, [&](const uint8_t* at, size_t left) {
        return WriteSome(stream, at, left, deadline);
    });
}

std::optional<std::string> Text(const bson_t& document, const char* key) {
    bson_iter_t it;
    if (!bson_iter_init_find(&it, &document, key) || !BSON_ITER_HOLDS_UTF8(&it))
        return std::nullopt;
    uint32_t length = 0;
    const char* text = bson_iter_utf8(&it, &length);
    return std::string(text, length);
}

std::optional<int64_t> Number(const bson_t& document, const char* key) {
    bson_iter_t it;
    if (!bson_iter_init_find(&it, &document, key) || !BSON_ITER_HOLDS_INT64(&it))
        return std::nullopt;
    return bson_iter_int64(&it);
}

std::optional<bool> Flag(const bson_t& document, const char* key) {
    bson_iter_t it;
    if (!bson_iter_init_find(&it, &document, key) || !BSON_ITER_HOLDS_BOOL(&it))
        return std::nullopt;
    return bson_iter_bool(&it);
}

// The document stored under key in document, as a view; false when there is none.
bool Child(const bson_t& document, const char* key, bson_t& child) {
    bson_iter_t it;
    if (!bson_iter_init_find(&it, &document, key) || !BSON_ITER_HOLDS_DOCUMENT(&it))
        return false;
    uint32_t length = 0;
    const uint8_t* data = nullptr;
    bson_iter_document(&it, &length, &data);
    return bson_init_static(&child, data, length);
}

void AppendText(bson_t* document, const char* key, const std::string& text) {
    bson_append_utf8(document, key, -1, text.data(), static_cast<int>(text.size()));
}

}  // namespace

BsonDocument ConnectRequest(const StoreConnection& c) {
    BsonDocument request(bson_new());
    bson_t fields;
    BSON_APPEND_DOCUMENT_BEGIN(request.get(), "connect", &fields);
    AppendText(&fields, "address", c.address);
    BSON_APPEND_INT64(&fields, "port", c.port);
    AppendText(&fields, "database", c.database);
    AppendText(&fields, "collection", c.collection);
    AppendText(&fields, "user", c.user);
    AppendText(&fields, "password", c.password);
    BSON_APPEND_INT64(&fields, "connectMs", c.timeouts.connect.count());
    BSON_APPEND_INT64(&fields, "socketMs", c.timeouts.total.count());
    BSON_APPEND_BOOL(&fields, "tls", c.tls);
    AppendText(&fields, "caFile", c.caFile);
    bson_append_document_end(request.get(), &fields);
    return request;
}

std::optional<StoreConnection> ParseConnectRequest(const bson_t& request) {
    bson_t fields;
    if (!Child(request, "connect", fields))
        return std::nullopt;
    auto address = Text(fields, "address");
    auto port = Number(fields, "port");
    auto database = Text(fields, "database");
    auto collection = Text(fields, "collection");
    auto user = Text(fields, "user");
    auto password = Text(fields, "password");
    auto connectMs = Number(fields, "connectMs");
    auto socketMs = Number(fields, "socketMs");
    auto tls = Flag(fields, "tls");
    auto caFile = Text(fields, "caFile");
    if (!address || !port || !database || !collection || !user || !password || !connectMs ||
        !socketMs || !tls || !caFile || *port <= 0 || *port > 65535)
        return std::nullopt;
    return StoreConnection{
        *address,
        static_cast<int>(*port),
        *database,
        *collection,
        *user,
        *password,
        {std::chrono::milliseconds(*connectMs), std::chrono::milliseconds(*socketMs)},
        *tls,
        *caFile};
}

BsonDocument InsertRequest(const bson_t& document) {
    BsonDocument request(bson_new());
    if (!BSON_APPEND_DOCUMENT(request.get(), "insert", &document))
        return {};
    return request;
}

bool ParseInsertRequest(const bson_t& request, bson_t& document) {
    return Child(request, "insert", document);
}

bool WriteDocument(StreamHandle stream, const bson_t& document, const Deadline& deadline) {
    return WriteAll(stream, bson_get_data(&document), document.len, deadline);
}

BsonDocument ReadDocument(StreamHandle stream, std::size_t maxBytes, const Deadline& deadline) {
    uint8_t prefix[4];
    if (!ReadAll(stream, prefix, sizeof prefix, deadline))
        return {};
    uint32_t length;
    std::memcpy(&length, prefix, sizeof length);
    length = BSON_UINT32_FROM_LE(length);
    if (length < 5 || length > maxBytes)
        return {};
    std::vector<uint8_t> bytes(length);
    std::memcpy(bytes.data(), prefix, sizeof prefix);
    if (!ReadAll(stream, bytes.data() + 4, length - 4, deadline))
        return {};
    BsonDocument document(bson_new_from_data(bytes.data(), bytes.size()));
    if (!document || !bson_validate(document.get(), BSON_VALIDATE_NONE, nullptr))
        return {};
    return document;
}

BsonDocument OkReply(bool ok) {
    BsonDocument reply(bson_new());
    BSON_APPEND_BOOL(reply.get(), "ok", ok);
    return reply;
}

bool IsOkReply(const bson_t* reply) {
    bson_iter_t it;
    return reply != nullptr && bson_iter_init_find(&it, reply, "ok") && BSON_ITER_HOLDS_BOOL(&it) &&
           bson_iter_bool(&it);
}

}  // namespace kb
