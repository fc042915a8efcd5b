#pragma once

// One run of cartonic-render over a project record: load the project, apply the command line's
// changes, render, save, print. The steps that need no GL context are free functions so they can
// be checked on their own.

#include "base/status.h"
#include "camera/camera.h"
#include "cli/render_options.h"
#include "image/picture_cache.h"
#include "image/restore_images.h"
#include "model/project.h"
#include "render/final_textures.h"
#include "render/headless_renderer.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace cartonic {

// A picture named on the command line, decoded and waiting for its slot.
struct LoadedPicture {
    int slot = 0;
    std::string path; // as given
    SlotImage image;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The start-up camera with the options' fov, yaw, pitch and zoom applied in that order, seeing a
// picture of the options' size (aspect = width / height, so no size stretches the view).
Camera cameraFor(const RenderOptions& options);

// Writes the options' box scales and face orientations into data.
void applyRecordOptions(const RenderOptions& options, ProjectData& data);

// Decodes every picture the options name, in slot order, through cache when one is given. Stops
// at the first that fails, with "cannot load picture PATH: " before the loader's reason. Needs no
// GL context.
Status loadChosenPictures(const RenderOptions& options, std::vector<LoadedPicture>& out,
                          PictureCache* cache = nullptr);

// The command line's look and embed switch over the project's.
void applyExtensionOptions(const RenderOptions& options, ExtensionSettings& settings);

// Moves the pictures into their slots: picture, size and the path as given (a face's imagePath,
// the floor's floorImagePath). Texture names, floorTextureId and floorTextureEnabled are left
// to the caller.
void placePictures(std::vector<LoadedPicture>& pictures, Project& project);

// What the jobs of one process share: the GL context, made for the first job that renders, and
// the pictures decoded so far.
struct RenderSession {
    explicit RenderSession(std::size_t cacheBytes = 0) : pictures(cacheBytes) {}
    std::unique_ptr<HeadlessRenderer> renderer;
    PictureCache pictures;
};

class RenderJob {
public:
    // project is the project to work on, new; it and session outlive the job. Every message the
    // job writes starts "cartonic-render: " and then prefix.
    RenderJob(const RenderOptions& options, Project& project, RenderSession& session,
              std::string prefix = {})
        : options_(options), project_(project), session_(session), prefix_(std::move(prefix)) {}

    // Does what the options ask. A failure is also said in one line on err; its kind makes the
    // exit status (main.cpp), and none of this job's is Usage. Warnings (pictures a project names
    // that cannot be loaded) go to err as well; --print writes to out, -o - to the standard output
    // descriptor, which then must not be a terminal. Makes a headless GL context only when a
    // picture is to be rendered.
    Status run(std::ostream& out, std::ostream& err);

private:
    // The project's pictures back in their slots, with a warning on err for each that cannot be
    // loaded; then the command line's pictures in theirs.
    // Slots drawn from the pictures kept inside the project where their files are gone.
    void restorePictures(std::vector<LoadedPicture>& chosen, std::ostream& err);
    // --preset and --dieline: the pictures they make, on the faces; a dieline's mismatch with
    // the box is a warning on err.
    Status makePictures(std::ostream& err);
    // --extract-pictures: the kept pictures written into its folder, the slots pointed at them;
    // a failure names the file or folder.
    Status extractPictures();
    // The files this job writes (its picture, frames, model and project), as absolute paths, so
    // that no picture is extracted under their names.
    std::vector<std::string> outputFiles() const;
    // What the export draws or embeds its pictures from.
    SlotPictures exportPictures() const;
    Status render(std::ostream& err);
    Status writeModelFile(std::ostream& err);
    // Writes the project, with its pictures inside when the switch is on; a warning on err for
    // each picture that cannot be kept.
    Status save(std::ostream& err);

    // One line on err: the program, the prefix, what is said.
    void say(std::ostream& err, const std::string& message) const;

    // What decodes the job's pictures: the session's cache.
    SlotPictureLoader cachedLoader() const;

    const RenderOptions& options_;
    Project& project_;
    RenderSession& session_;
    std::string prefix_;
};

} // namespace cartonic
