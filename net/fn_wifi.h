// The terminal's link to the competition server: the HTTP transport, the
// network status helpers and the request/reply exchanges of the protocol.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class Note;

// Transport
std::string wifi_get(std::string url);
size_t WriteMemoryCallback(char* data, size_t size, size_t nmemb, void* buffer);

// Network status, read back from the output of the system tools
std::string wifi_SSID();
std::string wifi_IP();
int wifi_scan();

// Server exchanges
std::string wifi_test();
std::string wifi_date();
int wifi_next_pilot(std::string* schedule, int* comp, int* flight, int* pilot, int* line);
int wifi_send_score(std::vector<Note> sheet, bool scored, int flight, int judge, int pilot,
                    int comp, std::string schedule, std::string lang, int line);
int wifi_resend_score(std::vector<Note> sheet, int comp, int flight, int judge, int pilot);
void wifi_send_NRT(int figure, int flight, int judge, int pilot, int comp, int line);

namespace net {

// Largest reply body wifi_get accepts; anything longer is a transfer failure.
constexpr size_t kMaxReplyBytes = 1 << 20;

struct HttpResult {
    bool ok = false;
    std::string text;  // the body, or "KO : " and the transport's error
};

// wifi_get with the outcome kept apart from the text, so that a body that
// happens to begin with "KO" is not taken for a transport failure.
HttpResult httpGet(const std::string& url);

// The WiFi log entry for a refused or unreadable score reply.
void logRefusal(int code, const std::string& detail);

}  // namespace net
