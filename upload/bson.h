#pragma once
// One BSON document while it is built. Appends raise std::runtime_error naming the element
// when the document cannot take it (too large, or a malformed object identifier).
#include <bson/bson.h>

#include <ctime>
#include <string>
#include <string_view>

namespace kb {

// Whether text is an object identifier written as exactly 24 hexadecimal digits.
bool IsObjectIdText(std::string_view text);

class Bson {
  public:
    Bson() = default;
    ~Bson();
    Bson(const Bson&) = delete;
    Bson& operator=(const Bson&) = delete;

    // Starts an empty document, dropping one started before.
    void Start();
    void AppendNewObjectId(const char* key);
    void AppendString(const char* key, std::string_view value);
    void AppendBinary(const char* key, bson_subtype_t subtype, std::string_view bytes);
    // hex must be exactly 24 hexadecimal digits.
    void AppendObjectId(const char* key, std::string_view hex);
    // Stored as a date-time of seconds * 1000 milliseconds.
    void AppendTimeSeconds(const char* key, std::time_t seconds);

    const bson_t* Document() const { return &document; }

  private:
    void Check(bool appended, const char* key) const;

    bool owned = false;
    bson_t document{};
};

}  // namespace kb
