#pragma once
// The online service's fixed settings: its HTTP base address and its document database.
// Compiled in; tests point them at their own servers with SetUploadConfig.
#include <string>

#include "upload/network_timeouts.h"
#include "upload/store_protocol.h"
#include "upload/upload_store.h"

namespace kb {

inline constexpr const char* kUploadDatabase = "zefa";
inline constexpr const char* kUploadCollection = "mongo_files";

struct UploadConfig {
    // Base address of the service; the account check adds "id/", the processing request
    // "process/".
    std::string serviceAddress = "http://127.0.0.1:8080/";
    std::string databaseHost = "localhost";
    int databasePort = 27017;
    std::string databaseUser = "kbu";
    std::string databasePassword = "upload7";
    // Applies to every HTTP request and to the database connection.
    NetworkTimeouts timeouts;
    // The helper program that runs the database driver; see MongoDb.
    std::string storeHelper = kStoreHelperName;
    // TLS with certificate verification for the database. HTTP uses it when the service address
    // starts with "https://".
    bool databaseTls = false;
    // The certificate authorities both trust, as a PEM file; the system's when empty.
    std::string caFile;
    // Opens the document database for an upload.
    UploadStoreFactory openStore = OpenMongoDb;

    std::string AccountCheckAddress() const { return serviceAddress + "id/"; }
    std::string ProcessingAddress() const { return serviceAddress + "process/"; }
};

// The settings in force; each command takes a copy when it starts. Thread-safe.
UploadConfig CurrentUploadConfig();
void SetUploadConfig(UploadConfig config);

}  // namespace kb
