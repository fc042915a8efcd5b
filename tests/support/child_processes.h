#pragma once

// The processes this one started that still exist, finished ones not yet waited for included:
// what a test checks to see that nothing it ran was left running or unreaped.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace cartonic::test {

inline std::vector<pid_t> childProcesses() {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (name) state parent ...; the name may hold anything, a ')' too.
        const std::size_t nameEnd = line.rfind(')');
        std::istringstream rest(nameEnd == std::string::npos ? "" : line.substr(nameEnd + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == ::getpid()) {
            found.push_back(std::stoi(name));
        }
    }
    return found;
}

} // namespace cartonic::test
