// Faults the server can be told to show on the import script, switched at
// run time through /admin/fault so that tests and demos can provoke them.
#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace server {

struct SwitchReply {
    int status = 200;
    std::string body;
};

struct Fault {
    enum Kind { kNone, kDelay, kDrop, kHttp500, kNoReturn, kRefuse, kMissing404 };
    Kind kind = kNone;
    int ms = 0;      // kDelay
    int code = 0;    // kRefuse
    int count = -1;  // requests left to affect; -1 for all until switched off
};

class FaultSwitch {
  public:
    // Reads kind=..., ms=..., code=..., count=...; nullopt describes nothing valid.
    static std::optional<Fault> parse(const std::string& kind, const std::string& ms,
                                      const std::string& code, const std::string& count);
    static std::string name(Fault::Kind kind);

    // Answers /admin/fault for a client at `peer` (a numeric address as the
    // HTTP server reports it): only loopback clients may switch, so nobody
    // else on a contest network can have the terminals' sheets refused.
    SwitchReply request(const std::string& peer, const std::string& kind, const std::string& ms,
                        const std::string& code, const std::string& count);

    void set(const Fault& fault);
    // The fault for the next request, used up when it had a count.
    Fault take();
    Fault current();

  private:
    std::mutex mutex_;
    Fault fault_;
};

}  // namespace server
