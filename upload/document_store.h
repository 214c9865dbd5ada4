#pragma once
// The database driver's side of the upload, run only inside the document-store helper: a
// driver that meets a malformed server reply may crash, and must take nothing else with it.
#include <memory>

#include "upload/store_protocol.h"

struct _mongoc_client_t;

namespace kb {

class DocumentStore {
  public:
    // Connects and, when database, user and password are all given, authenticates user on
    // database. Connected() tells whether that worked.
    explicit DocumentStore(const StoreConnection& connection);
    ~DocumentStore();
    DocumentStore(const DocumentStore&) = delete;
    DocumentStore& operator=(const DocumentStore&) = delete;

    bool Connected() const { return connected_; }
    // Inserts document into the connection's collection with the default write settings.
    bool Insert(const bson_t& document);

  private:
    struct ClientDeleter {
        void operator()(_mongoc_client_t* client) const;
    };
    bool Connect(const StoreConnection& c);

    std::unique_ptr<_mongoc_client_t, ClientDeleter> client_;
    std::string database_;
    std::string collection_;
    bool connected_ = false;
};

// Serves requests read from in, replying on out, until in ends: the helper's whole work.
// Returns the helper's exit status.
int RunStoreHelper(StreamHandle in, StreamHandle out);

}  // namespace kb
