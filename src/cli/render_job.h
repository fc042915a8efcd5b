#pragma once

// One run of cartonic-render over a project record: load the project, apply the command line's
// changes, render, save, print. The steps that need no GL context are free functions so they can
// be checked on their own.

#include "camera/camera.h"
#include "cli/render_options.h"
#include "export/export_textures.h"
#include "image/restore_images.h"
#include "model/project_data.h"
#include "model/slot_images.h"

#include <cstdint>
#include <iosfwd>
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

// Decodes every picture the options name, in slot order. Returns false with "cannot load
// picture PATH: reason" in *why at the first that fails. Needs no GL context.
bool loadChosenPictures(const RenderOptions& options, std::vector<LoadedPicture>& out,
                        std::string* why);

// Moves the pictures into their slots: picture, size and the path as given (a face's imagePath,
// the floor's floorImagePath). Texture names, floorTextureId and floorTextureEnabled are left
// to the caller.
void placePictures(std::vector<LoadedPicture>& pictures, ProjectData& data, SlotImages& images);

class RenderJob {
public:
    // data and images are the record to work on and its slot pictures; both outlive the job.
    RenderJob(const RenderOptions& options, ProjectData& data, SlotImages& images)
        : options_(options), data_(data), images_(images) {}

    // Does what the options ask. Returns the exit status: 0, or 1 after one error line on err.
    // Warnings (pictures a project names that cannot be loaded) go to err as well; --print
    // writes to out, -o - to the standard output descriptor, which then must not be a terminal.
    // Makes a headless GL context only when a picture is to be rendered.
    int run(std::ostream& out, std::ostream& err);

private:
    // The project's pictures back in their slots, textures made with build, with a warning on err
    // for each that cannot be loaded; then the command line's pictures in theirs.
    void restorePictures(std::vector<LoadedPicture>& chosen, const TextureBuilder& build,
                         std::ostream& err);
    // What the export draws or embeds its pictures from.
    SlotPictures exportPictures(const std::vector<LoadedPicture>& chosen) const;
    bool render(std::vector<LoadedPicture>& chosen, std::ostream& err, std::string* why);
    bool writeModelFile(std::vector<LoadedPicture>& chosen, std::ostream& err, std::string* why);
    bool save(std::string* why) const;

    const RenderOptions& options_;
    ProjectData& data_;
    SlotImages& images_;
};

} // namespace cartonic
