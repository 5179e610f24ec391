#include "server/faults.h"

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

}  // namespace

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
