#include "sim/link_server.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "sim/board.h"
#include "sim/protocol.h"

namespace sim {

namespace {

std::atomic<LinkServer*> gExitLink{nullptr};

void sendExitSnapshot() {
    if (LinkServer* link = gExitLink.load()) link->sendExit();
}

}  // namespace

LinkServer::LinkServer(Board& board, int fd) : board_(board), fd_(fd) {
    // Shell commands left running in the background must not keep the link
    // open: the runner sees the program's end by the socket closing.
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    gExitLink = this;
    // Registered while the first global is still being built, so it runs
    // after the destructors of the program's globals.
    std::atexit(sendExitSnapshot);
    std::thread([this] { serve(); }).detach();
}

LinkServer::~LinkServer() {
    LinkServer* self = this;
    gExitLink.compare_exchange_strong(self, nullptr);
}

void LinkServer::serve() {
    std::string payload;
    while (wire::receiveFrame(fd_, payload)) {
        wire::RunRequest request;
        if (!wire::decode(payload, request)) break;
        for (auto& input : request.inputs) {
            switch (input.kind) {
                case wire::InputKind::KeyDown:
                    board_.keyDown(input.at, input.key);
                    break;
                case wire::InputKind::KeyUp:
                    board_.keyUp(input.at, input.key);
                    break;
                case wire::InputKind::Detent:
                    board_.detent(input.at, input.forward, input.duration);
                    break;
            }
        }
        board_.clock().runUntil(request.horizon);
        if (!reply(false)) break;
    }
    if (exiting()) {
        for (;;) pause();  // the process is on its way out with its own status
    }
    // The runner is gone or spoke nonsense: nobody can drive this program any more.
    _exit(0);
}

bool LinkServer::reply(bool exiting) {
    std::lock_guard<std::mutex> guard(sendMutex_);
    if (exitSent_) return false;
    wire::RunReply answer;
    answer.snapshot = board_.snapshot();
    answer.snapshot.exited = exiting;
    answer.wallOffset = board_.wallOffset();
    exitSent_ = exiting;
    return wire::sendFrame(fd_, wire::encode(answer));
}

void LinkServer::sendExit() {
    reply(true);
}

bool LinkServer::exiting() {
    std::lock_guard<std::mutex> guard(sendMutex_);
    return exitSent_;
}

}  // namespace sim
