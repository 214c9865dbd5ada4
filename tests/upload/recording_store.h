#pragma once
// A document store for upload tests: records every document stored, in order, and can be told
// to refuse the connection or to lose it at a given store.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "upload/upload_store.h"

namespace kb::test {

struct RecordedDocument {
    std::string accountId;
    std::string name;
    std::string data;  // the file's bytes when it was stored
};

class RecordingStore {
  public:
    RecordingStore();

    // The stores that factory opens share this record; it outlives them.
    UploadStoreFactory Factory();

    // Every store opened after this fails to connect.
    void RefuseConnection();
    // The store with this index (0 for the first) fails and loses the connection.
    void FailStore(size_t index);

    std::vector<RecordedDocument> Documents() const;
    std::vector<std::string> Names() const;

  private:
    struct Record;
    class Store;
    std::shared_ptr<Record> record_;
};

}  // namespace kb::test
