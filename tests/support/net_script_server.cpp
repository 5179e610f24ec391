#include "tests/support/net_script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

bool sendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string readHead(int fd) {
    std::string head;
    char chunk[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
        if (n <= 0) break;
        head.append(chunk, static_cast<size_t>(n));
    }
    return head;
}

std::string targetOf(const std::string& head) {
    size_t start = head.find(' ');
    size_t end = head.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos) return "";
    return head.substr(start + 1, end - start - 1);
}

}  // namespace

ScriptServer::ScriptServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listener_, 16) != 0)
        throw std::runtime_error("script server: cannot listen");
    socklen_t len = sizeof(addr);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ScriptServer::~ScriptServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
}

std::string ScriptServer::base() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void ScriptServer::script(std::vector<ScriptedReply> replies) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.assign(replies.begin(), replies.end());
}

void ScriptServer::setFallback(ScriptedReply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    fallback_ = std::move(reply);
}

std::vector<SeenRequest> ScriptServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void ScriptServer::serve() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        answer(client);
        ::close(client);
    }
}

void ScriptServer::answer(int client) {
    std::string head = readHead(client);
    ScriptedReply reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back({targetOf(head), head});
        if (script_.empty()) {
            reply = fallback_;
        } else {
            reply = script_.front();
            script_.pop_front();
        }
    }
    if (reply.mode == ScriptedReply::kDrop) return;
    std::string status = "HTTP/1.1 " + std::to_string(reply.status) + " Scripted\r\n";
    if (!reply.location.empty()) status += "Location: " + reply.location + "\r\n";
    if (reply.mode == ScriptedReply::kEndless) {
        if (!sendAll(client, status + "Connection: close\r\n\r\n")) return;
        const std::string block(64 * 1024, 'x');
        // 100 MB at most, in case the client never gives up.
        for (int i = 0; i < 1600 && !stopping_; ++i)
            if (!sendAll(client, block)) return;
        return;
    }
    sendAll(client, status + "Content-Length: " + std::to_string(reply.body.size()) +
                        "\r\nConnection: close\r\n\r\n" + reply.body);
}
