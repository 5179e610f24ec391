#include "server/faults.h"

#include <arpa/inet.h>

namespace server {
namespace {

std::optional<int> number(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 7) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    int value = std::stoi(text);
    if (value < low || value > high) return std::nullopt;
    return value;
}

const char* const kNames[] = {"none",     "delay",  "drop",      "http500",
                              "noreturn", "refuse", "missing404"};

// 127.0.0.0/8 and ::1; a dual-stack socket reports an IPv4 client as
// ::ffff:a.b.c.d.
bool isLoopback(const std::string& peer) {
    in_addr v4{};
    if (inet_pton(AF_INET, peer.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, peer.c_str(), &v6) != 1) return false;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) return v6.s6_addr[12] == 127;
    return IN6_IS_ADDR_LOOPBACK(&v6);
}

}  // namespace

SwitchReply FaultSwitch::request(const std::string& peer, const std::string& kind,
                                 const std::string& ms, const std::string& code,
                                 const std::string& count) {
    if (!isLoopback(peer)) return {403, "fault switches answer loopback clients only\n"};
    std::optional<Fault> fault = parse(kind, ms, code, count);
    if (!fault) {
        return {400,
                "kind=delay&ms=N | drop | http500 | noreturn | refuse&code=N | missing404 | none"
                " [&count=N]\n"};
    }
    set(*fault);
    return {200, "fault: " + name(fault->kind) + "\n"};
}

std::string FaultSwitch::name(Fault::Kind kind) {
    return kNames[kind];
}

std::optional<Fault> FaultSwitch::parse(const std::string& kind, const std::string& ms,
                                        const std::string& code, const std::string& count) {
    Fault fault;
    bool known = false;
    for (int k = Fault::kNone; k <= Fault::kMissing404; ++k) {
        if (kind == kNames[k]) {
            fault.kind = static_cast<Fault::Kind>(k);
            known = true;
        }
    }
    if (!known) return std::nullopt;
    if (fault.kind == Fault::kDelay) {
        std::optional<int> delay = number(ms, 0, 600000);
        if (!delay) return std::nullopt;
        fault.ms = *delay;
    }
    if (fault.kind == Fault::kRefuse) {
        // The terminal reads three characters of the code.
        std::optional<int> refusal = number(code, 1, 999);
        if (!refusal) return std::nullopt;
        fault.code = *refusal;
    }
    if (!count.empty()) {
        std::optional<int> times = number(count, 1, 1000000);
        if (!times) return std::nullopt;
        fault.count = *times;
    }
    return fault;
}

void FaultSwitch::set(const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    fault_ = fault;
}

Fault FaultSwitch::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    Fault now = fault_;
    if (fault_.count > 0 && --fault_.count == 0) fault_ = Fault();
    return now;
}

Fault FaultSwitch::current() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fault_;
}

}  // namespace server
