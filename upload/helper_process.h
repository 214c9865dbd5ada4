#pragma once
// A helper program run as a child process that talks over its standard input and output, both
// one end of a two-way stream. Writing to a helper that has gone never raises a signal here.
#include <chrono>
#include <optional>
#include <string>

#include "upload/child_process.h"
#include "upload/store_protocol.h"

namespace kb {

class HelperProcess {
  public:
    // Starts program (a path, or a bare name found in the helper folder or on the search
    // path). Running() is false when it could not be started.
    explicit HelperProcess(const std::string& program);
    // Ends the helper: closes its input, gives it a moment to finish, then kills it.
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    bool Running() const { return child_.has_value(); }

    // Sends request and waits at most timeout for the reply, the sending included. Null when
    // the helper did not answer in time, ended or answered with something malformed; the
    // helper is then ended.
    BsonDocument Ask(const bson_t& request, std::chrono::milliseconds timeout);

  private:
    void Stop(bool kill);

    std::optional<ChildProcess> child_;
};

}  // namespace kb
