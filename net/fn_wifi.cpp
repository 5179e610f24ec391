// HTTP transport and network status.
#include "net/fn_wifi.h"

#include <curl/curl.h>

#include <cstdio>
#include <fstream>
#include <new>

#include "app/globals.h"
#include "platform/platform.h"

namespace {

const char kWifiLog[] = "/var/log/kalventrix/log_wifi.log";

struct ResponseBuffer {
    std::string body;
};

// libcurl is set up once for the whole program and torn down at exit.
class CurlLibrary {
  public:
    CurlLibrary() : ready_(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK) {}
    ~CurlLibrary() {
        if (ready_) curl_global_cleanup();
    }
    bool ready() const { return ready_; }

  private:
    bool ready_;
};

bool curlReady() {
    static CurlLibrary library;
    return library.ready();
}

void appendToWifiLog(const std::string& entry) {
    std::ofstream log(platform::path(kWifiLog), std::ios::app);
    if (log) log << entry;
}

void logTransportFailure(const std::string& error) {
    appendToWifiLog(platform::formatLocalTime("%F %T") + " 1-Wifi error\n" + error + "\n'" +
                    gIPServer + "' \n\n");
}

std::string firstLineOf(const std::string& file, bool* found) {
    std::ifstream in(file);
    std::string line;
    *found = static_cast<bool>(std::getline(in, line));
    return line;
}

void configure(CURL* handle, const std::string& url, ResponseBuffer* buffer) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    // A redirect may only lead to another web address, never to a local file.
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteMemoryCallback);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, buffer);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 10L);
    // Name resolution time-outs must not use signals in a threaded program.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "libcurl-agent/1.0");
    curl_easy_setopt(handle, CURLOPT_USERNAME, gHostname.c_str());
}

net::HttpResult failure(const std::string& error) {
    std::fprintf(stderr, "curl_easy_perform() failed: %s\n", error.c_str());
    logTransportFailure(error);
    return {false, "KO : " + error};
}

}  // namespace

size_t WriteMemoryCallback(char* data, size_t size, size_t nmemb, void* buffer) {
    auto* response = static_cast<ResponseBuffer*>(buffer);
    size_t n = size * nmemb;
    if (n > net::kMaxReplyBytes || response->body.size() > net::kMaxReplyBytes - n) {
        std::printf("reply larger than %zu bytes, transfer stopped\n", net::kMaxReplyBytes);
        return 0;
    }
    try {
        response->body.append(data, n);
    } catch (const std::bad_alloc&) {
        std::printf("not enough memory (realloc returned NULL)\n");
        return 0;
    }
    return n;
}

namespace net {

HttpResult httpGet(const std::string& url) {
    if (!curlReady()) return failure(curl_easy_strerror(CURLE_FAILED_INIT));
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return failure(curl_easy_strerror(CURLE_FAILED_INIT));
    ResponseBuffer buffer;
    configure(handle, url, &buffer);
    CURLcode result = curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    if (result != CURLE_OK) return failure(curl_easy_strerror(result));
    // The body counts up to its first zero byte, as a C string would.
    return {true, std::string(buffer.body.c_str())};
}

void logRefusal(int code, const std::string& detail) {
    appendToWifiLog(platform::formatLocalTime("%F %T") + " Error : " + std::to_string(code) +
                    "\n> M:" + detail + "\n\n");
}

}  // namespace net

std::string wifi_get(std::string url) {
    return net::httpGet(url).text;
}

std::string wifi_SSID() {
    const std::string file = platform::path("/home/pi/txt/iwconfig.txt");
    platform::shell("iwconfig > " + file);
    bool found = false;
    std::string line = firstLineOf(file, &found);
    if (line.find("off/any") != std::string::npos) return "off/any";
    size_t p = line.find("ESSID:");
    if (!found || p == std::string::npos) return "No WIFI";
    size_t start = p + 7;
    if (start >= line.size()) return "";
    size_t end = line.rfind('"');
    if (end == std::string::npos || end < start) return line.substr(start);
    return line.substr(start, end - start);
}

std::string wifi_IP() {
    const std::string file = platform::path("/home/pi/txt/ip.txt");
    platform::shell("hostname -I > " + file);
    bool found = false;
    std::string line = firstLineOf(file, &found);
    if (!found) return "No IP";
    // getline drops the line feed; an address alone on its line still ends there.
    size_t end = line.find_first_of(" \t\r\n");
    if (end == std::string::npos) end = line.size();
    if (end == 0) return "no IP addr";
    return line.substr(0, end);
}

int wifi_scan() {
    return platform::shell("sudo iwlist wlan0 scan | grep ESSID > " +
                           platform::path("/home/pi/txt/essid.txt"));
}
