#pragma once

// Runs a program to completion and captures its exit status, standard output and error.

#include "support/temp_dir.h"

#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace cartonic::test {

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& workingDir = {}) {
    QProcess process;
    QStringList list;
    for (const std::string& a : args) {
        list << QString::fromStdString(a);
    }
    if (!workingDir.empty()) {
        process.setWorkingDirectory(QString::fromStdString(workingDir));
    }
    process.start(QString::fromStdString(program), list);
    process.waitForFinished(120000);
    ProcessResult r;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput().toStdString();
    r.err = process.readAllStandardError().toStdString();
    return r;
}

// The same with every argument handed over byte for byte: QProcess takes arguments as text, and
// one that is not UTF-8 would reach the program changed. Standard input is empty; standard
// output is captured, or is the descriptor standardOutput (a terminal, a pipe) when one is given.
inline ProcessResult runProcessBytes(const std::string& program,
                                     const std::vector<std::string>& args,
                                     int standardOutput = -1) {
    const TempDir capture;
    const std::string out = capture.file("out"), err = capture.file("err");
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (standardOutput >= 0) {
        posix_spawn_file_actions_adddup2(&actions, standardOutput, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    ProcessResult r;
    pid_t pid = 0;
    int status = 0;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
        ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        r.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    const std::vector<char> outBytes = readBytes(out), errBytes = readBytes(err);
    r.out.assign(outBytes.begin(), outBytes.end());
    r.err.assign(errBytes.begin(), errBytes.end());
    return r;
}

} // namespace cartonic::test
