#include "tests/upload/recording_store.h"

#include <limits>

#include "foundation/files.h"

namespace kb::test {

struct RecordingStore::Record {
    mutable std::mutex mutex;
    bool refuse = false;
    size_t failAt = std::numeric_limits<size_t>::max();
    size_t attempts = 0;
    std::vector<RecordedDocument> documents;
};

class RecordingStore::Store : public UploadStore {
  public:
    explicit Store(std::shared_ptr<Record> record) : record_(std::move(record)) {
        std::lock_guard lock(record_->mutex);
        failed_ = record_->refuse;
    }

    bool failed() const override { return failed_; }

    bool StoreFile(const std::string& accountId, const std::string& path,
                   const std::string& name) override {
        std::lock_guard lock(record_->mutex);
        if (failed_ || record_->attempts++ == record_->failAt) {
            failed_ = true;
            return false;
        }
        const std::string data = FileExists(path) ? ReadTextFile(path) : std::string();
        record_->documents.push_back({accountId, name, data});
        return true;
    }

  private:
    std::shared_ptr<Record> record_;
    bool failed_ = false;
};

RecordingStore::RecordingStore() : record_(std::make_shared<Record>()) {}

UploadStoreFactory RecordingStore::Factory() {
    return [record = record_](const UploadConfig&,
                              const std::atomic<bool>&) -> std::unique_ptr<UploadStore> {
        return std::make_unique<Store>(record);
    };
}

void RecordingStore::RefuseConnection() {
    std::lock_guard lock(record_->mutex);
    record_->refuse = true;
}

void RecordingStore::FailStore(size_t index) {
    std::lock_guard lock(record_->mutex);
    record_->failAt = index;
}

std::vector<RecordedDocument> RecordingStore::Documents() const {
    std::lock_guard lock(record_->mutex);
    return record_->documents;
}

std::vector<std::string> RecordingStore::Names() const {
    std::vector<std::string> names;
    for (const RecordedDocument& document : Documents())
        names.push_back(document.name);
    return names;
}

}  // namespace kb::test
