#pragma once
// The server's side of a SCRAM-SHA-1 / SCRAM-SHA-256 conversation, as the document database
// test server needs it.
#include <map>
#include <optional>
#include <string>

namespace kb::test {

class ScramServer {
  public:
    // mechanism: "SCRAM-SHA-1" or "SCRAM-SHA-256"; users: user name -> clear password.
    ScramServer(std::string mechanism, const std::map<std::string, std::string>& users);

    // Takes the client's first message; returns the server's first message, or nothing when the
    // user is unknown or the message is malformed.
    std::optional<std::string> Start(const std::string& clientFirst);
    // Takes the client's final message; returns the server's final message ("v=...") when the
    // proof is right, nothing otherwise.
    std::optional<std::string> Finish(const std::string& clientFinal);

    const std::string& User() const { return user_; }

  private:
    std::string mechanism_;
    const std::map<std::string, std::string>& users_;
    std::string user_;
    std::string clientFirstBare_;
    std::string serverFirst_;
    std::string nonce_;
    std::string saltedPassword_;
};

}  // namespace kb::test
