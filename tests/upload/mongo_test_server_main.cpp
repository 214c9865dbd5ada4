// The document database test server as a program: prints its port on the first line of its
// output, then serves until it is killed.
//   kb_mongo_test_server [--user NAME PASSWORD]... [--mechanisms A,B] [--max-bson-size BYTES]
//                        [--hostile-at COMMAND] [--tls CERTIFICATE KEY]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "tests/upload/wire_server.h"

namespace {

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

}  // namespace

int main(int argc, char** argv) {
    kb::test::WireServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--user" && i + 2 < argc) {
            options.users[argv[i + 1]] = argv[i + 2];
            i += 2;
        } else if (arg == "--mechanisms" && i + 1 < argc) {
            options.mechanisms = SplitCommas(argv[++i]);
        } else if (arg == "--tls" && i + 2 < argc) {
            options.tlsCertificate = argv[i + 1];
            options.tlsKey = argv[i + 2];
            i += 2;
        } else if (arg == "--hostile-at" && i + 1 < argc) {
            options.hostileAt = argv[++i];
        } else if (arg == "--max-bson-size" && i + 1 < argc) {
            options.maxBsonObjectSize = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", arg.c_str());
            return 2;
        }
    }
    try {
        kb::test::WireServer server(options);
        std::printf("%d\n", server.Port());
        std::fflush(stdout);
        server.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
