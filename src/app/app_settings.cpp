#include "app/app_settings.h"

#include "app/export_settings_dialog.h"
#include "app/recent_projects.h"
#include "app/splitters.h"
#include "formats/animation_writer.h"
#include "render/turntable_frames.h"

#include <QSettings>
#include <QVariant>

namespace cartonic {

namespace {

constexpr const char* kRecentProjectsKey = "recentProjects";
constexpr const char* kWindowGeometryKey = "window/geometry";
constexpr const char* kNavigationProportionKey = "window/navigationProportion";
constexpr const char* kViewSmoothEdgesKey = "view/smoothEdges";
constexpr const char* kPictureSizeKey = "formats/size";
constexpr const char* kPictureSmoothEdgesKey = "formats/smoothEdges";
constexpr const char* kPictureTransparentKey = "formats/transparent";
constexpr const char* kExportFolderKey = "formats/folder";
constexpr const char* kTurntableSizeKey = "turntable/size";
constexpr const char* kTurntableFramesKey = "turntable/frames";
constexpr const char* kTurntableFpsKey = "turntable/fps";
constexpr const char* kTurntableFolderKey = "turntable/folder";

std::optional<QSize> exportSize(const QVariant& stored) {
    const QSize size = stored.toSize();
    const auto fits = [](int side) {
        return side >= 1 && side <= kMaxExportSide;
    };
    if (fits(size.width()) && fits(size.height())) {
        return size;
    }
    return std::nullopt;
}

} // namespace

QVariant AppSettings::value(const char* key) const {
    return settings_ ? settings_->value(key) : QVariant();
}

void AppSettings::setValue(const char* key, const QVariant& value) {
    if (settings_) {
        settings_->setValue(key, value);
    }
}

QStringList AppSettings::recentProjects() const {
    return storedRecentProjects(value(kRecentProjectsKey).toStringList());
}

void AppSettings::setRecentProjects(const QStringList& paths) {
    setValue(kRecentProjectsKey, paths);
}

QByteArray AppSettings::windowGeometry() const {
    return value(kWindowGeometryKey).toByteArray();
}

void AppSettings::setWindowGeometry(const QByteArray& geometry) {
    setValue(kWindowGeometryKey, geometry);
}

std::optional<int> AppSettings::navigationProportion() const {
    bool ok = false;
    const int proportion = value(kNavigationProportionKey).toInt(&ok);
    if (ok && proportion > 0 && proportion < ProportionalSplitter::kProportionScale) {
        return proportion;
    }
    return std::nullopt;
}

void AppSettings::setNavigationProportion(int proportion) {
    setValue(kNavigationProportionKey, proportion);
}

bool AppSettings::viewSmoothEdges() const {
    const QVariant on = value(kViewSmoothEdgesKey);
    return on.isValid() ? on.toBool() : true;
}

void AppSettings::setViewSmoothEdges(bool on) {
    setValue(kViewSmoothEdgesKey, on);
}

std::optional<QSize> AppSettings::pictureSize() const {
    return exportSize(value(kPictureSizeKey));
}

void AppSettings::setPictureSize(QSize size) {
    setValue(kPictureSizeKey, size);
}

bool AppSettings::pictureSmoothEdges() const {
    const QVariant on = value(kPictureSmoothEdgesKey);
    return on.isValid() ? on.toBool() : true;
}

void AppSettings::setPictureSmoothEdges(bool on) {
    setValue(kPictureSmoothEdgesKey, on);
}

bool AppSettings::pictureTransparent() const {
    return value(kPictureTransparentKey).toBool();
}

void AppSettings::setPictureTransparent(bool on) {
    setValue(kPictureTransparentKey, on);
}

QString AppSettings::exportFolder() const {
    return value(kExportFolderKey).toString();
}

void AppSettings::setExportFolder(const QString& folder) {
    setValue(kExportFolderKey, folder);
}

std::optional<QSize> AppSettings::turntableSize() const {
    return exportSize(value(kTurntableSizeKey));
}

void AppSettings::setTurntableSize(QSize size) {
    setValue(kTurntableSizeKey, size);
}

std::optional<int> AppSettings::turntableFrames() const {
    bool ok = false;
    const int frames = value(kTurntableFramesKey).toInt(&ok);
    if (ok && frames >= kMinTurntableFrames && frames <= kMaxTurntableFrames) {
        return frames;
    }
    return std::nullopt;
}

void AppSettings::setTurntableFrames(int frames) {
    setValue(kTurntableFramesKey, frames);
}

std::optional<double> AppSettings::turntableFps() const {
    bool ok = false;
    const double fps = value(kTurntableFpsKey).toDouble(&ok);
    if (ok && fps > 0.0 && fps <= kMaxAnimationFps) {
        return fps;
    }
    return std::nullopt;
}

void AppSettings::setTurntableFps(double fps) {
    setValue(kTurntableFpsKey, fps);
}

QString AppSettings::turntableFolder() const {
    return value(kTurntableFolderKey).toString();
}

void AppSettings::setTurntableFolder(const QString& folder) {
    setValue(kTurntableFolderKey, folder);
}

} // namespace cartonic
