// A tiny HTTP server on loopback whose replies the test scripts byte by byte,
// including replies no well-behaved server would give.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ScriptedReply {
    enum Mode { kBody, kDrop, kEndless };
    Mode mode = kBody;
    int status = 200;
    std::string body;
    std::string location;  // sent as a Location header when not empty
    static ScriptedReply body200(std::string text) { return {kBody, 200, std::move(text), ""}; }
    static ScriptedReply withStatus(int status, std::string text) {
        return {kBody, status, std::move(text), ""};
    }
    static ScriptedReply redirect(std::string to) { return {kBody, 302, "", std::move(to)}; }
    static ScriptedReply drop() { return {kDrop, 0, "", ""}; }
    // A body that never ends: the server writes until the client hangs up.
    static ScriptedReply endless() { return {kEndless, 200, "", ""}; }
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
    // Replies in order; when the script runs out, `fallback` answers.
    void script(std::vector<ScriptedReply> replies);
    void setFallback(ScriptedReply reply);
    std::vector<SeenRequest> requests();

  private:
    void serve();
    void answer(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::deque<ScriptedReply> script_;
    ScriptedReply fallback_ = ScriptedReply::body200("return:-1");
    std::vector<SeenRequest> seen_;
    std::thread thread_;
};
