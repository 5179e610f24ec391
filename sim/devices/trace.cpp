#include "sim/devices/trace.h"

#include <cstdio>

namespace sim {

std::string hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value & 0xFF);
    return text;
}

Trace::Trace(std::size_t cap) : cap_(cap) {}

void Trace::log(Micros at, const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!enabled_) return;
    entries_.push_back({at, text});
    while (entries_.size() > cap_) {
        entries_.pop_front();
        ++dropped_;
    }
}

void Trace::setEnabled(bool on) {
    std::lock_guard<std::mutex> guard(mutex_);
    enabled_ = on;
}

bool Trace::enabled() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return enabled_;
}

void Trace::setCap(std::size_t cap) {
    std::lock_guard<std::mutex> guard(mutex_);
    cap_ = cap;
    while (entries_.size() > cap_) {
        entries_.pop_front();
        ++dropped_;
    }
}

void Trace::countTransaction() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.transactions;
}

void Trace::countByte() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.bytes;
}

void Trace::countNack() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.nacks;
}

void Trace::countPortWrite() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.portWrites;
}

void Trace::countPortRead() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.portReads;
}

void Trace::countCommand() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.commands;
}

void Trace::countDataWrite() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.dataWrites;
}

void Trace::countDataRead() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.dataReads;
}

void Trace::countViolation() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.violations;
}

Trace::Counters Trace::counters() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return counters_;
}

std::vector<Trace::Entry> Trace::entries() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::vector<Entry>(entries_.begin(), entries_.end());
}

std::string Trace::format(const Entry& entry) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%6llu.%06llu] ",
                  static_cast<unsigned long long>(entry.at / 1000000),
                  static_cast<unsigned long long>(entry.at % 1000000));
    return stamp + entry.text;
}

std::vector<std::string> Trace::lines() const {
    std::vector<std::string> out;
    for (const Entry& entry : entries()) out.push_back(format(entry));
    return out;
}

std::vector<std::string> Trace::grep(const std::string& needle) const {
    std::vector<std::string> out;
    for (const Entry& entry : entries())
        if (entry.text.find(needle) != std::string::npos) out.push_back(format(entry));
    return out;
}

std::size_t Trace::dropped() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return dropped_;
}

void Trace::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    entries_.clear();
    dropped_ = 0;
    counters_ = Counters{};
}

}  // namespace sim
