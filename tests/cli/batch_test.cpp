// Batches: a manifest line as the command line it stands for, shards, and one small batch run by
// the built cartonic-render.

#include "cli/batch_manifest.h"
#include "cli/manifest_reader.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <unistd.h>

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
            // A whole number written with a fraction is that number.
            {R"({"samples": 32.0, "glue-flap": 40.0, "yaw": -1.0})",
             {"--samples=32", "--glue-flap=40", "--yaw=-1"}},
            {"not json", {}, "not JSON at byte 2: invalid literal"},
            {"[1, 2]", {}, "a job is a JSON object, not array"},
            // Each refusal names the key it concerns and why.
            {R"({"sizee": "1x1"})", {}, R"(unknown key "sizee"; did you mean "size"?)"},
            {R"({"": true, "output": "a.png"})", {}, R"(unknown key "": a key is one of the long)"},
            {R"({"output=x.png": true})", {}, R"(unknown key "output=x.png")"},
            {R"({"batch": "x", "output": "a.png"})",
             {},
             R"("batch" belongs on the batch's command line, not in a job)"},
            {R"({"shard": "1/2"})", {}, R"("shard" belongs on the batch's command line)"},
            {R"({"help": true})", {}, R"("help" is not for a job)"},
            {R"({"size": "8x8", "yaw": 1e309})", {}, R"("yaw": a number out of range)"},
            {"{\"output\": \"\xe9.png\"}", {}, R"("output": not UTF-8 at byte 13 (0xe9))"},
            {std::string("{\"output\": \"a\0.png\"}", 20), {}, R"("output": not JSON at byte 14)"},
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

TEST(ManifestReader, GivesEachLineAsItIsAndSkipsOverLongOnes) {
    TempDir dir;
    const std::string longest(kMaxJobLineBytes, '{');
    const std::string tooLong = "(too long)";
    struct Case {
        std::string bytes;
        std::vector<std::string> lines; // tooLong for a line past the bound
    };
    for (const Case& c : std::vector<Case>{
             {"", {}},
             {"\n", {""}},
             {"a\n\nb", {"a", "", "b"}},
             {"a\r\n\n", {"a\r", ""}},
             {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
             {longest + "\nz", {longest, "z"}},
             {"a\n" + longest + "{\nz\n", {"a", tooLong, "z"}},
             {longest + longest, {tooLong}},
         }) {
        std::ofstream(dir.file("m"), std::ios::binary) << c.bytes;
        const int fd = ::open(dir.file("m").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ManifestReader reader(fd);
        std::vector<std::string> lines;
        for (ManifestLine line; reader.next(line);) {
            EXPECT_EQ(line.index, lines.size());
            EXPECT_TRUE(line.status || line.status.kind() == Status::Kind::TooLarge);
            lines.push_back(line.status ? line.text : tooLong);
        }
        ::close(fd);
        EXPECT_TRUE(reader.status().ok()) << reader.status().message();
        EXPECT_TRUE(lines == c.lines) << c.bytes.substr(0, 20) << ": " << lines.size() << " lines";
    }

    // A line with no end stops the reading at the outer bound; a failed read says why.
    for (const std::string& path : {std::string("/dev/zero"), dir.path()}) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ManifestReader reader(fd);
        ManifestLine line;
        EXPECT_FALSE(reader.next(line)) << path;
        ::close(fd);
        EXPECT_EQ(reader.status().message(), path == dir.path()
                                                 ? "cannot read the batch: " + errnoText(EISDIR)
                                                 : "not JSON Lines: line 1 runs on past " +
                                                       std::to_string(kMaxManifestLineBytes >> 20) +
                                                       " MiB without a line end");
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
    for (const char* said : {"line 1: a.png", "line 2: missing.ctn:", "line 4: not JSON at byte 2",
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

// A NUL byte, escaped in JSON, would end the name where the system reads it: "victim.ctn\0.png"
// would put a PNG in place of the job's own project.
TEST(Batch, ANulByteInANameFailsTheJob) {
    TempDir dir;
    ASSERT_EQ(runProcess(kRenderer, {"--save", dir.file("victim.ctn")}).status, 0);
    const std::vector<char> project = test::readBytes(dir.file("victim.ctn"));
    std::ofstream(dir.file("jobs.jsonl"))
        << R"({"project": "victim.ctn", "output": "victim.ctn\u0000.png", "size": "8x8"})"
        << "\n";
    const auto batch = runProcess(kRenderer, {"--batch", "jobs.jsonl"}, dir.path());
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.err, "cartonic-render: line 1: --output holds a NUL byte, which no file name "
                         "or value can: victim.ctn\\x00.png\n0 rendered, 1 failed\n");
    EXPECT_EQ(test::readBytes(dir.file("victim.ctn")), project);
}

// Jobs run as their lines come, and a line too long for any job fails alone.
TEST(Batch, JobsStartAsTheirLinesArrive) {
    TempDir dir;
    QProcess batch;
    batch.setWorkingDirectory(QString::fromStdString(dir.path()));
    batch.setReadChannel(QProcess::StandardError);
    batch.start(QString::fromStdString(kRenderer), {"--batch", "-"});
    const QByteArray job = R"({"output": "a.png", "size": "8x8", "samples": 1})"
                           "\n";
    batch.write(job);
    QByteArray said;
    // The manifest is still open: a reader that waits for its end would never say this.
    while (!said.contains("line 1: a.png\n") && batch.waitForReadyRead(60000)) {
        said += batch.readAll();
    }
    EXPECT_TRUE(said.contains("line 1: a.png\n")) << said.toStdString();
    batch.write(QByteArray(kMaxJobLineBytes + 1, ' ') + "\n" + job);
    batch.closeWriteChannel();
    ASSERT_TRUE(batch.waitForFinished(60000));
    said += batch.readAll();
    EXPECT_EQ(batch.exitCode(), 1);
    EXPECT_EQ(said.toStdString(),
              "cartonic-render: line 1: a.png\ncartonic-render: line 2: longer than the 1 MiB a "
              "job's line may hold\ncartonic-render: line 3: a.png\n2 rendered, 1 failed\n");
}

} // namespace
} // namespace cartonic
