#include "cli/batch_run.h"

#include "cli/batch_manifest.h"
#include "cli/manifest_reader.h"
#include "cli/printable_text.h"
#include "cli/render_job.h"

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {

namespace {

constexpr std::size_t kBytesPerMb = std::size_t{1} << 20;

constexpr std::string_view kStandardInputName = "standard input";

// The manifest's descriptor: a file of its own, or standard input, which stays open.
class ManifestInput {
public:
    explicit ManifestInput(const std::string& name)
        : name_(name == kStandardStream ? std::string(kStandardInputName) : name),
          fd_(name == kStandardStream ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC)),
          owned_(name != kStandardStream) {
        if (fd_ < 0) {
            status_ = Status::readFailed(errno, "cannot read the batch: " + errnoText());
        }
    }
    ~ManifestInput() {
        if (owned_ && fd_ >= 0) {
            ::close(fd_);
        }
    }
    ManifestInput(const ManifestInput&) = delete;
    ManifestInput& operator=(const ManifestInput&) = delete;

    const std::string& name() const { return name_; }
    int fd() const { return fd_; }
    const Status& status() const { return status_; }

    // How many lines of a file shard will run, for the progress line; none for a stream, which
    // cannot be read twice.
    std::optional<std::size_t> jobCount(int shardIndex, int shardCount) const {
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            return std::nullopt;
        }
        const off_t start = ::lseek(fd_, 0, SEEK_CUR);
        ManifestReader reader(fd_);
        ManifestLine line;
        std::size_t count = 0;
        while (reader.next(line)) {
            count += isJob(line, shardIndex, shardCount) ? 1 : 0;
        }
        return start >= 0 && ::lseek(fd_, start, SEEK_SET) == start
                   ? std::optional<std::size_t>(count)
                   : std::nullopt;
    }

    static bool isJob(const ManifestLine& line, int shardIndex, int shardCount) {
        return (!line.status || !blankLine(line.text)) &&
               inShard(line.index, shardIndex, shardCount);
    }

private:
    std::string name_;
    int fd_;
    bool owned_;
    Status status_;
};

// Usage, saying why, when a job's options cannot be run in a batch.
Status checkBatchJob(const RenderOptions& job) {
    if (job.pictureToStandardOutput()) {
        return Status::usage("a job's picture cannot go to standard output: name a file");
    }
    return {};
}

// The record a job starts from, as a run of its own does: the defaults and no pictures.
class Progress {
public:
    // total: the jobs to do, when known.
    Progress(std::ostream& err, std::optional<std::size_t> total, bool terminal, bool quiet)
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
        if (total_) {
            std::snprintf(line, sizeof line, "\r\033[K%zu/%zu done, %zu failed, %.1f/s", done_,
                          *total_, failed_, rate);
        } else {
            std::snprintf(line, sizeof line, "\r\033[K%zu done, %zu failed, %.1f/s", done_, failed_,
                          rate);
        }
        err_ << line;
        if (total_ && rate > 0.0 && done_ < *total_) {
            err_ << ", " << std::lround(static_cast<double>(*total_ - done_) / rate) << " s left";
        }
        err_.flush();
    }

    std::ostream& err_;
    std::optional<std::size_t> total_;
    bool terminal_;
    bool quiet_;
    std::chrono::steady_clock::time_point start_;
    std::size_t done_ = 0;
    std::size_t failed_ = 0;
};

} // namespace

int runBatch(const RenderOptions& options, std::ostream& out, std::ostream& err, bool progress) {
    const ManifestInput input(*options.batch);
    const auto unusable = [&](const Status& why) {
        return std::string(kProgramPrefix) + printable(input.name() + ": " + why.message()) + '\n';
    };
    if (!input.status()) {
        err << unusable(input.status());
        return kBatchManifestUnusable;
    }
    const bool showProgress = progress && !options.quiet;
    Progress report(
        err, showProgress ? input.jobCount(options.shardIndex, options.shardCount) : std::nullopt,
        progress, options.quiet);

    RenderSession session(static_cast<std::size_t>(options.cacheMb) * kBytesPerMb);
    // Whether the manifest is JSON Lines at all, which one object line shows.
    bool anyLine = false;
    bool anyObject = false;
    ManifestReader reader(input.fd());
    ManifestLine line;
    bool anyRead = false; // a line, so the manifest could be read
    while (reader.next(line)) {
        anyRead = true;
        if (!anyObject && (!line.status || !blankLine(line.text))) {
            anyLine = true;
            anyObject = line.status && jsonObjectLine(line.text);
        }
        if (!ManifestInput::isJob(line, options.shardIndex, options.shardCount)) {
            continue;
        }
        const std::size_t lineNumber = line.index + 1;
        const std::string prefix = "line " + std::to_string(lineNumber) + ": ";
        std::ostringstream said;
        const auto failed = [&](const Status& why) {
            said << kProgramPrefix << printable(prefix + why.message()) << '\n';
            report.say(said.str());
            report.done(false, lineNumber, {});
        };
        if (!line.status) {
            failed(line.status);
            continue;
        }
        std::vector<std::string> args;
        if (const Status read = jobArguments(line.text, args); !read) {
            failed(read);
            continue;
        }
        const Result<RenderOptions> parsed = parseRenderOptions(args);
        if (!parsed) {
            failed(parsed.status);
            continue;
        }
        const RenderOptions& o = parsed.value;
        if (const Status fits = checkBatchJob(o); !fits) {
            failed(fits);
            continue;
        }
        // Every job starts from a project of its own.
        Project project;
        RenderJob job(o, project, session, prefix);
        const bool ok = job.run(out, said).ok();
        report.say(said.str());
        report.done(ok, lineNumber, o.output ? *o.output : o.save ? *o.save : "done");
    }
    if (!reader.status() && !anyRead) {
        // As a manifest that cannot be opened: a folder, a closed standard input.
        err << unusable(reader.status());
        return kBatchManifestUnusable;
    }
    // What stops a manifest part-way is said before the count, which stays the last line.
    int status = report.failed() == 0 ? 0 : kBatchJobFailed;
    if (!reader.status()) {
        report.say(unusable(reader.status()));
        status = kBatchManifestUnusable;
    } else if (anyLine && !anyObject) {
        report.say(unusable(Status::badFormat("not JSON Lines: no line holds a JSON object")));
        status = kBatchManifestUnusable;
    }
    report.finish();
    return status;
}

int runBatch(const RenderOptions& options, std::ostream& out, std::ostream& err) {
    return runBatch(options, out, err, ::isatty(STDERR_FILENO) != 0);
}

} // namespace cartonic
