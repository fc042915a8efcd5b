#include "app/export_commands.h"

#include "app/app_settings.h"
#include "app/ogl_view.h"
#include "app/user_prompts.h"
#include "panels/image_browse.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMainWindow>
#include <QStatusBar>
#include <QStringList>

namespace cartonic {

ExportCommands::ExportCommands(QMainWindow& window, const Project& project, OGLView& view,
                               UserPrompts& prompts, AppSettings& settings)
    : QObject(&window), window_(window), project_(project), view_(view), prompts_(prompts),
      settings_(settings) {}

QSize ExportCommands::viewPixelSize() const {
    // On a scaled screen the view has more pixels than its size in the toolkit's units, and a
    // picture of it should match what is seen.
    const qreal ratio = view_.devicePixelRatioF();
    return {qRound(view_.width() * ratio), qRound(view_.height() * ratio)};
}

SlotPictures ExportCommands::exportPictures() const {
    return cartonic::exportPictures(project_);
}

DrawIn ExportCommands::drawInView() {
    return [this](const std::function<Status(const SceneTextures&)>& work) {
        Status done;
        if (!view_.withContext([&](const SceneTextures& textures) { done = work(textures); })) {
            return Status::unavailable("the view has no OpenGL context");
        }
        return done;
    };
}

Status ExportCommands::renderView(const PictureRequest& request, RgbaPicture& out,
                                  std::vector<std::string>& notes) {
    Status rendered = renderPicture(request, project_, view_.camera(), exportPictures(),
                                    drawInView(), out, &notes);
    view_.update();
    return rendered;
}

void ExportCommands::reportPicture(const QString& done, const std::vector<std::string>& notes) {
    QStringList text{done};
    for (const std::string& note : notes) {
        QString sentence = QFile::decodeName(QByteArray::fromStdString(note));
        sentence[0] = sentence[0].toUpper();
        text << sentence + ".";
    }
    window_.statusBar()->showMessage(text.join(' '));
}

void ExportCommands::saveAsImage() {
    // The size, folder and choices of the last picture, where remembered; else the view's size.
    const QSize proposed = settings_.pictureSize().value_or(viewPixelSize());
    ExportSize choices;
    choices.width = proposed.width();
    choices.height = proposed.height();
    choices.smoothEdges = settings_.pictureSmoothEdges();
    choices.transparent = settings_.pictureTransparent();
    const auto size = prompts_.askExportSize(&window_, choices);
    if (!size) {
        return;
    }
    QString chosenFilter;
    const QString path =
        prompts_.chooseFile(&window_, {true, QString(kImageFilter) + ";;" + kPngImageFilter,
                                       kImageSuffix, settings_.exportFolder(), &chosenFilter});
    if (path.isEmpty()) {
        return;
    }
    // The name's extension when it names a format, else the filter chosen.
    const PictureFormat format =
        formatForPath(localPath(path))
            .value_or(chosenFilter == kPngImageFilter ? PictureFormat::Png : PictureFormat::Jpeg);
    const PictureRequest request{size->width, size->height, format,
                                 size->smoothEdges ? kSmoothSamples : kAliasedSamples,
                                 size->transparent};
    std::vector<std::string> notes;
    const Status written = exportPicture(localPath(path), kExportJpegQuality, request, project_,
                                         view_.camera(), exportPictures(), drawInView(), &notes);
    view_.update();
    if (!written) {
        prompts_.showError(&window_, QString("Cannot save the picture %1: %2")
                                         .arg(QDir::toNativeSeparators(path),
                                              QString::fromStdString(written.message())));
        return;
    }
    settings_.setPictureSize(QSize(size->width, size->height));
    settings_.setExportFolder(QFileInfo(path).absolutePath());
    settings_.setPictureSmoothEdges(size->smoothEdges);
    settings_.setPictureTransparent(size->transparent);
    if (!size->fallbackNote.isEmpty() || !notes.empty()) {
        // A size the user did not type, or a picture not drawn from its file, is not kept silent.
        reportPicture(QString("Saved a %1 x %2 picture. %3")
                          .arg(size->width)
                          .arg(size->height)
                          .arg(size->fallbackNote)
                          .trimmed(),
                      notes);
    }
}

void ExportCommands::exportModel() {
    const QString path =
        prompts_.chooseFile(&window_, {true, kModelFilter, kModelSuffix, settings_.exportFolder()});
    if (path.isEmpty()) {
        return;
    }
    std::vector<std::string> notes;
    if (const Status written =
            cartonic::exportModel(localPath(path), project_, exportPictures(), &notes);
        !written) {
        prompts_.showError(&window_, QString("Cannot save the 3D model %1: %2")
                                         .arg(QDir::toNativeSeparators(path),
                                              QString::fromStdString(written.message())));
        return;
    }
    settings_.setExportFolder(QFileInfo(path).absolutePath());
    reportPicture(QString("Saved the 3D model %1.").arg(QFileInfo(path).fileName()), notes);
}

void ExportCommands::copyPicture() {
    const QSize size = viewPixelSize();
    RgbaPicture picture;
    std::vector<std::string> notes;
    // A copy is the view as seen: smooth as the view is.
    const PictureRequest request{size.width(), size.height(), PictureFormat::Png,
                                 view_.smoothEdges() ? kSmoothSamples : kAliasedSamples, false};
    if (const Status rendered = renderView(request, picture, notes); !rendered) {
        window_.statusBar()->showMessage("Cannot copy the picture: " +
                                         QString::fromStdString(rendered.message()));
        return;
    }
    const QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                       QImage::Format_RGBX8888);
    // The clipboard keeps its own copy; the buffer goes with this function.
    QGuiApplication::clipboard()->setImage(image.copy());
    reportPicture(
        QString("Copied a %1 x %2 picture of the view.").arg(size.width()).arg(size.height()),
        notes);
}

} // namespace cartonic
