#include "tests/support/net_script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

ScriptServer::ScriptServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listener_, 16) != 0)
        throw std::runtime_error("script server: cannot listen");
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
    if (script_.empty()) script_.push_back({"return:-1"});
}

std::vector<SeenRequest> ScriptServer::takeRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SeenRequest> taken;
    taken.swap(seen_);
    return taken;
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
    std::string head;
    char chunk[1024];
    for (ssize_t n = 1; n > 0 && head.find("\r\n\r\n") == std::string::npos;) {
        n = ::recv(client, chunk, sizeof(chunk), 0);
        if (n > 0) head.append(chunk, static_cast<size_t>(n));
    }
    ScriptedReply reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const size_t start = head.find(' ') + 1;
        seen_.push_back({head.substr(start, head.find(' ', start) - start), head});
        reply = script_.front();
        if (script_.size() > 1) script_.pop_front();
    }
    std::string text = "HTTP/1.1 " + std::to_string(reply.status) + " Scripted\r\n";
    if (!reply.location.empty()) text += "Location: " + reply.location + "\r\n";
    text += "Content-Length: " + std::to_string(reply.body.size()) +
            "\r\nConnection: close\r\n\r\n" + reply.body;
    for (size_t sent = 0; sent < text.size();) {
        const ssize_t n = ::send(client, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
}
