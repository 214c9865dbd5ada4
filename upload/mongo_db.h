#pragma once
// The gateway to the service's document database: one authenticated connection for one upload,
// one document per stored file. The database driver runs in a helper process of its own (see
// document_store.h), so that a server able to crash the driver crashes only the helper. Used by
// one thread at a time.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "upload/network_timeouts.h"
#include "upload/store_protocol.h"
#include "upload/upload_store.h"

namespace kb {

class HelperProcess;

struct DatabaseOptions {
    // The helper program: a path, or a bare name.
    std::string helper = kStoreHelperName;
    // TLS with the server's certificate verified against caFile (the system's authorities when
    // empty) and its name against the host.
    bool tls = false;
    std::string caFile;
    // When given, the helper is killed as soon as it turns true: every request in progress or
    // to come fails at once, and the connection with it.
    const std::atomic<bool>* cancelled = nullptr;
};

class MongoDb : public UploadStore {
  public:
    // Shows a store failure to the user; returns when the user has seen it.
    using ErrorDisplay = std::function<void(const std::string& text)>;

    // Resolves host to an IPv4 address, connects to it and, when database, user and password
    // are all given, authenticates user on database. failed() tells whether that worked.
    MongoDb(const std::string& host, int port, std::string database, std::string collection,
            const std::string& user, const std::string& password, NetworkTimeouts timeouts = {},
            ErrorDisplay showError = {}, DatabaseOptions options = {});
    ~MongoDb() override;
    MongoDb(const MongoDb&) = delete;
    MongoDb& operator=(const MongoDb&) = delete;

    // True when the connection cannot be used: it never could, or the helper has gone.
    bool failed() const override { return failed_; }

    // Inserts one document: a new "_id", "name", the file's bytes as "data" (binary subtype 5;
    // one zero byte for a missing or empty file), "account_id" from 24 hexadecimal digits and
    // the current "date" in whole seconds. On failure shows "Error transfering file: " + path
    // and returns false.
    bool StoreFile(const std::string& accountId, const std::string& path,
                   const std::string& name) override;

  private:
    bool Connect(const std::string& host, int port, const std::string& user,
                 const std::string& password, const DatabaseOptions& options);
    bool Insert(const std::string& accountId, const std::string& path, const std::string& name);

    std::unique_ptr<HelperProcess> connection;
    std::string collectionName;
    std::string databaseName;
    bool failed_ = true;
    NetworkTimeouts timeouts_;
    ErrorDisplay showError_;
};

// The first IPv4 address of host as dotted text; "" when it does not resolve.
std::string ResolveIpv4(const std::string& host);

}  // namespace kb
