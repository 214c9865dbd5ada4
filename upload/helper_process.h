#pragma once
// A helper program run as a child process that talks over its standard input and output, both
// one end of a two-way stream. Writing to a helper that has gone never raises a signal here.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "upload/child_process.h"
#include "upload/store_protocol.h"

namespace kb {

class HelperProcess {
  public:
    // Starts program (a path, or a bare name found in the helper folder or on the search
    // path). Running() is false when it could not be started. When cancelled is given, the
    // helper is killed as soon as it turns true, so that a request waiting on a silent server
    // fails at once instead of at its time-out.
    explicit HelperProcess(const std::string& program,
                           const std::atomic<bool>* cancelled = nullptr);
    // Ends the helper: closes its input, gives it a moment to finish (none once cancelled), then
    // kills it.
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
    bool Cancelled() const { return cancelled_ != nullptr && *cancelled_; }
    void WatchForCancel(const std::stop_token& stop);

    const std::atomic<bool>* cancelled_;
    // Guards child_ where the watcher reads it; only the owner's thread changes it.
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<ChildProcess> child_;
    std::jthread watcher_;
};

}  // namespace kb
