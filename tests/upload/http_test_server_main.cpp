// The online service for the tests: account check, processing request and a few answers made to
// measure. Prints its port on the first line of its output, then serves until it is killed.
//
//   kb_http_test_server [--account EMAIL PASSWORD ID]... [--tls CERTIFICATE KEY]
//
// With --tls it serves HTTPS with that certificate chain and key (PEM files).
//
// GET /id/<e-mail>/<password>  the account's ID, or "Not Found" with status 404
// GET /process/<id>            "Processing <id>"
// GET /bytes/<n>               n bytes: 0, 1, ..., 255, 0, 1, ...
// GET /status/<code>           status <code> with the body "Status <code>"
// GET /truncated/<n>/...       announces n bytes, sends half of them and closes
// GET /stall/<n>/...           announces 2n bytes, sends n of them and then nothing more
// GET /endless                 bytes without end and without a length
// GET /lines/<n>/...           n numbered lines, whatever follows
// GET /log                     the requests seen before, as JSON: [{"path": ..., "headers": {...}}]
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/upload/test_system.h"

namespace {

using kb::test::ServerStream;

struct Request {
    std::string path;
    // In the order and the spelling the client sent them.
    std::vector<std::pair<std::string, std::string>> headers;
};

class Service {
  public:
    std::map<std::pair<std::string, std::string>, std::string> accounts;

    // Serves one request on stream; the connection ends after it.
    void Serve(ServerStream& stream) {
        Request request;
        if (!ReadRequest(stream, request))
            return;
        if (request.path == "/log")
            return Answer(stream, 200, Log());
        Record(request);
        Respond(stream, request.path);
    }

  private:
    static bool ReadRequest(ServerStream& stream, Request& request) {
        std::string head;
        char c;
        while (head.size() < 65536 && head.find("\r\n\r\n") == std::string::npos) {
            if (stream.ReadSome(&c, 1) != 1)
                return false;
            head += c;
        }
        const std::vector<std::string> lines = Split(head, "\r\n");
        const std::vector<std::string> first = Split(lines.front(), " ");
        if (first.size() != 3 || first[0] != "GET")
            return false;
        request.path = first[1];
        for (size_t i = 1; i < lines.size(); ++i) {
            const size_t colon = lines[i].find(':');
            if (colon == std::string::npos)
                continue;
            const size_t value = lines[i].find_first_not_of(' ', colon + 1);
            request.headers.emplace_back(lines[i].substr(0, colon), value == std::string::npos
                                                                        ? std::string()
                                                                        : lines[i].substr(value));
        }
        return true;
    }

    static std::vector<std::string> Split(const std::string& text, const std::string& separator) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t at; (at = text.find(separator, start)) != std::string::npos;
             start = at + separator.size())
            parts.push_back(text.substr(start, at - start));
        parts.push_back(text.substr(start));
        return parts;
    }

    static std::string Unquote(const std::string& text) {
        return QByteArray::fromPercentEncoding(QByteArray::fromStdString(text)).toStdString();
    }

    static void Answer(ServerStream& stream, int status, const std::string& body) {
        stream.WriteAll(Head(status, "Content-Type: text/plain\r\nContent-Length: " +
                                         std::to_string(body.size()) + "\r\n") +
                        body);
    }

    static std::string Head(int status, const std::string& headers) {
        const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
        return "HTTP/1.0 " + std::to_string(status) + " " + reason + "\r\nConnection: close\r\n" +
               headers + "\r\n";
    }

    void Record(const Request& request) {
        QJsonObject headers;
        for (const auto& [name, value] : request.headers)
            headers[QString::fromStdString(name)] = QString::fromStdString(value);
        std::lock_guard lock(logMutex_);
        log_.append(
            QJsonObject{{"path", QString::fromStdString(request.path)}, {"headers", headers}});
    }

    std::string Log() {
        std::lock_guard lock(logMutex_);
        return QJsonDocument(log_).toJson(QJsonDocument::Compact).toStdString();
    }

    void Respond(ServerStream& stream, const std::string& path) {
        const std::vector<std::string> parts = Split(path, "/");
        const std::string what = parts.size() > 1 ? parts[1] : "";
        if (parts.size() == 4 && what == "id") {
            const auto found = accounts.find({Unquote(parts[2]), Unquote(parts[3])});
            return found != accounts.end() ? Answer(stream, 200, found->second)
                                           : Answer(stream, 404, "Not Found");
        }
        if (parts.size() == 3 && what == "process")
            return Answer(stream, 200, "Processing " + Unquote(parts[2]));
        if (parts.size() == 3 && what == "bytes") {
            std::string bytes(std::stoul(parts[2]), '\0');
            for (size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<char>(i % 256);
            return Answer(stream, 200, bytes);
        }
        if (parts.size() == 3 && what == "status")
            return Answer(stream, std::stoi(parts[2]), "Status " + parts[2]);
        if (parts.size() >= 3 && (what == "truncated" || what == "stall")) {
            const size_t n = std::stoul(parts[2]);
            const bool stall = what == "stall";
            stream.WriteAll(
                Head(200, "Content-Length: " + std::to_string(stall ? 2 * n : n) + "\r\n") +
                std::string(stall ? n : n / 2, 'x'));
            if (stall)
                std::this_thread::sleep_for(std::chrono::hours(1));
            return;
        }
        if (parts.size() == 2 && what == "endless") {
            if (!stream.WriteAll(Head(200, "")))
                return;
            const std::string chunk(65536, 'y');
            while (stream.WriteAll(chunk)) {
            }
            return;
        }
        if (parts.size() >= 3 && what == "lines") {
            std::string lines;
            for (int i = 0; i < std::stoi(parts[2]); ++i)
                lines += "line " + std::to_string(i) + "\n";
            return Answer(stream, 200, lines);
        }
        Answer(stream, 404, "Not Found");
    }

    std::mutex logMutex_;
    QJsonArray log_;
};

}  // namespace

int main(int argc, char** argv) {
    auto service = std::make_shared<Service>();
    std::shared_ptr<kb::test::ServerTls> tls;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--account" && i + 3 < argc) {
                service->accounts[{argv[i + 1], argv[i + 2]}] = argv[i + 3];
                i += 3;
            } else if (arg == "--tls" && i + 2 < argc) {
                tls = kb::test::MakeServerTls(argv[i + 1], argv[i + 2]);
                i += 2;
            } else {
                std::fprintf(stderr, "unknown argument: %s\n", arg.c_str());
                return 2;
            }
        }
        int port = 0;
        const kb::test::Socket listener = kb::test::BindLoopback(port, true);
        std::printf("%d\n", port);
        std::fflush(stdout);
        while (true) {
            const kb::test::Socket client = kb::test::AcceptClient(listener);
            if (client == kb::test::kNoSocket)
                continue;
            // The handshake is made on the request's thread, so that a client that gives up
            // holds no one else up.
            std::thread([service, tls, client] {
                ServerStream stream(client, tls);
                try {
                    service->Serve(stream);
                } catch (const std::exception&) {
                    // A malformed number in a path: the connection just ends.
                }
            }).detach();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
