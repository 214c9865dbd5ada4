#pragma once
// What the upload and its document-store helper say to each other over one stream: BSON
// documents one after another, each starting with its own length.
//
// Requests and their replies:
//   {"connect": {"address", "port", "database", "collection", "user", "password", "connectMs",
//                "socketMs", "tls", "caFile"}}   ->  {"ok": bool}
//   {"insert": <document>}                        ->  {"ok": bool}
// The stream's end asks the helper to end.
#include <bson/bson.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "upload/network_timeouts.h"
#include "upload/store_stream.h"

namespace kb {

// The helper's file name, found in the helper folder (see LocateProgramFiles) or on the search
// path.
inline constexpr const char* kStoreHelperName = "kbstore";

// The largest request the helper takes: a document of the server's largest size with room to
// spare.
inline constexpr std::size_t kMaxStoreRequestBytes = 48 * 1024 * 1024;
// The largest reply the upload takes.
inline constexpr std::size_t kMaxStoreReplyBytes = 64 * 1024;

// An owned document, or none.
class BsonDocument {
  public:
    BsonDocument() = default;
    explicit BsonDocument(bson_t* document) : document_(document) {}
    BsonDocument(BsonDocument&& other) noexcept : document_(other.document_) {
        other.document_ = nullptr;
    }
    BsonDocument& operator=(BsonDocument&& other) noexcept {
        std::swap(document_, other.document_);
        return *this;
    }
    ~BsonDocument() {
        if (document_ != nullptr)
            bson_destroy(document_);
    }

    bson_t* get() const { return document_; }
    const bson_t& operator*() const { return *document_; }
    const bson_t* operator->() const { return document_; }
    explicit operator bool() const { return document_ != nullptr; }

  private:
    bson_t* document_ = nullptr;
};

// Writes document whole; false when the other side is gone or the deadline passed first.
bool WriteDocument(StreamHandle stream, const bson_t& document, const Deadline& deadline = {});

// The next document on stream, checked to be well formed. Null at the stream's end, on a read
// error, on a document larger than maxBytes or malformed, and when the deadline passes first.
BsonDocument ReadDocument(StreamHandle stream, std::size_t maxBytes, const Deadline& deadline = {});

// How the helper reaches the database.
struct StoreConnection {
    // A dotted IPv4 address, or with tls the host name that the certificate must carry.
    std::string address;
    int port = 0;
    std::string database;
    std::string collection;
    // No authentication when user, password or database is empty.
    std::string user;
    std::string password;
    NetworkTimeouts timeouts;
    // TLS with the server's certificate verified against caFile, or the system's authorities
    // when that is empty.
    bool tls = false;
    std::string caFile;
};

BsonDocument ConnectRequest(const StoreConnection& connection);
// The connection a connect request asks for; none when request is no such request.
std::optional<StoreConnection> ParseConnectRequest(const bson_t& request);

// {"insert": document}.
BsonDocument InsertRequest(const bson_t& document);
// The document an insert request carries (a view into request); false when it is none.
bool ParseInsertRequest(const bson_t& request, bson_t& document);

// The reply {"ok": ok}.
BsonDocument OkReply(bool ok);
// Whether reply is {"ok": true}.
bool IsOkReply(const bson_t* reply);

}  // namespace kb
