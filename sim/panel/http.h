// The front panel's HTTP side: the page, its state as JSON, the inputs, the
// sandbox's sound files and the paper as a picture. Loopback only.
#pragma once

#include <memory>
#include <string>

#include "sim/panel/panel_state.h"
#include "sim/panel/session.h"

namespace sim::panel {

class PanelHttp {
  public:
    PanelHttp(PanelState& state, PanelSession& session, std::string root, std::string webDir);
    ~PanelHttp();

    // Binds 127.0.0.1:port (0: any free port) and serves on a thread of its
    // own. The port, or -1 when it cannot be bound.
    int start(int port);
    void stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim::panel
