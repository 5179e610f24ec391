// A tiny HTTP server on loopback whose replies the test scripts, including
// replies no well-behaved server would give.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct ScriptedReply {
    ScriptedReply(std::string body = "", int status = 200, std::string location = "")
        : body(std::move(body)), status(status), location(std::move(location)) {}
    ScriptedReply(const char* body) : ScriptedReply(std::string(body)) {}
    std::string body;
    int status;
    std::string location;  // sent as a Location header when not empty
};

struct SeenRequest {
    std::string target;  // path and query exactly as sent
    std::string head;    // the whole request head
};

class ScriptServer {
  public:
    ScriptServer();
    ~ScriptServer();

    // Base address for gIPServer: "http://127.0.0.1:PORT".
    std::string base() const;
    // Replies in order; the last one keeps answering ("return:-1" before any).
    void script(std::vector<ScriptedReply> replies);
    // The requests received since the last call.
    std::vector<SeenRequest> takeRequests();

  private:
    void serve();
    void answer(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::deque<ScriptedReply> script_{ScriptedReply{"return:-1"}};
    std::vector<SeenRequest> seen_;
    std::thread thread_;
};
