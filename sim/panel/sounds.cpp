#include "sim/panel/sounds.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "sim/runner/runner.h"

namespace sim::panel {

namespace {

std::vector<std::string> words(const std::string& command) {
    std::istringstream in(command);
    std::vector<std::string> list;
    for (std::string word; in >> word;) list.push_back(word);
    return list;
}

bool endsWithWav(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".wav";
}

std::string baseName(const std::string& word) {
    std::size_t slash = word.rfind('/');
    return slash == std::string::npos ? word : word.substr(slash + 1);
}

}  // namespace

std::optional<std::string> aplayFile(const std::string& command) {
    std::vector<std::string> list = words(command);
    std::size_t at = 0;
    if (at < list.size() && baseName(list[at]) == "sudo") ++at;
    if (at >= list.size() || baseName(list[at]) != "aplay") return std::nullopt;
    for (++at; at < list.size(); ++at) {
        const std::string& word = list[at];
        if (word == "&" || word == ";" || word == "&&" || word == "|") break;
        if (word[0] == '-') continue;
        std::string file = word.back() == '&' ? word.substr(0, word.size() - 1) : word;
        if (!file.empty()) return file;
    }
    return std::nullopt;
}

std::optional<int> mixerLevel(const std::string& command) {
    std::vector<std::string> list = words(command);
    std::size_t at = 0;
    if (at < list.size() && baseName(list[at]) == "sudo") ++at;
    if (list.size() != at + 4 || baseName(list[at]) != "amixer" || list[at + 1] != "cset" ||
        list[at + 2] != "numid=1")
        return std::nullopt;
    const std::string& level = list[at + 3];
    if (level.size() < 2 || level.size() > 4 || level.back() != '%') return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i + 1 < level.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(level[i]))) return std::nullopt;
        value = value * 10 + (level[i] - '0');
    }
    if (value > 100) return std::nullopt;
    return value;
}

std::string sandboxSoundPath(const std::string& root, const std::string& terminalPath) {
    if (terminalPath.empty() || !endsWithWav(terminalPath)) return "";
    std::string path = terminalPath;
    // Commands carry the sandbox prefix the board adds to every absolute path.
    if (path.rfind(root + "/", 0) == 0) path = path.substr(root.size());
    return runner::resolveSandboxPath(root, path);
}

}  // namespace sim::panel
