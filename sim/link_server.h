// The program's end of the runner link: an unregistered thread of the board
// that applies the runner's inputs, runs the clock up to each horizon and
// answers with a snapshot. On the way out of the process it sends a last
// snapshot marked exited, so the runner sees the final glass and paper.
#pragma once

#include <mutex>
#include <thread>

namespace sim {

class Board;

class LinkServer {
  public:
    LinkServer(Board& board, int fd);
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    // Sends the exit snapshot (once).
    void sendExit();

  private:
    void serve();
    bool reply(bool exiting);
    bool exiting();

    Board& board_;
    const int fd_;
    std::mutex sendMutex_;
    bool exitSent_ = false;
};

}  // namespace sim
