#include "cli/render_options.h"

#include "cli/option_table.h"
#include "cli/turntable_job.h"
#include "formats/frame_pattern.h"
#include "formats/model_writer.h"

namespace cartonic {

namespace {

std::string formatName(PictureFormat format) {
    return format == PictureFormat::Png ? "png" : "jpeg";
}

// Reads a command line left to right, each option through its definition, then checks what
// only the options together can say.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    Result<RenderOptions> run() {
        bool optionsEnded = false;
        for (i_ = 0; i_ < args_.size() && status_.ok(); ++i_) {
            const std::string& arg = args_[i_];
            if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
                positional(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else {
                option(arg);
            }
        }
        if (status_.ok()) {
            checkBatch();
        }
        if (status_.ok() && o().output) {
            if (o().turntable) {
                chooseAnimation();
            } else {
                chooseOutputFormat();
            }
        }
        if (status_.ok()) {
            checkTurntable();
        }
        if (status_.ok()) {
            checkDieline();
        }
        if (status_.ok()) {
            checkExportRules();
        }
        if (status_.ok()) {
            checkPicturesInside();
        }
        if (!status_) {
            return status_;
        }
        return options_;
    }

private:
    RenderOptions& o() { return options_; }

    // The first usage error ends the parse; later checks see status_ and stop.
    void fail(std::string reason) { status_ = Status::usage(std::move(reason)); }

    // A batch takes every job's settings from its manifest, and its own options need one.
    void checkBatch() {
        for (std::string_view name : seen_) {
            if (o().batch && !isBatchOption(name) && name != "--help" && name != "--list-presets") {
                fail(std::string(name) +
                     " belongs in a job of the batch: give it as a key on the job's line");
                return;
            }
            if (!o().batch && isBatchOption(name)) {
                fail(std::string(name) + " needs --batch");
                return;
            }
        }
        if (o().batch && o().project) {
            fail("a batch names its projects on its lines: " + *o().project);
        }
    }

    // What is to be written meets the rules the window's exports meet too; an MP4 of odd sides
    // passes, to be rounded down when it is written.
    void checkExportRules() {
        if (!o().output) {
            if (o().transparent) {
                fail("--transparent needs a PNG picture (-o FILE.png, or --format png), "
                     "PNG frames or a WebP");
            }
            return;
        }
        Status fits;
        if (o().model) {
            fits = checkModel({o().transparent});
        } else if (o().turntable) {
            TurntableRequest turntable = turntableRequestFor(o());
            fits = settleTurntable(turntable, nullptr);
        } else {
            fits = checkPicture(
                {o().width, o().height, o().outputFormat, o().samples, o().transparent});
        }
        if (!fits) {
            // Only the transparency can fail here: the rate and the count were checked with
            // their options.
            fail("--transparent: " + fits.message());
        }
    }

    // What only a dieline takes.
    void checkDieline() {
        if (o().dieline) {
            return;
        }
        for (std::string_view name : seen_) {
            if (name == "--dieline-layout" || name == "--glue-flap") {
                fail(std::string(name) + " is for a dieline: add --dieline FILE");
                return;
            }
        }
    }

    // Pictures go inside a project that is saved, and come out of one that is given.
    void checkPicturesInside() {
        if (o().embedPictures && !o().save) {
            fail("--embed-pictures keeps the pictures inside a saved project: add --save "
                 "OUT.ctn");
        } else if (o().extractPictures && !o().project) {
            fail("--extract-pictures takes the pictures out of a project: name PROJECT.ctn");
        }
    }

    // What only a turntable takes, and what a turntable cannot do without.
    void checkTurntable() {
        if (o().turntable && !o().output) {
            fail("--turntable needs -o: a .webp, a .mp4 or frame names such as "
                 "frame-%03d.png");
        } else if (o().fps && !o().turntable) {
            fail("--fps is for a turntable: add --turntable N");
        }
    }

    // An animation's format by -o's name: .webp, .mp4, or a frame pattern whose pictures are
    // as -o and --format say.
    void chooseAnimation() {
        const std::string& output = *o().output;
        if (o().model || isModelPath(output)) {
            fail("--turntable renders pictures, not a 3D model: -o names a .webp, a "
                 ".mp4 or frame names such as frame-%03d.png");
            return;
        }
        if (o().pictureToStandardOutput()) {
            fail("--turntable cannot write to standard output: -o names a .webp, a "
                 ".mp4 or frame names such as frame-%03d.png");
            return;
        }
        if (const auto format = animationFormatForPath(output)) {
            if (o().format) {
                fail("--format is for pictures, not -o " + output);
            } else if (const Status rate = animationRateFits(
                           *format, o().fps.value_or(kDefaultAnimationFps), *o().turntable);
                       !rate) {
                fail("--fps: " + rate.message());
            } else {
                o().animationFormat = *format;
            }
            return;
        }
        if (const auto pattern = FramePattern::parse(output); !pattern) {
            fail(output.find('%') == std::string::npos
                     ? "--turntable wants -o FILE.webp, FILE.mp4 or numbered frames "
                       "such as frame-%03d.png: " +
                           output
                     : "-o " + output + ": " + pattern.status.message());
            return;
        }
        o().animationFormat = AnimationFormat::Frames;
        chooseOutputFormat();
    }

    // --format where given, else what the file's name says; standard output has its own default.
    void chooseOutputFormat() {
        const std::string& output = *o().output;
        if (!o().turntable &&
            (animationFormatForPath(output) || FramePattern::parse(output).ok())) {
            // One picture under a name meant for many would be a surprise.
            fail("-o " + output + " is for a turntable: add --turntable N");
            return;
        }
        if (o().model && o().pictureToStandardOutput()) {
            fail("--format glb writes a 3D model to a file: -o FILE.glb");
            return;
        }
        if (o().model && formatForPath(output)) {
            fail("--format glb does not match -o " + output);
            return;
        }
        if (!o().pictureToStandardOutput() && isModelPath(output)) {
            if (o().format) {
                fail("--format " + formatName(*o().format) + " does not match -o " + output);
            }
            o().model = true;
            return;
        }
        if (o().model) {
            return;
        }
        if (o().pictureToStandardOutput()) {
            o().outputFormat = o().format.value_or(kStandardOutputFormat);
            if (o().print) {
                fail("--print and -o - both write to standard output");
            }
            return;
        }
        const std::optional<PictureFormat> named = formatForPath(output);
        if (named && o().format && *named != *o().format) {
            // A PNG file named .jpg misleads whatever opens it by its name.
            fail("--format " + formatName(*o().format) + " does not match -o " + output);
        } else if (named || o().format) {
            o().outputFormat = named ? *named : *o().format;
        } else {
            fail("-o wants a file name ending in .jpg, .jpeg, .png or .glb, or --format: " +
                 output);
        }
    }

    // A NUL byte ends a name where the system reads it: "a.ctn\0.png" would be taken as a PNG
    // and written over a.ctn.
    static bool holdsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

    void positional(const std::string& arg) {
        if (holdsNul(arg)) {
            fail("the project's name holds a NUL byte, which no file name can: " + arg);
        } else if (o().project) {
            fail("more than one project file given: " + *o().project + ", " + arg);
        } else {
            o().project = arg;
        }
    }

    void option(const std::string& arg) {
        // Long options also take their value as --name=value.
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const OptionDefinition* known = findOption(name);
        if (!known) {
            const std::string_view closest = closestLongOption(name);
            fail("unknown option " + name +
                 (closest.empty() ? "" : "; did you mean " + std::string(closest) + "?"));
            return;
        }
        std::string value;
        if (known->argument.empty()) {
            if (inlineValue) {
                fail(name + " takes no value");
                return;
            }
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i_ + 1 < args_.size()) {
            value = args_[++i_];
        } else {
            fail(name + " needs a value");
            return;
        }
        if (holdsNul(value)) {
            fail(name + " holds a NUL byte, which no file name or value can: " + value);
            return;
        }
        seen_.push_back(known->longName);
        if (const Status applied = known->apply(o(), value); !applied) {
            fail(name + " " + applied.message() + ": " + value);
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    RenderOptions options_;
    Status status_;
    std::vector<std::string_view> seen_; // long names, in order
};

} // namespace

Result<RenderOptions> parseRenderOptions(const std::vector<std::string>& args) {
    return Parser(args).run();
}

} // namespace cartonic
