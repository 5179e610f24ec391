// Fuzz target over the readers of server replies: whatever the bytes, no
// reader may crash, read out of range, or take a malformed reply for an
// acceptance or a pilot.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/fn_utils_text.h"
#include "net/fn_wifi_reply.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkScoreReply(const std::string& body) {
    auto reply = net::parseScoreReply(body);
    if (!reply) return;
    check(body.find("return:") != std::string::npos);
    if (reply->code == 0) check(body.find("return:0&H:") != std::string::npos);
    check(reply->date.empty() || net::isValidClockText(reply->date));
}

void checkPilotReply(const std::string& body) {
    net::PilotReply reply = net::parseNextPilotReply(body);
    if (reply.kind != net::PilotReply::kPilot) return;
    check(reply.pilot >= 0 && reply.pilot <= 999);
    check(reply.flight >= 0 && reply.flight <= 99);
    check(reply.comp >= 0 && reply.comp <= 99);
    check(!reply.schedule.empty() && reply.schedule.size() <= 8);
    check(net::isSafeName(reply.schedule));
}

void checkClockText(const std::string& body) {
    auto date = net::parseHelloReply(body);
    if (date) check(net::isValidClockText(*date));
    for (size_t pos = 0; pos <= body.size() + 1 && pos < 64; ++pos) {
        std::string text = net::clockTextAt(body, pos);
        check(text.empty() || net::isValidClockText(text));
    }
    net::isValidClockText(body);
}

void checkUrlEncode(const std::string& body) {
    std::string encoded = urlEncode(body);
    for (char c : encoded) check(c != ' ' && c != '&' && c != '#' && c != '\'' && c != '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string body(reinterpret_cast<const char*>(data), size);
    checkScoreReply(body);
    checkPilotReply(body);
    checkClockText(body);
    checkUrlEncode(body);
    return 0;
}
