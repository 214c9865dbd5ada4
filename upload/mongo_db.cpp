#include "upload/mongo_db.h"

#include <arpa/inet.h>
#include <mongoc/mongoc.h>
#include <netdb.h>

#include <algorithm>
#include <ctime>
#include <mutex>

#include "foundation/files.h"
#include "upload/bson.h"

namespace kb {
namespace {

// The service reads file data as binary of subtype 5.
constexpr bson_subtype_t kDataSubtype = BSON_SUBTYPE_MD5;

void InitDriverOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mongoc_init(); });
}

int32_t Milliseconds(std::chrono::milliseconds value) {
    return static_cast<int32_t>(std::min<int64_t>(value.count(), INT32_MAX));
}

struct UriDeleter {
    void operator()(mongoc_uri_t* uri) const { mongoc_uri_destroy(uri); }
};
struct CollectionDeleter {
    void operator()(mongoc_collection_t* collection) const {
        mongoc_collection_destroy(collection);
    }
};

// The file's bytes; one zero byte stands for a missing or empty file.
std::string FileContent(const std::string& path) {
    std::string content = FileExists(path) ? ReadTextFile(path) : std::string();
    if (content.empty())
        content.assign(1, '\0');
    return content;
}

}  // namespace

void MongoDb::ClientDeleter::operator()(_mongoc_client_t* client) const {
    mongoc_client_destroy(client);
}

std::string ResolveIpv4(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const bool converted = inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr;
    freeaddrinfo(found);
    return converted ? text : "";
}

MongoDb::MongoDb(const std::string& host, int port, std::string database, std::string collection,
                 const std::string& user, const std::string& password, NetworkTimeouts timeouts,
                 ErrorDisplay showError)
    : collectionName(std::move(collection)),
      databaseName(std::move(database)),
      showError_(std::move(showError)) {
    InitDriverOnce();
    const std::string address = ResolveIpv4(host);
    failed_ = address.empty() || port <= 0 || port > 65535 ||
              !Connect(address, port, user, password, timeouts);
}

MongoDb::~MongoDb() = default;

bool MongoDb::Connect(const std::string& address, int port, const std::string& user,
                      const std::string& password, const NetworkTimeouts& timeouts) {
    std::unique_ptr<mongoc_uri_t, UriDeleter> uri(
        mongoc_uri_new_for_host_port(address.c_str(), static_cast<uint16_t>(port)));
    if (!uri)
        return false;
    mongoc_uri_t* u = uri.get();
    mongoc_uri_set_option_as_bool(u, MONGOC_URI_DIRECTCONNECTION, true);
    mongoc_uri_set_option_as_int32(u, MONGOC_URI_CONNECTTIMEOUTMS, Milliseconds(timeouts.connect));
    mongoc_uri_set_option_as_int32(u, MONGOC_URI_SERVERSELECTIONTIMEOUTMS,
                                   Milliseconds(timeouts.connect));
    mongoc_uri_set_option_as_int32(u, MONGOC_URI_SOCKETTIMEOUTMS, Milliseconds(timeouts.total));
    const bool authenticate = !databaseName.empty() && !user.empty() && !password.empty();
    if (authenticate && !(mongoc_uri_set_username(u, user.c_str()) &&
                          mongoc_uri_set_password(u, password.c_str()) &&
                          mongoc_uri_set_auth_source(u, databaseName.c_str())))
        return false;
    connection.reset(mongoc_client_new_from_uri(u));
    if (!connection)
        return false;
    mongoc_client_set_error_api(connection.get(), MONGOC_ERROR_API_VERSION_2);
    // The driver connects lazily: one command opens the connection and authenticates.
    bson_t* ping = BCON_NEW("ping", BCON_INT32(1));
    bson_error_t error;
    const bool answered = mongoc_client_command_simple(
        connection.get(), authenticate ? databaseName.c_str() : "admin", ping, nullptr, nullptr,
        &error);
    bson_destroy(ping);
    return answered;
}

bool MongoDb::Insert(const std::string& accountId, const std::string& path,
                     const std::string& name) {
    Bson document;
    document.Start();
    document.AppendNewObjectId("_id");
    document.AppendString("name", name);
    document.AppendBinary("data", kDataSubtype, FileContent(path));
    document.AppendObjectId("account_id", accountId);
    document.AppendTimeSeconds("date", std::time(nullptr));
    if (failed_)
        return false;
    std::unique_ptr<mongoc_collection_t, CollectionDeleter> target(mongoc_client_get_collection(
        connection.get(), databaseName.c_str(), collectionName.c_str()));
    bson_error_t error;
    return target && mongoc_collection_insert_one(target.get(), document.Document(), nullptr,
                                                  nullptr, &error);
}

bool MongoDb::StoreFile(const std::string& accountId, const std::string& path,
                        const std::string& name) {
    bool stored = false;
    try {
        stored = Insert(accountId, path, name);
    } catch (const std::exception&) {
        stored = false;
    }
    if (!stored && showError_)
        showError_("Error transfering file: " + path);
    return stored;
}

}  // namespace kb
