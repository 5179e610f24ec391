// kalventrix-server: the competition server the terminals talk to. Serves the
// import script, the catalogue and sound tree, the update files, and an
// overview page for the contest director.
#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <thread>

#include "server/contest.h"
#include "server/faults.h"
#include "server/page.h"
#include "server/protocol.h"
#include "server/store.h"

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string data;  // the contest folder
    bool memory = false;
    bool faults = false;    // /admin/fault, for tests only
    std::string fixedTime;  // 14 digits: the server's clock stands still there
};

void usage() {
    std::fprintf(stderr,
                 "usage: kalventrix-server --data DIR [--port N] [--host ADDR] [--memory]\n"
                 "                         [--time YYYYMMDDhhmmss] [--faults]\n"
                 "  --port 0 picks a free port; the chosen one is printed first.\n"
                 "  --faults switches on /admin/fault for tests, from loopback only.\n");
}

bool parseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--memory") {
            o->memory = true;
        } else if (arg == "--faults") {
            o->faults = true;
        } else if (arg == "--port" && hasValue) {
            o->port = std::atoi(argv[++i]);
        } else if (arg == "--host" && hasValue) {
            o->host = argv[++i];
        } else if (arg == "--data" && hasValue) {
            o->data = argv[++i];
        } else if (arg == "--time" && hasValue) {
            o->fixedTime = argv[++i];
            if (o->fixedTime.size() != 14) return false;
        } else {
            return false;
        }
    }
    return o->port >= 0 && o->port <= 65535;
}

std::string localNow(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof(text), format, &local);
    return text;
}

std::string base64Decode(const std::string& in) {
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    // Only the bits not yet decoded stay in the buffer, so it never overflows.
    unsigned int bits = 0, buffer = 0;
    for (char c : in) {
        size_t v = alphabet.find(c);
        if (v == std::string::npos) break;
        buffer = (buffer << 6) | static_cast<unsigned int>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xff);
            buffer &= (1u << bits) - 1;
        }
    }
    return out;
}

// The terminal's host name, sent as the HTTP user name without a password.
std::string terminalOf(const httplib::Request& req) {
    std::string auth = req.get_header_value("Authorization");
    if (auth.rfind("Basic ", 0) != 0) return "";
    std::string credentials = base64Decode(auth.substr(6));
    return credentials.substr(0, credentials.find(':'));
}

// Answers the import script, or shows the fault that is switched on.
void serveImport(const httplib::Request& req, httplib::Response& res, server::Protocol& protocol,
                 server::FaultSwitch& faults) {
    server::Fault fault = faults.take();
    switch (fault.kind) {
        case server::Fault::kDelay:
            std::this_thread::sleep_for(std::chrono::milliseconds(fault.ms));
            break;
        case server::Fault::kDrop:
            // Headers go out, then the connection closes before any body.
            res.set_chunked_content_provider("text/plain",
                                             [](size_t, httplib::DataSink&) { return false; });
            return;
        case server::Fault::kHttp500:
            res.status = 500;
            res.set_content("Internal Server Error", "text/plain");
            return;
        case server::Fault::kNoReturn:
            res.set_content("<html><body>Fatal error: database unavailable</body></html>",
                            "text/html");
            return;
        case server::Fault::kRefuse:
            res.set_content("return:" + std::to_string(fault.code), "text/plain");
            return;
        case server::Fault::kMissing404:
            res.status = 404;
            res.set_content("Status: 404 Not Found\n<h1>Not Found</h1>", "text/html");
            return;
        case server::Fault::kNone:
            break;
    }
    res.set_content(protocol.answer(req.params, terminalOf(req), req.target), "text/plain");
}

void serveFaultSwitch(const httplib::Request& req, httplib::Response& res,
                      server::FaultSwitch& faults) {
    server::SwitchReply reply =
        faults.request(req.remote_addr, req.get_param_value("kind"), req.get_param_value("ms"),
                       req.get_param_value("code"), req.get_param_value("count"));
    res.status = reply.status;
    res.set_content(reply.body, "text/plain");
}

std::atomic<bool> serverEnded{false};

// SIGTERM and SIGINT are taken by this thread, never by a handler, so that
// stopping the server happens outside signal context.
void watchSignals(sigset_t signals, httplib::Server* http) {
    int received = 0;
    sigwait(&signals, &received);
    // A signal that comes while the server is still starting waits for it.
    for (int i = 0; i < 2000 && !serverEnded && !http->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    http->stop();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        usage();
        return 2;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // Whoever starts the server by hand learns at once how to make a contest.
    const char* makeOne = "scripts/make-server-data.sh DIR makes one from the demo contest";
    if (options.data.empty()) {
        std::fprintf(stderr, "kalventrix-server: no contest folder: give one with --data DIR; %s\n",
                     makeOne);
        return 1;
    }
    std::string missing = server::Contest::missingFrom(options.data);
    if (!missing.empty()) {
        std::fprintf(stderr, "kalventrix-server: %s is not a contest folder (%s); %s\n",
                     options.data.c_str(), missing.c_str(), makeOne);
        return 1;
    }
    std::string error;
    std::optional<server::Contest> contest = server::Contest::load(options.data, &error);
    if (!contest) {
        std::fprintf(stderr, "kalventrix-server: %s\n", error.c_str());
        return 1;
    }
    server::Store store(options.memory ? ":memory:" : options.data + "/received-sheets.db");
    if (!store.ok()) return 1;
    auto now = [&options] {
        return options.fixedTime.empty() ? localNow("%Y%m%d%H%M%S") : options.fixedTime;
    };
    server::Protocol protocol(*contest, store, now);
    server::FaultSwitch faults;

    httplib::Server http;
    // Logged before the response leaves: a client that sends its next request
    // as soon as it has the answer must never see that one logged first.
    http.set_post_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        std::printf("%s %s %s %d %s\n", localNow("%F %T").c_str(), req.remote_addr.c_str(),
                    req.target.c_str(), res.status, terminalOf(req).c_str());
        std::fflush(stdout);
    });
    http.Get("/import-kalventrix.php", [&](const httplib::Request& req, httplib::Response& res) {
        serveImport(req, res, protocol, faults);
    });
    // Without --faults the switches do not exist: on a contest network nobody
    // may make the terminals' sheets refused.
    if (options.faults) {
        http.Get("/admin/fault", [&](const httplib::Request& req, httplib::Response& res) {
            serveFaultSwitch(req, res, faults);
        });
    }
    http.Get("/", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(server::contestPage(*contest, store), "text/html; charset=utf-8");
    });
    for (const char* tree : {"SD-Template", "updates"}) {
        std::string dir = options.data + "/" + tree;
        if (std::filesystem::is_directory(dir)) http.set_mount_point(std::string("/") + tree, dir);
    }

    int port = options.port;
    if (port == 0) {
        port = http.bind_to_any_port(options.host);
    } else if (!http.bind_to_port(options.host, port)) {
        port = -1;
    }
    if (port <= 0) {
        std::fprintf(stderr, "kalventrix-server: cannot listen on %s:%d\n", options.host.c_str(),
                     options.port);
        return 1;
    }
    std::printf("listening on %s:%d\n", options.host.c_str(), port);
    std::fflush(stdout);

    std::thread watcher(watchSignals, signals, &http);
    http.listen_after_bind();
    serverEnded = true;
    // Wake the watcher if the server ended on its own.
    pthread_kill(watcher.native_handle(), SIGTERM);
    watcher.join();
    return 0;
}
