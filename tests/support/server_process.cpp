#include "tests/support/server_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

ServerProcess::ServerProcess(const std::string& dataDir, std::vector<std::string> args) {
    static int started = 0;
    logFile_ = (fs::current_path() /
                ("server-" + std::to_string(::getpid()) + "-" + std::to_string(++started) + ".out"))
                   .string();
    std::vector<std::string> argv = {KV_SERVER_BIN, "--port", "0", "--data", dataDir};
    argv.insert(argv.end(), args.begin(), args.end());
    // An old log of an earlier run must not be read as this server's.
    fs::remove(logFile_);
    pid_ = fork();
    if (pid_ == 0) {
        FILE* out = std::freopen(logFile_.c_str(), "w", stdout);
        (void)out;
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(127);
    }
    for (int i = 0; i < 500 && port_ == 0; ++i) {
        std::string text = output();
        size_t p = text.find("listening on 127.0.0.1:");
        if (p != std::string::npos && text.find('\n', p) != std::string::npos)
            port_ = std::stoi(text.substr(p + 23));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        int status = 0;
        if (port_ == 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
    }
    if (port_ == 0) throw std::runtime_error("server did not start: " + output());
}

ServerProcess::~ServerProcess() {
    stop();
}

int ServerProcess::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

std::string ServerProcess::output() const {
    std::ifstream in(logFile_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ServerEnd runServerToEnd(const std::vector<std::string>& args) {
    static int ran = 0;
    std::string errorFile = (fs::current_path() / ("server-" + std::to_string(::getpid()) +
                                                   "-end-" + std::to_string(++ran) + ".err"))
                                .string();
    std::vector<std::string> argv = {KV_SERVER_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    int pid = fork();
    if (pid == 0) {
        FILE* out = std::freopen("/dev/null", "w", stdout);
        FILE* err = std::freopen(errorFile.c_str(), "w", stderr);
        (void)out;
        (void)err;
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(127);
    }
    ServerEnd end;
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 500 && !ended; ++i) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended) {
        end.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    std::ifstream in(errorFile);
    std::stringstream text;
    text << in.rdbuf();
    end.errors = text.str();
    return end;
}

void writeTestContest(const std::string& dir) {
    fs::path d(dir);
    fs::remove_all(d);
    write(d / "competitions.csv", "# id,name\n1,Club Cup\n");
    write(d / "flights.csv", "1,1,SHORT3,0\n1,2,PAIR2,1\n1,3,PAIR2\n");
    write(d / "lines.csv", "1,1,1,12 7\n1,1,2,40\n1,2,1,12 7\n");
    write(d / "judges.csv", "1,1,4,Ann\n1,1,5,Bob\n1,2,6,Cy\n");
    write(d / "pilots.csv", "1,12,Alice\n1,7,Bert <b>\n1,40,Dee\n1,99,Zed\n");
    write(d / "SD-Template/zeph_programme.csv",
          "1,'Short three','SHORT3','ENG',1,1,0,0,0,0,0,0,1\n"
          "2,'Pair','PAIR2','ENG',1,1,0,0,0,0,0,0,1\n"
          "3,'Court, trois','SHORT3','FRA',1,1,0,0,0,0,0,0,1\n");
    write(d / "SD-Template/zeph_figure.csv",
          "11,1,1,1,'Loop','Loop',0\n12,1,2,1,'Roll','Roll',0\n13,1,3,1,'Spin','Spin',0\n"
          "21,2,1,1,'Turn','Turn',0\n22,2,2,1,'Dive','Dive',0\n"
          "31,3,1,1,'Boucle','Boucle',0\n32,3,2,1,'Tonneau','',0\n33,3,3,1,'Vrille','',0\n");
    write(d / "SD-Template/#ENG/PGM/SHORT3/01.WAV", "RIFF-one");
    write(d / "SD-Template/#ENG/PGM/SHORT3/P.WAV", "RIFF-p");
    write(d / "updates/param.sql",
          "UPDATE param SET valeur = '1' WHERE cle = 'KALVENTRIX_WIFI';\n");
    write(d / "updates/kalventrix", "program");
}
