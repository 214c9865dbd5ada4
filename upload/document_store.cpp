#include "upload/document_store.h"

#include <mongoc/mongoc.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace kb {
namespace {

void InitDriverOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mongoc_init(); });
}

int32_t Milliseconds(std::chrono::milliseconds value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value.count(), 0, INT32_MAX));
}

struct UriDeleter {
    void operator()(mongoc_uri_t* uri) const { mongoc_uri_destroy(uri); }
};
struct CollectionDeleter {
    void operator()(mongoc_collection_t* collection) const {
        mongoc_collection_destroy(collection);
    }
};

bool SetTls(mongoc_uri_t* uri, const StoreConnection& c) {
    if (!c.tls)
        return true;
    // Verification stays on: no option that allows invalid certificates or host names is set.
    return mongoc_uri_set_option_as_bool(uri, MONGOC_URI_TLS, true) &&
           (c.caFile.empty() ||
            mongoc_uri_set_option_as_utf8(uri, MONGOC_URI_TLSCAFILE, c.caFile.c_str()));
}

}  // namespace

void DocumentStore::ClientDeleter::operator()(_mongoc_client_t* client) const {
    mongoc_client_destroy(client);
}

DocumentStore::DocumentStore(const StoreConnection& connection)
    : database_(connection.database), collection_(connection.collection) {
    InitDriverOnce();
    connected_ = Connect(connection);
}

DocumentStore::~DocumentStore() = default;

bool DocumentStore::Connect(const StoreConnection& c) {
    std::unique_ptr<mongoc_uri_t, UriDeleter> uri(
        mongoc_uri_new_for_host_port(c.address.c_str(), static_cast<uint16_t>(c.port)));
    if (!uri)
        return false;
    mongoc_uri_t* u = uri.get();
    mongoc_uri_set_option_as_bool(u, MONGOC_URI_DIRECTCONNECTION, true);
    mongoc_uri_set_option_as_int32(u, MONGOC_URI_CONNECTTIMEOUTMS,
                                   Milliseconds(c.timeouts.connect));
    mongoc_uri_set_option_as_int32(u, MONGOC_URI_SERVERSELECTIONTIMEOUTMS,
                                   Milliseconds(c.timeouts.connect));
    mongoc_uri_set_option_as_int32(u, MONGOC_URI_SOCKETTIMEOUTMS, Milliseconds(c.timeouts.total));
    if (!SetTls(u, c))
        return false;
    const bool authenticate = !c.database.empty() && !c.user.empty() && !c.password.empty();
    if (authenticate && !(mongoc_uri_set_username(u, c.user.c_str()) &&
                          mongoc_uri_set_password(u, c.password.c_str()) &&
                          mongoc_uri_set_auth_source(u, c.database.c_str())))
        return false;
    client_.reset(mongoc_client_new_from_uri(u));
    if (!client_)
        return false;
    mongoc_client_set_error_api(client_.get(), MONGOC_ERROR_API_VERSION_2);
    // The driver connects lazily: one command opens the connection and authenticates.
    bson_t* ping = BCON_NEW("ping", BCON_INT32(1));
    bson_error_t error;
    const bool answered = mongoc_client_command_simple(
        client_.get(), authenticate ? c.database.c_str() : "admin", ping, nullptr, nullptr, &error);
    bson_destroy(ping);
    return answered;
}

bool DocumentStore::Insert(const bson_t& document) {
    if (!connected_)
        return false;
    std::unique_ptr<mongoc_collection_t, CollectionDeleter> target(
        mongoc_client_get_collection(client_.get(), database_.c_str(), collection_.c_str()));
    bson_error_t error;
    return target &&
           mongoc_collection_insert_one(target.get(), &document, nullptr, nullptr, &error);
}

int RunStoreHelper(StreamHandle in, StreamHandle out) {
    std::unique_ptr<DocumentStore> store;
    while (BsonDocument request = ReadDocument(in, kMaxStoreRequestBytes)) {
        bool ok = false;
        bson_t document;
        if (auto connection = ParseConnectRequest(*request)) {
            store = std::make_unique<DocumentStore>(*connection);
            ok = store->Connected();
        } else if (ParseInsertRequest(*request, document)) {
            ok = store && store->Insert(document);
        }
        if (!WriteDocument(out, *OkReply(ok)))
            return 1;
    }
    return 0;
}

}  // namespace kb
