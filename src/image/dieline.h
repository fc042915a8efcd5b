#pragma once

// A dieline is the flat, unfolded carton as one picture: a row of four panels that wrap around
// the box, the top panel above the front and the bottom panel below it, and an optional glue flap
// at the end of the row. Cutting one gives each face the panel it folds to, turned for the way the
// face lays its picture, so that the artwork runs on across every fold as the folded carton's
// does. No GL, no widgets.

#include "base/status.h"
#include "model/box_sides.h"
#include "model/project_data.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace cartonic {

// The order of the row. Cross: side, front, side, back. Row: front, side, back, side.
enum class DielineLayout { Cross, Row };

// The names the command line and the dialog know the layouts by, by DielineLayout.
inline constexpr std::array<std::string_view, 2> kDielineLayoutNames = {"cross", "row"};

// The layout a name (as kDielineLayoutNames spells it) stands for; nullopt for none.
std::optional<DielineLayout> dielineLayoutNamed(std::string_view name);

// Proportions that differ by less than this fraction count as a match: what rounding a net drawn
// to the box to whole pixels leaves, once it is a couple of hundred pixels across.
inline constexpr double kDielineMatchTolerance = 0.01;

// Where each panel of a net lies, in the net's pixels.
struct DielineCut {
    std::array<QRect, kFaceCount> panels; // by face slot
    QRect glueFlap;                       // empty when the net has none
    // How much wider the net (less its glue flap) is than the box unfolds, as a fraction of the
    // unfolded box's width for the net's height: 0 when they match, below 0 when the net is
    // narrower. The panels keep the box's proportions and are cut from the net's middle along
    // the longer axis, so a mismatch leaves a margin out and stretches nothing.
    double mismatch = 0.0;

    bool matches() const {
        return mismatch > -kDielineMatchTolerance && mismatch < kDielineMatchTolerance;
    }
};

// What a mismatch means for the net, to follow "the net is": "12% wider than the box unfolds:
// ...". "" when the net matches.
std::string mismatchText(const DielineCut& cut);

// The panels of a net of size net for a box of sides box, laid as layout, with a glue flap
// glueFlap pixels wide at the row's end. nullopt when a panel would be under a pixel wide or high
// (a glue flap as wide as the net, a side of 0). Pure.
std::optional<DielineCut> cutLayout(QSize net, const BoxSides& box, DielineLayout layout,
                                    int glueFlap);

// The box a net is drawn for when its side panels are depth pixels wide: the net's width (less
// glueFlap) and height fix the other two sides, in either layout. nullopt when that leaves no front
// (depth too large). Pure.
std::optional<BoxSides> sidesFromNet(QSize net, int glueFlap, int depth);

// Each face's picture, by slot, cut from net as cut says and turned so that the folded box shows
// the net's artwork continuous when each face lays its picture as data's orientation of it says
// (a flip or a quarter turn is undone in the picture): the top panel's edge that meets the front
// in the net meets the front's top edge on the box, and so on. Each picture has its panel's
// pixels, in net's format.
std::array<QImage, kFaceCount> cutPanels(const QImage& net, const DielineCut& cut,
                                         const ProjectData& data);

} // namespace cartonic

namespace cartonic {

// The longest side, in pixels, a net is loaded at: a print-resolution carton, and within the
// load budget.
inline constexpr int kMaxNetSide = 8192;

// Loads the net at path as faces' pictures load (any picture file they take), a larger one brought
// to at most kMaxNetSide pixels a side at its own proportions; fails as loadPictureWithin does.
Status loadNet(const std::string& path, QImage& net);

// The faces' pictures cut from net as cut says for data's faces (cutPanels), each kept in folder
// (kept_pictures.h): their files by slot; WriteFailed, with the reason, when one cannot be kept.
Result<std::array<std::string, kFaceCount>> keepPanels(const QImage& net, const DielineCut& cut,
                                                       const ProjectData& data,
                                                       const QString& folder);

} // namespace cartonic
