#pragma once
// Reads back what the document database test server holds, through the C driver.
#include <cstdint>
#include <string>
#include <vector>

namespace kb::test {

struct StoredDocument {
    std::vector<std::string> keys;  // element names in document order
    std::vector<int> types;         // element type codes, same order
    std::string id;                 // "_id" as 24 hexadecimal digits
    std::string name;
    std::string data;
    int dataSubtype = -1;
    std::string accountId;  // "account_id" as 24 hexadecimal digits
    std::int64_t dateMs = 0;
};

// Every document of zefa.mongo_files, in insertion order. user may be empty (no authentication).
std::vector<StoredDocument> ReadStoredDocuments(int port, const std::string& user,
                                                const std::string& password);

// The document names only.
std::vector<std::string> StoredNames(const std::vector<StoredDocument>& documents);

}  // namespace kb::test
