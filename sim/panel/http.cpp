#include "sim/panel/http.h"

#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "sim/devices/paper_png.h"
#include "sim/panel/sounds.h"

namespace sim::panel {

namespace {

constexpr std::chrono::milliseconds kLongPoll{1000};

struct WebFile {
    const char* name;
    const char* type;
};

const WebFile kWebFiles[] = {
    {"index.html", "text/html; charset=utf-8"},
    {"panel.css", "text/css; charset=utf-8"},
    {"panel.js", "text/javascript; charset=utf-8"},
    {"lcd_font.js", "text/javascript; charset=utf-8"},
};

bool readFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    content = text.str();
    return true;
}

std::size_t numberParam(const httplib::Request& request, const char* name) {
    std::string text = request.get_param_value(name);
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return static_cast<std::size_t>(std::stoull(text));
}

void badRequest(httplib::Response& response, const std::string& why) {
    response.status = 400;
    response.set_content(why + "\n", "text/plain");
}

}  // namespace

struct PanelHttp::Impl {
    PanelState& state;
    PanelSession& session;
    std::string root;
    std::string webDir;
    httplib::Server server;
    std::thread thread;

    Impl(PanelState& s, PanelSession& p, std::string r, std::string w)
        : state(s), session(p), root(std::move(r)), webDir(std::move(w)) {}

    void routes();
    void serveWebFile(const WebFile& file, httplib::Response& response);
    void serveState(const httplib::Request& request, httplib::Response& response);
    void serveKey(const httplib::Request& request, httplib::Response& response);
    void serveTurn(const httplib::Request& request, httplib::Response& response);
    void serveSound(const httplib::Request& request, httplib::Response& response);
    void servePaperPng(httplib::Response& response);
};

void PanelHttp::Impl::serveWebFile(const WebFile& file, httplib::Response& response) {
    std::string content;
    if (!readFile(webDir + "/" + file.name, content)) {
        response.status = 404;
        return;
    }
    response.set_header("Cache-Control", "no-store");
    response.set_content(content, file.type);
}

void PanelHttp::Impl::serveState(const httplib::Request& request, httplib::Response& response) {
    Cursor since;
    since.version = numberParam(request, "version");
    since.paper = numberParam(request, "paper");
    since.log = numberParam(request, "log");
    since.sounds = numberParam(request, "sounds");
    response.set_header("Cache-Control", "no-store");
    response.set_content(state.json(since, kLongPoll), "application/json");
}

void PanelHttp::Impl::serveKey(const httplib::Request& request, httplib::Response& response) {
    std::string name = request.get_param_value("name");
    std::string action = request.get_param_value("action");
    bool known = action == "down" ? session.keyDown(name)
                 : action == "up" ? session.keyUp(name)
                                  : (badRequest(response, "action is down or up"), true);
    if (!known) badRequest(response, "unknown key");
    if (response.status != 400) response.status = 204;
}

void PanelHttp::Impl::serveTurn(const httplib::Request& request, httplib::Response& response) {
    std::string direction = request.get_param_value("dir");
    if (direction != "1" && direction != "-1") return badRequest(response, "dir is 1 or -1");
    std::size_t ms = numberParam(request, "ms");
    session.turn(direction == "1", static_cast<Micros>(ms) * 1000);
    response.status = 204;
}

void PanelHttp::Impl::serveSound(const httplib::Request& request, httplib::Response& response) {
    std::string file = sandboxSoundPath(root, request.get_param_value("path"));
    std::string content;
    if (file.empty()) return badRequest(response, "not a sound of the sandbox");
    if (!readFile(file, content)) {
        response.status = 404;
        return;
    }
    response.set_content(content, "audio/wav");
}

void PanelHttp::Impl::servePaperPng(httplib::Response& response) {
    std::string file = root + "/.sim/panel-paper.png";
    std::string error, content;
    if (!writePaperPng(state.paper(), file, &error) || !readFile(file, content)) {
        response.status = 500;
        response.set_content(error + "\n", "text/plain");
        return;
    }
    response.set_header("Content-Disposition", "attachment; filename=\"paper.png\"");
    response.set_content(content, "image/png");
}

void PanelHttp::Impl::routes() {
    server.Get("/", [this](const httplib::Request&, httplib::Response& response) {
        serveWebFile(kWebFiles[0], response);
    });
    for (const WebFile& file : kWebFiles) {
        server.Get(std::string("/") + file.name,
                   [this, &file](const httplib::Request&, httplib::Response& response) {
                       serveWebFile(file, response);
                   });
    }
    server.Get("/state", [this](const httplib::Request& request, httplib::Response& response) {
        serveState(request, response);
    });
    server.Post("/key", [this](const httplib::Request& request, httplib::Response& response) {
        serveKey(request, response);
    });
    server.Post("/turn", [this](const httplib::Request& request, httplib::Response& response) {
        serveTurn(request, response);
    });
    server.Get("/sound", [this](const httplib::Request& request, httplib::Response& response) {
        serveSound(request, response);
    });
    server.Get("/paper.png", [this](const httplib::Request&, httplib::Response& response) {
        servePaperPng(response);
    });
}

PanelHttp::PanelHttp(PanelState& state, PanelSession& session, std::string root, std::string webDir)
    : impl_(std::make_unique<Impl>(state, session, std::move(root), std::move(webDir))) {
    impl_->routes();
}

PanelHttp::~PanelHttp() {
    stop();
}

int PanelHttp::start(int port) {
    int bound = port == 0 ? impl_->server.bind_to_any_port("127.0.0.1")
                          : (impl_->server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound < 0) return -1;
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
    return bound;
}

void PanelHttp::stop() {
    if (!impl_->thread.joinable()) return;
    impl_->server.stop();
    impl_->thread.join();
}

}  // namespace sim::panel
