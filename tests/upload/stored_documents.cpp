#include "tests/upload/stored_documents.h"

#include <mongoc/mongoc.h>

#include <stdexcept>

namespace kb::test {
namespace {

std::string OidText(const bson_iter_t& it) {
    char text[25];
    bson_oid_to_string(bson_iter_oid(&it), text);
    return text;
}

StoredDocument Parse(const bson_t* doc) {
    StoredDocument stored;
    bson_iter_t it;
    bson_iter_init(&it, doc);
    while (bson_iter_next(&it)) {
        const std::string key = bson_iter_key(&it);
        stored.keys.push_back(key);
        stored.types.push_back(bson_iter_type(&it));
        if (key == "_id" && BSON_ITER_HOLDS_OID(&it))
            stored.id = OidText(it);
        if (key == "account_id" && BSON_ITER_HOLDS_OID(&it))
            stored.accountId = OidText(it);
        if (key == "name" && BSON_ITER_HOLDS_UTF8(&it)) {
            uint32_t length = 0;
            const char* text = bson_iter_utf8(&it, &length);
            stored.name.assign(text, length);
        }
        if (key == "date" && BSON_ITER_HOLDS_DATE_TIME(&it))
            stored.dateMs = bson_iter_date_time(&it);
        if (key == "data" && BSON_ITER_HOLDS_BINARY(&it)) {
            bson_subtype_t subtype;
            uint32_t length = 0;
            const uint8_t* bytes = nullptr;
            bson_iter_binary(&it, &subtype, &length, &bytes);
            stored.dataSubtype = subtype;
            stored.data.assign(reinterpret_cast<const char*>(bytes), length);
        }
    }
    return stored;
}

}  // namespace

std::vector<StoredDocument> ReadStoredDocuments(int port, const std::string& user,
                                                const std::string& password) {
    mongoc_init();
    mongoc_uri_t* uri = mongoc_uri_new_for_host_port("127.0.0.1", static_cast<uint16_t>(port));
    mongoc_uri_set_option_as_bool(uri, MONGOC_URI_DIRECTCONNECTION, true);
    if (!user.empty()) {
        mongoc_uri_set_username(uri, user.c_str());
        mongoc_uri_set_password(uri, password.c_str());
        mongoc_uri_set_auth_source(uri, "zefa");
    }
    mongoc_client_t* client = mongoc_client_new_from_uri(uri);
    mongoc_collection_t* collection = mongoc_client_get_collection(client, "zefa", "mongo_files");
    bson_t filter = BSON_INITIALIZER;
    mongoc_cursor_t* cursor =
        mongoc_collection_find_with_opts(collection, &filter, nullptr, nullptr);
    std::vector<StoredDocument> documents;
    const bson_t* doc = nullptr;
    while (mongoc_cursor_next(cursor, &doc))
        documents.push_back(Parse(doc));
    bson_error_t error;
    const bool failed = mongoc_cursor_error(cursor, &error);
    mongoc_cursor_destroy(cursor);
    bson_destroy(&filter);
    mongoc_collection_destroy(collection);
    mongoc_client_destroy(client);
    mongoc_uri_destroy(uri);
    if (failed)
        throw std::runtime_error(std::string("reading the documents failed: ") + error.message);
    return documents;
}

std::vector<std::string> StoredNames(const std::vector<StoredDocument>& documents) {
    std::vector<std::string> names;
    for (const auto& d : documents)
        names.push_back(d.name);
    return names;
}

}  // namespace kb::test
