// File > Save As Turntable: a WebP animation or an MP4 video of the box turning, drawn frame by
// frame in the view's context.

#include "app/app_settings.h"
#include "app/export_commands.h"
#include "app/ogl_view.h"
#include "app/user_prompts.h"
#include "panels/image_browse.h"
#include "render/turntable_frames.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>

#include <functional>
#include <memory>
#include <optional>

namespace cartonic {

namespace {

// An H.264 video's frames have even sides; the least even side.
constexpr int kLeastEvenSide = 2;

int evenDown(int side) {
    return std::max(kLeastEvenSide, side - side % 2);
}

} // namespace

void ExportCommands::saveAsTurntable() {
    // The last turntable's choices where remembered; else the view's size and the defaults.
    const QSize size = settings_.turntableSize().value_or(viewPixelSize());
    TurntableChoice proposed{size.width(), size.height()};
    proposed.frames = settings_.turntableFrames().value_or(proposed.frames);
    proposed.fps = settings_.turntableFps().value_or(proposed.fps);
    const std::optional<TurntableChoice> choice = prompts_.askTurntable(&window_, proposed);
    if (!choice) {
        return;
    }
    QString chosenFilter;
    const QString path =
        prompts_.chooseFile(&window_, {true, QString(kWebPFilter) + ";;" + kMp4Filter, kWebPSuffix,
                                       settings_.turntableFolder(), &chosenFilter});
    if (path.isEmpty()) {
        return;
    }
    // The name's extension when it names a format, else the filter chosen.
    AnimationSettings animation;
    animation.format =
        animationFormatForPath(localPath(path))
            .value_or(chosenFilter == kMp4Filter ? AnimationFormat::Mp4 : AnimationFormat::WebP);
    animation.fps = choice->fps;
    animation.width = choice->width;
    animation.height = choice->height;
    if (animation.format == AnimationFormat::Mp4) {
        animation.width = evenDown(animation.width);
        animation.height = evenDown(animation.height);
    }
    const auto failed = [&](const std::string& why) {
        prompts_.showError(&window_,
                           QString("Cannot save the turntable %1: %2")
                               .arg(QDir::toNativeSeparators(path), QString::fromStdString(why)));
    };
    auto opened = openAnimationWriter(localPath(path), animation);
    if (!opened) {
        failed(opened.status.message());
        return;
    }
    std::unique_ptr<AnimationWriter> writer = std::move(opened.value);
    std::string why;

    QProgressDialog progress("Drawing the turntable...", "Cancel", 0, choice->frames, &window_);
    progress.setObjectName("TurntableProgress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setValue(0);

    const SlotPictures pictures = exportPictures();
    std::vector<std::string> notes;
    RenderSettings settings;
    settings.pictures = &pictures;
    settings.notes = &notes;
    // The view's camera, seeing the turntable's shape: no size stretches it.
    Camera start = view_.camera();
    start.setViewSize(animation.width, animation.height);
    std::optional<TurntableFrames> frames;
    const auto inView = [&](const std::function<void(const SceneTextures&)>& work) {
        if (!view_.withContext(work)) {
            why = "the view has no OpenGL context";
            return false;
        }
        return true;
    };
    bool ok = inView([&](const SceneTextures& textures) {
        frames.emplace(data_, textures, start, choice->frames, animation.width, animation.height,
                       settings);
    });
    bool cancelled = false;
    RgbaPicture frame;
    for (int i = 0; ok && !cancelled && i < choice->frames; ++i) {
        progress.setLabelText(QString("Drawing frame %1 of %2...").arg(i + 1).arg(choice->frames));
        Status step;
        ok = inView([&](const SceneTextures&) { step = frames->render(i, frame); }) && step &&
             (step = writer->addFrame(frame));
        if (!step) {
            why = step.message();
        }
        // Lets the dialog draw and take a click on Cancel.
        progress.setValue(i + 1);
        cancelled = progress.wasCanceled();
    }
    view_.withContext([&](const SceneTextures&) { frames.reset(); });
    if (ok && !cancelled) {
        const Status finished = writer->finish();
        ok = finished.ok();
        why = finished.message();
    }
    writer.reset(); // an unfinished file goes with it
    progress.close();
    view_.update();
    if (cancelled) {
        window_.statusBar()->showMessage("The turntable was cancelled; no file was written.");
        return;
    }
    if (!ok) {
        failed(why);
        return;
    }
    settings_.setTurntableSize(QSize(choice->width, choice->height));
    settings_.setTurntableFrames(choice->frames);
    settings_.setTurntableFps(choice->fps);
    settings_.setTurntableFolder(QFileInfo(path).absolutePath());
    QString done = QString("Saved a turntable of %1 frames, %2 x %3.")
                       .arg(choice->frames)
                       .arg(animation.width)
                       .arg(animation.height);
    if (animation.width != choice->width || animation.height != choice->height) {
        done += " A video's sides are even, so the size was rounded down.";
    }
    reportPicture(done, notes);
}

} // namespace cartonic
