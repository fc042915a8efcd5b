// File > Save As Turntable: a WebP animation or an MP4 video of the box turning, drawn frame by
// frame in the view's context.

#include "app/app_settings.h"
#include "app/export_commands.h"
#include "app/ogl_view.h"
#include "app/user_prompts.h"
#include "export/exports.h"
#include "panels/image_browse.h"
#include "render/turntable_frames.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>

#include <optional>

namespace cartonic {

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
    TurntableRequest request;
    AnimationSettings& animation = request.animation;
    animation.format =
        animationFormatForPath(localPath(path))
            .value_or(chosenFilter == kMp4Filter ? AnimationFormat::Mp4 : AnimationFormat::WebP);
    animation.fps = choice->fps;
    animation.width = choice->width;
    animation.height = choice->height;
    request.frames = choice->frames;
    const auto failed = [&](const std::string& why) {
        prompts_.showError(&window_,
                           QString("Cannot save the turntable %1: %2")
                               .arg(QDir::toNativeSeparators(path), QString::fromStdString(why)));
    };
    std::string rounded;
    if (Status settled = settleTurntable(request, &rounded); !settled) {
        failed(settled.message());
        return;
    }

    QProgressDialog progress("Drawing the turntable...", "Cancel", 0, choice->frames, &window_);
    progress.setObjectName("TurntableProgress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setValue(0);
    const auto label = [&](int frame) {
        progress.setLabelText(QString("Drawing frame %1 of %2...").arg(frame).arg(choice->frames));
    };
    label(1);
    std::vector<std::string> notes;
    bool cancelled = false;
    const Status written = writeTurntable(
        localPath(path), request, project_, view_.camera(), exportPictures(), drawInView(), &notes,
        {},
        [&](int done, int count) {
            // Lets the dialog draw and take a click on Cancel.
            progress.setValue(done);
            if (done < count) {
                label(done + 1);
            }
            return !progress.wasCanceled();
        },
        &cancelled);
    progress.close();
    view_.update();
    if (cancelled) {
        window_.statusBar()->showMessage("The turntable was cancelled; no file was written.");
        return;
    }
    if (!written) {
        failed(written.message());
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
