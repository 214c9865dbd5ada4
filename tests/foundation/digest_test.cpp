// SHA-256 as each platform's library computes it, checked against the published test vectors.
#include "foundation/digest.h"

#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

TEST(DigestTest, TextsAndFilesGiveTheKnownDigests) {
    struct Case {
        std::string bytes;
        const char* sha256;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // More than the file reader's piece, so that the pieces are joined.
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    test::TempFolder folder;
    const std::string file = folder.Path() + "/bytes";
    for (const Case& c : cases) {
        EXPECT_EQ(Sha256Hex(c.bytes), c.sha256) << c.bytes.size() << " bytes";
        WriteTextFile(file, c.bytes);
        const FileDigest digest = Sha256OfFile(file);
        EXPECT_EQ(digest.sha256, c.sha256) << c.bytes.size() << " bytes";
        EXPECT_EQ(digest.size, c.bytes.size());
    }
}

TEST(DigestTest, AMissingFileIsNamed) {
    test::TempFolder folder;
    const std::string missing = folder.Path() + "/gone.exe";
    try {
        Sha256OfFile(missing);
        ADD_FAILURE() << "a missing file was hashed";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace kb
