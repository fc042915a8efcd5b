#include "cli/batch_run.h"

#include "cli/batch_manifest.h"
#include "cli/printable_text.h"
#include "cli/render_job.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace cartonic {

namespace {

constexpr std::size_t kBytesPerMb = std::size_t{1} << 20;

struct Manifest {
    std::vector<std::string> lines;
    std::string error; // non-empty: unusable as a whole
};

Manifest readManifest(const std::string& name) {
    Manifest manifest;
    std::ifstream file;
    std::istream* in = &std::cin;
    if (name != kStandardOutput) {
        file.open(name, std::ios::binary);
        if (!file) {
            manifest.error = name + ": cannot read the batch: " + std::strerror(errno);
            return manifest;
        }
        in = &file;
    }
    std::string line;
    bool anyObject = false;
    bool anyLine = false;
    while (std::getline(*in, line)) {
        if (line.find('\0') != std::string::npos) {
            manifest.error = name + ": not JSON Lines: line " +
                             std::to_string(manifest.lines.size() + 1) + " holds a NUL byte";
            return manifest;
        }
        if (!blankLine(line)) {
            anyLine = true;
            anyObject = anyObject || jsonObjectLine(line);
        }
        manifest.lines.push_back(std::move(line));
    }
    if (in->bad()) {
        manifest.error = name + ": cannot read the batch: " + std::strerror(errno);
    } else if (anyLine && !anyObject) {
        manifest.error = name + ": not JSON Lines: no line holds a JSON object";
    }
    return manifest;
}

// Why a job's options cannot be run in a batch; "" when they can.
std::string unfitForBatch(const RenderOptions& job) {
    if (job.batch) {
        return "a job cannot hold a batch";
    }
    if (job.help) {
        return "\"help\" is not for a job";
    }
    if (job.pictureToStandardOutput()) {
        return "a job's picture cannot go to standard output: name a file";
    }
    return {};
}

// The record a job starts from, as a run of its own does: the defaults and no pictures.
void startAfresh(ProjectData& data, SlotImages& images) {
    data = ProjectData{};
    images = SlotImages{};
}

class Progress {
public:
    Progress(std::ostream& err, std::size_t total, bool terminal, bool quiet)
        : err_(err), total_(total), terminal_(terminal && !quiet), quiet_(quiet),
          start_(std::chrono::steady_clock::now()) {}

    // A job's messages, each line as it is.
    void say(const std::string& lines) {
        if (lines.empty()) {
            return;
        }
        clearLine();
        err_ << lines;
        drawLine();
    }

    void done(bool ok, std::size_t lineNumber, const std::string& what) {
        ++done_;
        failed_ += ok ? 0 : 1;
        if (ok && !quiet_ && !terminal_) {
            err_ << kProgramPrefix << printable("line " + std::to_string(lineNumber) + ": " + what)
                 << '\n';
        }
        drawLine();
    }

    void finish() {
        clearLine();
        if (!quiet_) {
            err_ << done_ - failed_ << " rendered, " << failed_ << " failed\n";
        }
    }

    std::size_t failed() const { return failed_; }

private:
    void clearLine() {
        if (terminal_) {
            err_ << "\r\033[K";
        }
    }

    void drawLine() {
        if (!terminal_) {
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = seconds > 0.0 ? static_cast<double>(done_) / seconds : 0.0;
        char line[128];
        std::snprintf(line, sizeof line, "\r\033[K%zu/%zu done, %zu failed, %.1f/s", done_, total_,
                      failed_, rate);
        err_ << line;
        if (rate > 0.0 && done_ < total_) {
            err_ << ", " << std::lround(static_cast<double>(total_ - done_) / rate) << " s left";
        }
        err_.flush();
    }

    std::ostream& err_;
    std::size_t total_;
    bool terminal_;
    bool quiet_;
    std::chrono::steady_clock::time_point start_;
    std::size_t done_ = 0;
    std::size_t failed_ = 0;
};

} // namespace

int runBatch(const RenderOptions& options, std::ostream& out, std::ostream& err, bool progress) {
    const Manifest manifest = readManifest(*options.batch);
    if (!manifest.error.empty()) {
        err << kProgramPrefix << printable(manifest.error) << '\n';
        return kBatchManifestUnusable;
    }
    std::vector<std::size_t> jobs; // line indices
    for (std::size_t i = 0; i < manifest.lines.size(); ++i) {
        if (!blankLine(manifest.lines[i]) && inShard(i, options.shardIndex, options.shardCount)) {
            jobs.push_back(i);
        }
    }

    RenderSession session(static_cast<std::size_t>(options.cacheMb) * kBytesPerMb);
    ProjectData data;
    SlotImages images;
    Progress report(err, jobs.size(), progress, options.quiet);
    for (const std::size_t index : jobs) {
        const std::size_t lineNumber = index + 1;
        const std::string prefix = "line " + std::to_string(lineNumber) + ": ";
        std::ostringstream said;
        const auto failed = [&](const std::string& why) {
            said << kProgramPrefix << printable(prefix + why) << '\n';
            report.say(said.str());
            report.done(false, lineNumber, {});
        };
        std::vector<std::string> args;
        if (const Status read = jobArguments(manifest.lines[index], args); !read) {
            failed(read.message());
            continue;
        }
        const ParseResult parsed = parseRenderOptions(args);
        std::string unfit;
        if (!parsed.error.empty() || !(unfit = unfitForBatch(parsed.options)).empty()) {
            failed(parsed.error.empty() ? unfit : parsed.error);
            continue;
        }
        startAfresh(data, images);
        RenderJob job(parsed.options, data, images, session, prefix);
        const bool ok = job.run(out, said).ok();
        report.say(said.str());
        const RenderOptions& o = parsed.options;
        report.done(ok, lineNumber, o.output ? *o.output : o.save ? *o.save : "done");
    }
    report.finish();
    return report.failed() == 0 ? 0 : kBatchJobFailed;
}

int runBatch(const RenderOptions& options, std::ostream& out, std::ostream& err) {
    return runBatch(options, out, err, ::isatty(STDERR_FILENO) != 0);
}

} // namespace cartonic
