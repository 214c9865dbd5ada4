#include "upload/mongo_db.h"

#include <ctime>

#include "foundation/files.h"
#include "upload/bson.h"
#include "upload/helper_process.h"
#include "upload/store_protocol.h"
#include "upload/upload_config.h"

namespace kb {
namespace {

// The service reads file data as binary of subtype 5.
constexpr bson_subtype_t kDataSubtype = BSON_SUBTYPE_MD5;

// The file's bytes; one zero byte stands for a missing or empty file.
std::string FileContent(const std::string& path) {
    std::string content = FileExists(path) ? ReadTextFile(path) : std::string();
    if (content.empty())
        content.assign(1, '\0');
    return content;
}

// How long the helper may take to answer one request: connecting, a few exchanges with the
// server, and some slack for a loaded machine.
std::chrono::milliseconds ReplyTime(const NetworkTimeouts& timeouts) {
    return timeouts.connect + 2 * timeouts.total + std::chrono::seconds(2);
}

}  // namespace

MongoDb::MongoDb(const std::string& host, int port, std::string database, std::string collection,
                 const std::string& user, const std::string& password, NetworkTimeouts timeouts,
                 ErrorDisplay showError, DatabaseOptions options)
    : collectionName(std::move(collection)),
      databaseName(std::move(database)),
      timeouts_(timeouts),
      showError_(std::move(showError)) {
    failed_ = !Connect(host, port, user, password, options);
}

MongoDb::~MongoDb() = default;

bool MongoDb::Connect(const std::string& host, int port, const std::string& user,
                      const std::string& password, const DatabaseOptions& options) {
    const std::string address = ResolveIpv4(host);
    if (address.empty() || port <= 0 || port > 65535)
        return false;
    connection = std::make_unique<HelperProcess>(options.helper, options.cancelled);
    // With TLS the certificate is checked against the name, so the driver is given the name.
    const StoreConnection request{options.tls ? host : address,
                                  port,
                                  databaseName,
                                  collectionName,
                                  user,
                                  password,
                                  timeouts_,
                                  options.tls,
                                  options.caFile};
    return IsOkReply(connection->Ask(*ConnectRequest(request), ReplyTime(timeouts_)).get());
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
    const BsonDocument request = InsertRequest(*document.Document());
    if (!request || request->len > kMaxStoreRequestBytes)
        return false;
    const BsonDocument reply = connection->Ask(*request, ReplyTime(timeouts_));
    // No reply: the helper crashed or hung, and the connection is gone with it.
    if (!reply)
        failed_ = true;
    return IsOkReply(reply.get());
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

// Store failures are shown by the upload, which knows the file.
std::unique_ptr<UploadStore> OpenMongoDb(const UploadConfig& config,
                                         const std::atomic<bool>& cancelled) {
    return std::make_unique<MongoDb>(
        config.databaseHost, config.databasePort, kUploadDatabase, kUploadCollection,
        config.databaseUser, config.databasePassword, config.timeouts, MongoDb::ErrorDisplay{},
        DatabaseOptions{config.storeHelper, config.databaseTls, config.caFile, &cancelled});
}

}  // namespace kb
