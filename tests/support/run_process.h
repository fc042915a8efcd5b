#pragma once

// Runs a program to completion and captures its exit status, standard output and error.

#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

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

} // namespace cartonic::test
