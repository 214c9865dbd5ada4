#include "tests/upload/wire_server.h"

#include <bson/bson.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include "tests/upload/scram.h"

namespace kb::test {

namespace {

constexpr std::int32_t kOpReply = 1;
constexpr std::int32_t kOpQuery = 2004;
constexpr std::int32_t kOpMsg = 2013;
constexpr std::uint32_t kMoreToCome = 2;
constexpr std::int32_t kMaxMessage = 48000000;

std::atomic<std::int32_t> nextId{1};

// An owned BSON document.
struct Doc {
    Doc() { bson_init(&b); }
    ~Doc() { bson_destroy(&b); }
    Doc(const Doc&) = delete;
    Doc& operator=(const Doc&) = delete;
    bson_t b;
};

std::int32_t ReadInt32(const char* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return static_cast<std::int32_t>(BSON_UINT32_FROM_LE(static_cast<std::uint32_t>(v)));
}

void PutInt32(std::string& out, std::int32_t v) {
    const auto le = BSON_UINT32_TO_LE(static_cast<std::uint32_t>(v));
    out.append(reinterpret_cast<const char*>(&le), 4);
}

void PutInt64(std::string& out, std::int64_t v) {
    const auto le = BSON_UINT64_TO_LE(static_cast<std::uint64_t>(v));
    out.append(reinterpret_cast<const char*>(&le), 8);
}

std::string Bytes(const bson_t& b) {
    return std::string(reinterpret_cast<const char*>(bson_get_data(&b)), b.len);
}

// The BSON document starting at data, when one fits in the size bytes left.
std::optional<std::string> DocumentAt(const char* data, size_t size) {
    if (size < 5)
        return std::nullopt;
    const std::int32_t length = ReadInt32(data);
    if (length < 5 || static_cast<size_t>(length) > size)
        return std::nullopt;
    return std::string(data, static_cast<size_t>(length));
}

bool ViewOf(const std::string& raw, bson_t& view) {
    return bson_init_static(&view, reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
}

std::string Text(const bson_t& doc, const char* key) {
    bson_iter_t it;
    if (bson_iter_init_find(&it, &doc, key) && BSON_ITER_HOLDS_UTF8(&it))
        return bson_iter_utf8(&it, nullptr);
    return {};
}

std::string Payload(const bson_t& doc) {
    bson_iter_t it;
    if (!bson_iter_init_find(&it, &doc, "payload") || !BSON_ITER_HOLDS_BINARY(&it))
        return {};
    bson_subtype_t subtype;
    uint32_t length = 0;
    const uint8_t* data = nullptr;
    bson_iter_binary(&it, &subtype, &length, &data);
    return std::string(reinterpret_cast<const char*>(data), length);
}

void Fail(bson_t& reply, const std::string& message, std::int32_t code) {
    BSON_APPEND_DOUBLE(&reply, "ok", 0.0);
    BSON_APPEND_UTF8(&reply, "errmsg", message.c_str());
    BSON_APPEND_INT32(&reply, "code", code);
}

bool SameValue(const bson_iter_t& a, const bson_iter_t& b) {
    const bson_value_t* x = bson_iter_value(const_cast<bson_iter_t*>(&a));
    const bson_value_t* y = bson_iter_value(const_cast<bson_iter_t*>(&b));
    if (x->value_type != y->value_type)
        return false;
    switch (x->value_type) {
        case BSON_TYPE_UTF8:
            return x->value.v_utf8.len == y->value.v_utf8.len &&
                   std::memcmp(x->value.v_utf8.str, y->value.v_utf8.str, x->value.v_utf8.len) == 0;
        case BSON_TYPE_OID:
            return bson_oid_equal(&x->value.v_oid, &y->value.v_oid);
        case BSON_TYPE_INT32:
            return x->value.v_int32 == y->value.v_int32;
        case BSON_TYPE_INT64:
            return x->value.v_int64 == y->value.v_int64;
        default:
            return false;
    }
}

// Equality on every top-level key of filter.
bool Matches(const bson_t& doc, const bson_t* filter) {
    if (filter == nullptr)
        return true;
    bson_iter_t wanted;
    bson_iter_init(&wanted, filter);
    while (bson_iter_next(&wanted)) {
        bson_iter_t found;
        if (!bson_iter_init_find(&found, &doc, bson_iter_key(&wanted)) || !SameValue(wanted, found))
            return false;
    }
    return true;
}

}  // namespace

// One client connection: its authentication state and its command handling.
class Connection {
  public:
    Connection(WireServer& server, Socket socket) : server_(server), stream_(socket, server.tls_) {}

    void Serve() {
        while (true) {
            char header[16];
            if (!stream_.ReadAll(header, sizeof header))
                return;
            const std::int32_t length = ReadInt32(header);
            if (length < 16 || length > kMaxMessage)
                return;
            std::string body(static_cast<size_t>(length) - 16, '\0');
            if (!stream_.ReadAll(body.data(), body.size()))
                return;
            const std::int32_t requestId = ReadInt32(header + 4);
            const std::int32_t opCode = ReadInt32(header + 12);
            std::optional<std::string> reply;
            hostile_ = false;
            if (opCode == kOpQuery) {
                reply = HandleQuery(body, requestId);
            } else if (opCode == kOpMsg) {
                reply = HandleMsg(body, requestId);
            } else {
                return;
            }
            if (hostile_)
                reply = MalformedReply(requestId);
            if (reply && !stream_.WriteAll(*reply))
                return;
        }
    }

  private:
    // Length 20, an OP_MSG answering requestId, flags 0, and nothing more.
    static std::string MalformedReply(std::int32_t requestId) {
        std::string out = Header(20, requestId, kOpMsg);
        PutInt32(out, 0);
        return out;
    }

    static std::string Header(std::int32_t length, std::int32_t responseTo, std::int32_t opCode) {
        std::string out;
        PutInt32(out, length);
        PutInt32(out, nextId++);
        PutInt32(out, responseTo);
        PutInt32(out, opCode);
        return out;
    }

    // The legacy handshake: OP_QUERY on "<db>.$cmd", answered with OP_REPLY.
    std::optional<std::string> HandleQuery(const std::string& body, std::int32_t requestId) {
        const size_t nameEnd = body.find('\0', 4);
        if (nameEnd == std::string::npos)
            return std::nullopt;
        const std::string ns = body.substr(4, nameEnd - 4);
        auto query =
            DocumentAt(body.data() + nameEnd + 9, body.size() - std::min(body.size(), nameEnd + 9));
        if (!query)
            return std::nullopt;
        bson_t command;
        if (!ViewOf(*query, command))
            return std::nullopt;
        bson_iter_t inner;
        // Some clients wrap the command as {$query: {...}}.
        bson_t unwrapped;
        const bson_t* effective = &command;
        if (bson_iter_init_find(&inner, &command, "$query") && BSON_ITER_HOLDS_DOCUMENT(&inner)) {
            uint32_t len;
            const uint8_t* data;
            bson_iter_document(&inner, &len, &data);
            if (!bson_init_static(&unwrapped, data, len))
                return std::nullopt;
            effective = &unwrapped;
        }
        Doc reply;
        Command(*effective, ns.substr(0, ns.find('.')), {}, reply.b);
        std::string payload;
        PutInt32(payload, 0);  // response flags
        PutInt64(payload, 0);  // cursor id
        PutInt32(payload, 0);  // starting from
        PutInt32(payload, 1);  // number returned
        payload += Bytes(reply.b);
        return Header(static_cast<std::int32_t>(16 + payload.size()), requestId, kOpReply) +
               payload;
    }

    // Every later command: OP_MSG with a kind 0 body and kind 1 document sequences.
    std::optional<std::string> HandleMsg(const std::string& body, std::int32_t requestId) {
        if (body.size() < 4)
            return std::nullopt;
        const auto flags = static_cast<std::uint32_t>(ReadInt32(body.data()));
        const size_t end = body.size() - ((flags & 1) ? 4 : 0);  // checksum not examined
        std::optional<std::string> main;
        std::vector<std::string> sequence;
        size_t at = 4;
        while (at < end) {
            const char kind = body[at++];
            if (kind == 0) {
                main = DocumentAt(body.data() + at, end - at);
                if (!main)
                    return std::nullopt;
                at += main->size();
            } else if (kind == 1) {
                if (end - at < 4)
                    return std::nullopt;
                const size_t sectionEnd = at + static_cast<size_t>(ReadInt32(body.data() + at));
                const size_t nameEnd = body.find('\0', at + 4);
                if (sectionEnd > end || nameEnd == std::string::npos || nameEnd >= sectionEnd)
                    return std::nullopt;
                for (size_t p = nameEnd + 1; p < sectionEnd;) {
                    auto doc = DocumentAt(body.data() + p, sectionEnd - p);
                    if (!doc)
                        return std::nullopt;
                    p += doc->size();
                    sequence.push_back(std::move(*doc));
                }
                at = sectionEnd;
            } else {
                return std::nullopt;
            }
        }
        bson_t command;
        if (!main || !ViewOf(*main, command))
            return std::nullopt;
        Doc reply;
        Command(command, Text(command, "$db"), sequence, reply.b);
        if (flags & kMoreToCome)
            return std::nullopt;
        std::string payload;
        PutInt32(payload, 0);
        payload += '\0';
        payload += Bytes(reply.b);
        return Header(static_cast<std::int32_t>(16 + payload.size()), requestId, kOpMsg) + payload;
    }

    void Command(const bson_t& command, const std::string& db,
                 const std::vector<std::string>& sequence, bson_t& reply) {
        bson_iter_t first;
        if (!bson_iter_init(&first, &command) || !bson_iter_next(&first)) {
            Fail(reply, "empty command", 59);
            return;
        }
        const std::string name = bson_iter_key(&first);
        const std::string& hostileAt = server_.options_.hostileAt;
        hostile_ = !hostileAt.empty() &&
                   (name == hostileAt || (hostileAt == "hello" && name == "isMaster") ||
                    (hostileAt == "hello" && name == "ismaster"));
        if (name == "hello" || name == "isMaster" || name == "ismaster") {
            Hello(command, name == "hello", reply);
        } else if (name == "ping" || name == "endSessions") {
            BSON_APPEND_DOUBLE(&reply, "ok", 1.0);
        } else if (name == "buildInfo" || name == "buildinfo") {
            BSON_APPEND_UTF8(&reply, "version", "5.0.0");
            BSON_APPEND_DOUBLE(&reply, "ok", 1.0);
        } else if (name == "saslStart") {
            SaslStart(command, reply);
        } else if (name == "saslContinue") {
            SaslContinue(command, reply);
        } else if (name == "insert") {
            Insert(command, db + "." + Text(command, "insert"), sequence, reply);
        } else if (name == "find") {
            Find(command, db + "." + Text(command, "find"), reply);
        } else {
            Fail(reply, "no such command: '" + name + "'", 59);
        }
    }

    void Hello(const bson_t& command, bool hello, bson_t& reply) {
        BSON_APPEND_BOOL(&reply, "helloOk", true);
        BSON_APPEND_BOOL(&reply, hello ? "isWritablePrimary" : "ismaster", true);
        BSON_APPEND_INT32(&reply, "maxBsonObjectSize", server_.options_.maxBsonObjectSize);
        BSON_APPEND_INT32(&reply, "maxMessageSizeBytes", kMaxMessage);
        BSON_APPEND_INT32(&reply, "maxWriteBatchSize", 100000);
        BSON_APPEND_DATE_TIME(&reply, "localTime", static_cast<int64_t>(std::time(nullptr)) * 1000);
        BSON_APPEND_INT32(&reply, "logicalSessionTimeoutMinutes", 30);
        BSON_APPEND_INT32(&reply, "minWireVersion", 0);
        BSON_APPEND_INT32(&reply, "maxWireVersion", 13);
        BSON_APPEND_BOOL(&reply, "readOnly", false);
        const std::string asked = Text(command, "saslSupportedMechs");
        const std::string user = asked.substr(asked.find('.') + 1);
        if (!asked.empty() && server_.options_.users.count(user) != 0) {
            bson_t list;
            BSON_APPEND_ARRAY_BEGIN(&reply, "saslSupportedMechs", &list);
            for (size_t i = 0; i < server_.options_.mechanisms.size(); ++i) {
                const std::string key = std::to_string(i);
                BSON_APPEND_UTF8(&list, key.c_str(), server_.options_.mechanisms[i].c_str());
            }
            bson_append_array_end(&reply, &list);
        }
        BSON_APPEND_DOUBLE(&reply, "ok", 1.0);
    }

    void AuthenticationFailed(bson_t& reply) {
        scram_.reset();
        Fail(reply, "Authentication failed.", 18);
    }

    void SaslReply(bson_t& reply, bool done, const std::string& payload) {
        BSON_APPEND_INT32(&reply, "conversationId", 1);
        BSON_APPEND_BOOL(&reply, "done", done);
        bson_append_binary(&reply, "payload", -1, BSON_SUBTYPE_BINARY,
                           reinterpret_cast<const uint8_t*>(payload.data()),
                           static_cast<uint32_t>(payload.size()));
        BSON_APPEND_DOUBLE(&reply, "ok", 1.0);
    }

    void SaslStart(const bson_t& command, bson_t& reply) {
        const std::string mechanism = Text(command, "mechanism");
        const auto& offered = server_.options_.mechanisms;
        if (std::find(offered.begin(), offered.end(), mechanism) == offered.end()) {
            Fail(reply,
                 "Received authentication for mechanism " + mechanism + " which is not enabled",
                 334);
            return;
        }
        bson_iter_t options;
        skipEmptyExchange_ = false;
        if (bson_iter_init_find(&options, &command, "options") &&
            BSON_ITER_HOLDS_DOCUMENT(&options)) {
            bson_iter_t child;
            bson_iter_recurse(&options, &child);
            skipEmptyExchange_ =
                bson_iter_find(&child, "skipEmptyExchange") && bson_iter_as_bool(&child);
        }
        scram_ = std::make_unique<ScramServer>(mechanism, server_.options_.users);
        stage_ = 1;
        const auto serverFirst = scram_->Start(Payload(command));
        if (!serverFirst)
            return AuthenticationFailed(reply);
        SaslReply(reply, false, *serverFirst);
    }

    void SaslContinue(const bson_t& command, bson_t& reply) {
        if (!scram_)
            return Fail(reply, "No SASL session state found", 17);
        if (stage_ == 2) {
            scram_.reset();
            return SaslReply(reply, true, "");
        }
        const auto serverFinal = scram_->Finish(Payload(command));
        if (!serverFinal)
            return AuthenticationFailed(reply);
        authenticated_ = true;
        stage_ = 2;
        SaslReply(reply, skipEmptyExchange_, *serverFinal);
        if (skipEmptyExchange_)
            scram_.reset();
    }

    bool Allowed(bson_t& reply, const char* command) {
        if (server_.options_.users.empty() || authenticated_)
            return true;
        Fail(reply, std::string("command ") + command + " requires authentication", 13);
        return false;
    }

    void Insert(const bson_t& command, const std::string& ns, std::vector<std::string> documents,
                bson_t& reply) {
        if (!Allowed(reply, "insert"))
            return;
        bson_iter_t array;
        if (bson_iter_init_find(&array, &command, "documents") && BSON_ITER_HOLDS_ARRAY(&array)) {
            bson_iter_t child;
            bson_iter_recurse(&array, &child);
            while (bson_iter_next(&child)) {
                uint32_t len;
                const uint8_t* data;
                if (!BSON_ITER_HOLDS_DOCUMENT(&child))
                    continue;
                bson_iter_document(&child, &len, &data);
                documents.emplace_back(reinterpret_cast<const char*>(data), len);
            }
        }
        for (const auto& doc : documents) {
            if (doc.size() > static_cast<size_t>(server_.options_.maxBsonObjectSize))
                return Fail(reply, "object to insert too large", 2);
        }
        {
            std::lock_guard lock(server_.storeMutex_);
            auto& target = server_.store_[ns];
            target.insert(target.end(), documents.begin(), documents.end());
        }
        BSON_APPEND_INT32(&reply, "n", static_cast<int32_t>(documents.size()));
        BSON_APPEND_DOUBLE(&reply, "ok", 1.0);
    }

    void Find(const bson_t& command, const std::string& ns, bson_t& reply) {
        if (!Allowed(reply, "find"))
            return;
        bson_t filterView;
        const bson_t* filter = nullptr;
        bson_iter_t it;
        if (bson_iter_init_find(&it, &command, "filter") && BSON_ITER_HOLDS_DOCUMENT(&it)) {
            uint32_t len;
            const uint8_t* data;
            bson_iter_document(&it, &len, &data);
            if (bson_init_static(&filterView, data, len))
                filter = &filterView;
        }
        bson_t cursor;
        bson_t batch;
        BSON_APPEND_DOCUMENT_BEGIN(&reply, "cursor", &cursor);
        BSON_APPEND_ARRAY_BEGIN(&cursor, "firstBatch", &batch);
        {
            std::lock_guard lock(server_.storeMutex_);
            size_t count = 0;
            for (const auto& raw : server_.store_[ns]) {
                bson_t doc;
                if (!ViewOf(raw, doc) || !Matches(doc, filter))
                    continue;
                const std::string key = std::to_string(count++);
                BSON_APPEND_DOCUMENT(&batch, key.c_str(), &doc);
            }
        }
        bson_append_array_end(&cursor, &batch);
        BSON_APPEND_INT64(&cursor, "id", 0);
        BSON_APPEND_UTF8(&cursor, "ns", ns.c_str());
        bson_append_document_end(&reply, &cursor);
        BSON_APPEND_DOUBLE(&reply, "ok", 1.0);
    }

    WireServer& server_;
    ServerStream stream_;
    std::unique_ptr<ScramServer> scram_;
    int stage_ = 0;
    bool skipEmptyExchange_ = false;
    bool authenticated_ = false;
    // Whether the request being handled gets the malformed reply.
    bool hostile_ = false;
};

WireServer::WireServer(WireServerOptions options)
    : options_(std::move(options)), listener_(BindLoopback(port_, true)) {
    if (!options_.tlsCertificate.empty())
        tls_ = MakeServerTls(options_.tlsCertificate, options_.tlsKey);
}

WireServer::~WireServer() {
    CloseSocket(listener_);
}

void WireServer::Run() {
    while (true) {
        const Socket client = AcceptClient(listener_);
        if (client == kNoSocket)
            continue;
        std::thread([this, client] { Connection(*this, client).Serve(); }).detach();
    }
}

}  // namespace kb::test
