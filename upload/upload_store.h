#pragma once
// What an upload needs from the service's document database: a connection that either works or
// has failed, and the storing of one file as one document. MongoDb is the real one; tests put a
// recording one in its place through UploadConfig::openStore.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace kb {

struct UploadConfig;

class UploadStore {
  public:
    virtual ~UploadStore() = default;

    // True when the connection cannot be used: it never could, or it has been lost.
    virtual bool failed() const = 0;

    // Stores the file at path as the document name of the account accountId (24 hexadecimal
    // digits), with the file's bytes as its data and the current date. False when it was not
    // stored.
    virtual bool StoreFile(const std::string& accountId, const std::string& path,
                           const std::string& name) = 0;
};

// Opens the store for one upload with config's settings; never null. Once cancelled turns true
// (the upload was cancelled), the store's calls, the opening included, fail soon.
using UploadStoreFactory = std::function<std::unique_ptr<UploadStore>(
    const UploadConfig& config, const std::atomic<bool>& cancelled)>;

// The service's database through MongoDb, connected with config's settings.
std::unique_ptr<UploadStore> OpenMongoDb(const UploadConfig& config,
                                         const std::atomic<bool>& cancelled);

}  // namespace kb
