#pragma once

// What the window keeps between runs, each under its one key of the QSettings main hands over.
// A settings file is anyone's to edit, so every getter checks what it reads: a value out of range
// reads as nothing kept. Without a QSettings (as in the tests) nothing is kept: getters give what
// a first run gets and setters do nothing.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

class QSettings;
class QVariant;

namespace cartonic {

class AppSettings {
public:
    // Reads and writes settings, which outlives this; nullptr keeps nothing.
    explicit AppSettings(QSettings* settings = nullptr) : settings_(settings) {}

    // The recent projects as stored (see storedRecentProjects), the most recent first.
    QStringList recentProjects() const;
    void setRecentProjects(const QStringList& paths);

    // The window's geometry as QWidget::saveGeometry gave it; empty when none is kept.
    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray& geometry);
    // The navigation pane's share of the left part, in ProportionalSplitter::kProportionScale
    // units; nothing unless strictly between 0 and the scale.
    std::optional<int> navigationProportion() const;
    void setNavigationProportion(int proportion);

    // View > Smooth Edges; on when nothing is kept.
    bool viewSmoothEdges() const;
    void setViewSmoothEdges(bool on);

    // The last picture's size in pixels, each side 1 to kMaxExportSide.
    std::optional<QSize> pictureSize() const;
    void setPictureSize(QSize size);
    // The last picture's drawing choices: smooth edges (on when nothing is kept) and a
    // see-through background (off when nothing is kept).
    bool pictureSmoothEdges() const;
    void setPictureSmoothEdges(bool on);
    bool pictureTransparent() const;
    void setPictureTransparent(bool on);
    // The folder of the last picture or 3D model; "" when none is kept.
    QString exportFolder() const;
    void setExportFolder(const QString& folder);

    // The last turntable's size (as a picture's), frames (kMinTurntableFrames to
    // kMaxTurntableFrames), frames a second (more than 0, at most kMaxAnimationFps) and folder.
    std::optional<QSize> turntableSize() const;
    void setTurntableSize(QSize size);
    std::optional<int> turntableFrames() const;
    void setTurntableFrames(int frames);
    std::optional<double> turntableFps() const;
    void setTurntableFps(double fps);
    QString turntableFolder() const;
    void setTurntableFolder(const QString& folder);

private:
    QVariant value(const char* key) const;
    void setValue(const char* key, const QVariant& value);

    QSettings* settings_ = nullptr;
};

} // namespace cartonic
