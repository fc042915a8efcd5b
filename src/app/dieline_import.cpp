// File > Import Dieline: one picture of the unfolded box becomes the six faces' pictures.

#include "app/main_frame.h"
#include "app/ogl_view.h"
#include "app/pasted_pictures.h"
#include "image/dieline.h"
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
    if (!loadNet(localPath(path), net)) {
        prompts_.showError(this, QString::fromLatin1(kLoadImageFailed));
        return;
    }
    const std::optional<DielineChoice> choice =
        prompts_.askDieline(this, net, boxSidesOf(data_), lastDieline_);
    if (!choice) {
        return;
    }
    lastDieline_ = *choice;
    const std::optional<BoxSides> sides = dielineSides(*choice, net.size(), boxSidesOf(data_));
    const std::optional<DielineCut> cut =
        sides ? cutLayout(net.size(), *sides, choice->layout, choice->glueFlap) : std::nullopt;
    if (!cut) {
        prompts_.showError(this, QString("Cannot cut %1: the panels do not fit the net.")
                                     .arg(QFileInfo(path).fileName()));
        return;
    }
    const auto kept = keepPanels(net, *cut, data_, pastedPicturesFolder());
    if (!kept) {
        prompts_.showError(this, QString::fromStdString(kept.status.message()));
        return;
    }
    // Every picture is kept before the record changes, so a failure leaves the project as it was.
    if (choice->sideWidth) {
        proportionBox(data_, *sides);
    }
    for (int face = 0; face < kFaceCount; ++face) {
        const QString file = QString::fromStdString(kept.value[face]);
        FaceSlot& slot = data_.faceSlots[face];
        if (!loadSlotPicture(slot, images_[face], file)) {
            prompts_.showError(this, QString::fromLatin1(kLoadImageFailed));
            break;
        }
        setPath(slot.imagePath, localPath(file));
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
