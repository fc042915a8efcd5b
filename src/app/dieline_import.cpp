// File > Import Dieline: one picture of the unfolded box becomes the six faces' pictures.

#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "app/pasted_pictures.h"
#include "image/dieline.h"
#include "operations/project_operations.h"
#include "panels/face_settings_panel.h"
#include "panels/image_browse.h"

#include <QFileInfo>
#include <QStatusBar>

namespace cartonic {

void MainFrame::importDieline() {
    const QString path = prompts_.chooseFile(this, {false, kDielineFilter, {}, {}});
    if (path.isEmpty()) {
        return;
    }
    QImage net;
    if (const Status loaded = loadNet(localPath(path), net); !loaded) {
        prompts_.fail(this, QString::fromLatin1(kLoadImageFailed),
                      QString::fromStdString(loaded.message()));
        return;
    }
    const std::optional<DielineChoice> choice =
        prompts_.askDieline(this, net, boxSidesOf(project_.record), lastDieline_);
    if (!choice) {
        return;
    }
    lastDieline_ = *choice;
    const std::optional<BoxSides> sides =
        dielineSides(*choice, net.size(), boxSidesOf(project_.record));
    const std::optional<DielineCut> cut =
        sides ? cutLayout(net.size(), *sides, choice->layout, choice->glueFlap) : std::nullopt;
    if (!cut) {
        prompts_.showError(this, QString("Cannot cut %1: the panels do not fit the net.")
                                     .arg(QFileInfo(path).fileName()));
        return;
    }
    // All or nothing: a picture that cannot be kept or loaded leaves the project as it was.
    if (const Status imported = cartonic::importDieline(
            project_, net, *cut, choice->sideWidth ? sides : std::optional<BoxSides>(),
            pastedPicturesFolder());
        !imported) {
        prompts_.fail(this, QString::fromLatin1(kLoadImageFailed),
                      QString::fromStdString(imported.message()));
        return;
    }
    facePanel_->refreshFromProject();
    view_->requestRedraw();
    statusBar()->showMessage(
        QString("Cut %1 into the six faces.").arg(QFileInfo(path).fileName()) +
        (cut->matches()
             ? QString()
             : QString(" The net is %1.").arg(QString::fromStdString(mismatchText(*cut)))));
}

} // namespace cartonic
