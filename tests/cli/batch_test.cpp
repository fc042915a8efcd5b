// Batches: a manifest line as the command line it stands for, shards, and one small batch run by
// the built cartonic-render.

#include "cli/batch_manifest.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace cartonic {
namespace {

using test::runProcess;
using test::TempDir;

const std::string kRenderer = CARTONIC_RENDER_BIN;
const std::string kSample = std::string(CARTONIC_SOURCE_DIR) + "/examples/sample.ctn";

TEST(BatchManifest, LinesBecomeTheArgumentsOfARun) {
    struct Case {
        std::string line;
        std::vector<std::string> args; // empty: refused, with why holding `refusal`
        std::string refusal = {};
    };
    for (
        const Case& c : std::vector<Case>{
            {R"({"project": "a.ctn", "output": "a.jpg"})", {"--output=a.jpg", "--", "a.ctn"}},
            {R"({"size": "10x20", "yaw": 0.25, "samples": 4, "transparent": true, "print": false})",
             {"--size=10x20", "--yaw=0.25", "--samples=4", "--transparent"}},
            {R"({"face": {"front": "-v2.png", "top": "t.png"}, "orientation": {"front": 3}})",
             {"--face=front=-v2.png", "--face=top=t.png", "--orientation=front=3"}},
            {R"({"face": ["back=b.png"], "box": [1, 2.5, 3]})",
             {"--face=back=b.png", "--box=1,2.5,3"}},
            {R"({"sizee": "1x1"})", {"--sizee"}}, // the parser names the closest option
            {"not json", {}, "not a JSON object"},
            {"[1, 2]", {}, "a job is a JSON object, not array"},
            {R"({"project": 3})", {}, "\"project\" wants a file name"},
            {R"({"transparent": "yes"})", {}, "\"transparent\" wants true or false"},
            {R"({"size": null})", {}, "\"size\" wants a text or a number, not null"},
            {R"({"face": {"front": ["x"]}})", {}, "\"face\" wants an object of face names"},
        }) {
        std::vector<std::string> args;
        const Status read = jobArguments(c.line, args);
        const std::string& why = read.message();
        EXPECT_EQ(read.ok(), !c.args.empty()) << c.line << ": " << why;
        if (read) {
            EXPECT_EQ(args, c.args) << c.line;
        } else {
            EXPECT_EQ(read.kind(), Status::Kind::Usage) << c.line;
            EXPECT_NE(why.find(c.refusal), std::string::npos) << c.line << ": " << why;
        }
    }
}

TEST(BatchManifest, ShardsCoverEveryLineExactlyOnce) {
    for (int count = 1; count <= 7; ++count) {
        for (std::size_t line = 0; line < 50; ++line) {
            int holders = 0;
            for (int k = 1; k <= count; ++k) {
                holders += inShard(line, k, count) ? 1 : 0;
            }
            EXPECT_EQ(holders, 1) << "line " << line << " of " << count << " shards";
        }
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A job that fails does not stop the others, and each job's picture is the one a run of its own
// makes, whatever the job before it left in the shared context.
TEST(Batch, RendersEveryGoodJobAndReportsTheBadOnesByLine) {
    TempDir dir;
    const std::string manifest = dir.path() + "/jobs.jsonl";
    std::ofstream(manifest) << R"({"project": ")" << kSample
                            << R"(", "output": "a.png", "size": "40x30", "samples": 1})"
                            << "\n"
                            << R"({"project": "missing.ctn", "output": "b.png"})"
                            << "\n\n"
                            << "{oops\n"
                            << R"({"output": "c.png", "size": "40x30", "samples": 1})"
                            << "\n";
    const auto batch = runProcess(kRenderer, {"--batch", manifest}, dir.path());
    EXPECT_EQ(batch.status, 1);
    for (const char* said : {"line 1: a.png", "line 2: missing.ctn:", "line 4: not a JSON object",
                             "line 5: c.png", "2 rendered, 2 failed"}) {
        EXPECT_NE(batch.err.find(said), std::string::npos) << said << " in " << batch.err;
    }
    const auto alone =
        runProcess(kRenderer, {"-o", "c1.png", "--size", "40x30", "--samples", "1"}, dir.path());
    ASSERT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(readFile(dir.path() + "/c.png"), readFile(dir.path() + "/c1.png"));

    // Only line 5 is the second of two shards' that holds a job to run.
    const auto shard =
        runProcess(kRenderer, {"--batch", manifest, "--shard", "1/2", "--quiet"}, dir.path());
    EXPECT_EQ(shard.status, 0) << shard.err;
    EXPECT_EQ(shard.err, "");

    const auto unreadable = runProcess(kRenderer, {"--batch", dir.path() + "/none.jsonl"});
    EXPECT_EQ(unreadable.status, 2);
    // JSON Lines with one bad job is a failed job, not a file that is no manifest.
    const std::string oneBad = dir.path() + "/bad.jsonl";
    std::ofstream(oneBad) << R"({"transparent": "yes"})"
                          << "\n";
    EXPECT_EQ(runProcess(kRenderer, {"--batch", oneBad}).status, 1);
    std::ofstream(oneBad) << "[1]\n";
    EXPECT_EQ(runProcess(kRenderer, {"--batch", oneBad}).status, 2);
}

} // namespace
} // namespace cartonic
