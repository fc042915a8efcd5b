#include "image/dieline.h"

#include "image/image_loader.h"
#include "image/kept_pictures.h"

#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace cartonic {

namespace {

// Rows of a net, from the top: the top panel's, the row that wraps around the box, the bottom
// panel's.
enum NetRow { TopRow, WrapRow, BottomRow };

// The faces of the wrapping row from the left, by layout. Going right along the row goes round
// the box the way its faces' pictures run, so each face's right edge meets the next one's left
// edge: Right (the side on the viewer's left when facing the front), Front, Left, Back.
constexpr std::array<std::array<Face, 4>, 2> kWrapOrder = {{
    {Right, Front, Left, Back}, // cross
    {Front, Left, Back, Right}, // row
}};

// Whether a face's picture is its panel mirrored top to bottom. The unit box lays the top
// face's first row along the front edge; the net has the top panel's last row there.
constexpr bool mirrorsRows(int face) {
    return face == Top;
}

double sideAlongRow(Face face, const BoxSides& box) {
    return face == Front || face == Back ? box.width : box.depth;
}

// The picture that a face with orientation shows as it would show picture laid as loaded: each
// orientation's transform (model/box_geometry.h) undone. Rows run down and columns right in
// texture space as in the picture, so a quarter turn that lays texture coordinates
// counter-clockwise is undone by turning the picture clockwise, and the other way about.
QImage undoOrientation(const QImage& picture, std::int32_t orientation) {
    switch (orientation) {
    case FlipHorizontal:
        return picture.mirrored(false, true);
    case FlipVertical:
        return picture.mirrored(true, false);
    case Turn90:
        return picture.transformed(QTransform().rotate(90));
    case Turn180:
        return picture.mirrored(true, true);
    case Turn270:
        return picture.transformed(QTransform().rotate(270));
    default:
        return picture;
    }
}

} // namespace

std::optional<DielineLayout> dielineLayoutNamed(std::string_view name) {
    for (std::size_t k = 0; k < kDielineLayoutNames.size(); ++k) {
        if (name == kDielineLayoutNames[k]) {
            return static_cast<DielineLayout>(k);
        }
    }
    return std::nullopt;
}

std::string mismatchText(const DielineCut& cut) {
    if (cut.matches()) {
        return {};
    }
    const bool wider = cut.mismatch > 0.0;
    const long percent = std::lround(std::abs(cut.mismatch) * 100.0);
    return std::to_string(percent) + (wider ? "% wider" : "% narrower") +
           " than the box unfolds: the panels keep the box's proportions and are cut from its "
           "middle, leaving out its " +
           (wider ? "left and right" : "top and bottom") + " margins";
}

std::optional<DielineCut> cutLayout(QSize net, const BoxSides& box, DielineLayout layout,
                                    int glueFlap) {
    const int rowWidth = net.width() - std::max(glueFlap, 0);
    if (!(box.width > 0.0 && box.height > 0.0 && box.depth > 0.0) || rowWidth < 1 ||
        net.height() < 1) {
        return std::nullopt;
    }
    // The unfolded box in its own units, and the scale that fits it in the net.
    const double unitsWide = 2.0 * (box.width + box.depth);
    const double unitsHigh = box.height + 2.0 * box.depth;
    const double scaleX = rowWidth / unitsWide;
    const double scaleY = net.height() / unitsHigh;
    const double scale = std::min(scaleX, scaleY);
    const double left = (rowWidth - unitsWide * scale) / 2.0;
    const double top = (net.height() - unitsHigh * scale) / 2.0;
    // Panels that meet share the pixel edge between them.
    const auto columnAt = [&](double units) {
        return static_cast<int>(std::lround(left + units * scale));
    };
    const auto rowAt = [&](double units) {
        return static_cast<int>(std::lround(top + units * scale));
    };
    const std::array<double, 4> rowEdges = {0.0, box.depth, box.depth + box.height, unitsHigh};
    const auto rect = [&](double x0, double x1, NetRow row) {
        return QRect(QPoint(columnAt(x0), rowAt(rowEdges[row])),
                     QPoint(columnAt(x1) - 1, rowAt(rowEdges[row + 1]) - 1));
    };

    DielineCut cut;
    cut.mismatch = scaleX / scaleY - 1.0;
    double x = 0.0;
    for (Face face : kWrapOrder[static_cast<std::size_t>(layout)]) {
        const double next = x + sideAlongRow(face, box);
        cut.panels[face] = rect(x, next, WrapRow);
        if (face == Front) {
            cut.panels[Top] = rect(x, next, TopRow);
            cut.panels[Bottom] = rect(x, next, BottomRow);
        }
        x = next;
    }
    if (glueFlap > 0) {
        const QRect wrap = cut.panels[kWrapOrder[static_cast<std::size_t>(layout)].back()];
        cut.glueFlap = QRect(wrap.right() + 1, wrap.top(), glueFlap, wrap.height());
    }
    if (std::any_of(cut.panels.begin(), cut.panels.end(),
                    [](const QRect& panel) { return panel.isEmpty(); })) {
        return std::nullopt;
    }
    return cut;
}

std::optional<BoxSides> sidesFromNet(QSize net, int glueFlap, int depth) {
    const BoxSides sides{(net.width() - std::max(glueFlap, 0)) / 2.0 - depth,
                         static_cast<double>(net.height() - 2 * depth), static_cast<double>(depth)};
    if (depth < 1 || sides.width < 1.0 || sides.height < 1.0) {
        return std::nullopt;
    }
    return sides;
}

std::array<QImage, kFaceCount> cutPanels(const QImage& net, const DielineCut& cut,
                                         const ProjectData& data) {
    std::array<QImage, kFaceCount> pictures;
    for (int face = 0; face < kFaceCount; ++face) {
        QImage panel = net.copy(cut.panels[face]);
        if (mirrorsRows(face)) {
            panel = panel.mirrored(false, true);
        }
        pictures[face] = undoOrientation(panel, data.faceSlots[face].orientation);
    }
    return pictures;
}

Status loadNet(const std::string& path, QImage& net) {
    // The loader brings each side within its bound on its own; a net larger than the bound is
    // asked for at its own proportions, so that reducing it never changes them.
    TextureSize most{kMaxNetSide, kMaxNetSide};
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        QImageReader reader(QString::fromLocal8Bit(path.c_str()));
        reader.setDecideFormatFromContent(true);
        // Qt's SVG reader would read the whole document, and the files it links to, for its
        // size: a vector net is sized by the loader, in the drawing program.
        const QByteArray format = reader.format();
        const QSize declared =
            format == "svg" || format == "svgz" || format == "pdf" ? QSize() : reader.size();
        if (!declared.isEmpty() &&
            (declared.width() > kMaxNetSide || declared.height() > kMaxNetSide)) {
            const QSize fit = declared.scaled(kMaxNetSide, kMaxNetSide, Qt::KeepAspectRatio);
            most = {std::max(fit.width(), 1), std::max(fit.height(), 1)};
        }
    }
    return loadPictureWithin(path, most, net);
}

Result<std::array<std::string, kFaceCount>> keepPanels(const QImage& net, const DielineCut& cut,
                                                       const ProjectData& data,
                                                       const QString& folder) {
    const std::array<QImage, kFaceCount> pictures = cutPanels(net, cut, data);
    std::array<std::string, kFaceCount> files;
    for (int face = 0; face < kFaceCount; ++face) {
        const Result<QString> file = keepPicture(pictures[face], folder);
        if (!file) {
            return file.status.prefixed("cannot keep the " + std::string(kFaceNames[face]) +
                                        " face's picture: ");
        }
        files[face] = QFile::encodeName(file.value).toStdString();
    }
    return files;
}

} // namespace cartonic
