#include "upload/bson.h"

#include <stdexcept>

namespace kb {

bool IsObjectIdText(std::string_view text) {
    return text.size() == 24 && bson_oid_is_valid(text.data(), text.size());
}

Bson::~Bson() {
    if (owned)
        bson_destroy(&document);
}

void Bson::Start() {
    if (owned)
        bson_destroy(&document);
    bson_init(&document);
    owned = true;
}

void Bson::Check(bool appended, const char* key) const {
    if (!appended)
        throw std::runtime_error(std::string("Cannot add \"") + key + "\" to the document");
}

void Bson::AppendNewObjectId(const char* key) {
    bson_oid_t oid;
    bson_oid_init(&oid, nullptr);
    Check(bson_append_oid(&document, key, -1, &oid), key);
}

void Bson::AppendString(const char* key, std::string_view value) {
    Check(bson_append_utf8(&document, key, -1, value.data(), static_cast<int>(value.size())), key);
}

void Bson::AppendBinary(const char* key, bson_subtype_t subtype, std::string_view bytes) {
    Check(bytes.size() <= BSON_MAX_SIZE &&
              bson_append_binary(&document, key, -1, subtype,
                                 reinterpret_cast<const uint8_t*>(bytes.data()),
                                 static_cast<uint32_t>(bytes.size())),
          key);
}

void Bson::AppendObjectId(const char* key, std::string_view hex) {
    if (!IsObjectIdText(hex))
        throw std::runtime_error("\"" + std::string(hex) +
                                 "\" is not an object identifier of 24 hexadecimal digits");
    const std::string text(hex);
    bson_oid_t oid;
    bson_oid_init_from_string(&oid, text.c_str());
    Check(bson_append_oid(&document, key, -1, &oid), key);
}

void Bson::AppendTimeSeconds(const char* key, std::time_t seconds) {
    Check(bson_append_time_t(&document, key, -1, seconds), key);
}

}  // namespace kb
