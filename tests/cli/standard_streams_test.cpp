// Standard input and output that cannot be used: closed by whoever started the program, a full
// device, a folder. Each fails the run, or the batch job, with one line and its status; none is
// taken for an empty success.

#include "support/run_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace cartonic {
namespace {

using test::runProcess;
using test::TempDir;

const std::string kProgram = CARTONIC_RENDER_BIN;

// The renderer with args and the shell's redirections.
test::ProcessResult runRedirected(const std::vector<std::string>& args,
                                  const std::string& redirections,
                                  const std::string& workingDir = {}) {
    std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" " + redirections, kProgram};
    shell.insert(shell.end(), args.begin(), args.end());
    return runProcess("/bin/sh", shell, workingDir);
}

TEST(StandardStreams, OnesThatCannotBeUsedFailWithOneLine) {
    TempDir dir;
    std::ofstream(dir.file("print.jsonl")) << R"({"print": true})"
                                           << "\n";
    const std::string prefix = "cartonic-render: ";
    const std::string cannotWrite = "standard output: write failed: ";
    const std::string cannotRead = "standard input: cannot read the batch: ";
    struct Case {
        std::vector<std::string> args;
        std::string redirections;
        int status;
        std::string err;
    };
    for (const Case& c : std::vector<Case>{
             {{"--print"}, ">/dev/full", 1, prefix + cannotWrite + std::strerror(ENOSPC) + "\n"},
             {{"--print"}, ">&-", 1, prefix + cannotWrite + std::strerror(EBADF) + "\n"},
             {{"--batch", "print.jsonl"},
              ">/dev/full",
              1,
              prefix + "line 1: " + cannotWrite + std::strerror(ENOSPC) +
                  "\n0 rendered, 1 failed\n"},
             {{"--batch", "-"}, "<&-", 2, prefix + cannotRead + std::strerror(EBADF) + "\n"},
             {{"--batch", "-"}, "<.", 2, prefix + cannotRead + std::strerror(EISDIR) + "\n"},
             {{"--batch", "/dev/zero"},
              "",
              2,
              prefix + "/dev/zero: not JSON Lines: line 1 runs on past 64 MiB without a line " +
                  "end\n"},
         }) {
        const test::ProcessResult r = runRedirected(c.args, c.redirections, dir.path());
        const std::string label = ::testing::PrintToString(c.args) + " " + c.redirections;
        EXPECT_EQ(r.status, c.status) << label;
        EXPECT_EQ(r.err, c.err) << label;
    }
}

} // namespace
} // namespace cartonic
