// Runs the reference competition server as a real process on a free loopback
// port, over a data folder, and stops it with SIGTERM.
#pragma once

#include <string>
#include <vector>

class ServerProcess {
  public:
    // Starts kalventrix-server with --port 0 and the given extra arguments.
    ServerProcess(const std::string& dataDir, std::vector<std::string> args);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Sends SIGTERM and waits; returns the exit status (-1 if it had to be killed).
    int stop();
    // What the server wrote on standard output so far.
    std::string output() const;

  private:
    int pid_ = -1;
    int port_ = 0;
    std::string logFile_;
};

struct ServerEnd {
    int status = -1;     // exit status; -1 when it had to be killed
    std::string errors;  // what it wrote on standard error
};
// Runs kalventrix-server with exactly `args` and waits a few seconds for it
// to end by itself.
ServerEnd runServerToEnd(const std::vector<std::string>& args);

// Writes a small contest into `dir`: competition 1 with a single flight, a
// pair of flights and two lines; the catalogue, a sound tree and update files.
void writeTestContest(const std::string& dir);
