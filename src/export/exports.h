#pragma once

// Pictures, turntables and models made to keep, as either shell asks for them: the requests, the
// one set of rules they must meet, and the one way each is drawn and written. The window and
// cartonic-render differ only in how they ask and how they tell the user.

#include "base/status.h"
#include "camera/camera.h"
#include "formats/animation_writer.h"
#include "formats/picture_writer.h"
#include "image/slot_pictures.h"
#include "model/project.h"
#include "render/headless_renderer.h"
#include "render/render_to_buffer.h"
#include "render/scene_textures.h"

#include <functional>
#include <string>
#include <vector>

namespace cartonic {

class PictureCache;

// The pictures an export of project draws or embeds: the slots' kept copies and the files the
// record names, relative paths from the project's folder (as Open takes them), decoded through
// cache when given; a slot that shows a picture file the project keeps inside takes that file
// instead. Refers to project, which outlives it.
SlotPictures exportPictures(const Project& project, PictureCache* cache = nullptr);

struct PictureRequest {
    int width = 0;
    int height = 0;
    PictureFormat format = PictureFormat::Jpeg;
    int samples = kSmoothSamples;
    bool transparent = false;
};

// The rules a picture request meets: transparency only where the format has it (PNG). Usage, with
// one line, when it does not.
Status checkPicture(const PictureRequest& request);

struct ModelRequest {
    bool transparent = false;
};

// A 3D model has no transparency to give; Usage, with one line, when asked for it.
Status checkModel(const ModelRequest& request);

struct TurntableRequest {
    AnimationSettings animation;
    int frames = 0;
    int samples = kSmoothSamples;
    bool transparent = false;
};

// The rules a turntable request meets, before anything is drawn: a frame count in
// kMinTurntableFrames..kMaxTurntableFrames, a rate the format can hold, transparency only in a
// WebP or PNG frames. An MP4 video's sides must be even: odd ones are rounded down, and *note
// says so. Usage, with one line, for what cannot be met.
Status settleTurntable(TurntableRequest& request, std::string* note);

// Where an export is drawn: runs work with the GL context current, handing it the names of the
// context's objects brought up to the record. Unavailable when there is no context to draw in.
using DrawIn = std::function<Status(const std::function<Status(const SceneTextures&)>& work)>;

// Drawing in renderer's context for frames of project, its kept pictures not uploaded: an export
// draws textures of its own.
DrawIn drawInHeadless(HeadlessRenderer& renderer, const Project& project);

// The picture request asks for, of project as camera sees it, in the project's look, drawn with
// textures of its own built from pictures; what could not be done as asked is added to *notes.
Status renderPicture(const PictureRequest& request, const Project& project, const Camera& camera,
                     const SlotPictures& pictures, const DrawIn& drawIn, RgbaPicture& out,
                     std::vector<std::string>* notes);

// The same, written to the file at path (whole or not at all) in the request's format, a JPEG at
// quality. A failure of the file starts with named.
Status exportPicture(const std::string& path, int quality, const PictureRequest& request,
                     const Project& project, const Camera& camera, const SlotPictures& pictures,
                     const DrawIn& drawIn, std::vector<std::string>* notes,
                     const std::string& named = {});
// The same, written to the open descriptor fd (a pipe, the standard output).
Status exportPictureTo(int fd, int quality, const PictureRequest& request, const Project& project,
                       const Camera& camera, const SlotPictures& pictures, const DrawIn& drawIn,
                       std::vector<std::string>* notes);

// The project as a 3D model in the file at path (binary glTF) with pictures embedded; what could
// not be done as asked is added to *notes.
Status exportModel(const std::string& path, const Project& project, const SlotPictures& pictures,
                   std::vector<std::string>* notes);

// Told after each frame is written, with the frames done and the count; false stops the turntable.
using TurntableProgress = std::function<bool(int done, int count)>;

// The one turntable loop: opens the writer for path (nothing is drawn when that fails), draws
// the request's frames around start and writes each, then finishes the file. A failure's reason
// starts with named where it concerns the file as a whole (a numbered frame names itself). When
// progress says stop, *cancelled is set and no animation is written.
Status writeTurntable(const std::string& path, const TurntableRequest& request,
                      const Project& project, const Camera& start, const SlotPictures& pictures,
                      const DrawIn& drawIn, std::vector<std::string>* notes,
                      const std::string& named = {}, const TurntableProgress& progress = {},
                      bool* cancelled = nullptr);

} // namespace cartonic
