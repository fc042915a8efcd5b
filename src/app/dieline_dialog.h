#pragma once

// File > Import Dieline's dialog: the net with its cut lines drawn over it, the layout, the glue
// flap, and where the box's proportions come from (the project's box, or the net and the width
// of its side panels). A net whose proportions differ from the box's says so.

#include "image/dieline.h"

#include <QDialog>
#include <QImage>

#include <optional>

class QButtonGroup;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;

namespace cartonic {

// What the user chose for a net.
struct DielineChoice {
    DielineLayout layout = DielineLayout::Cross;
    int glueFlap = 0; // pixels of the net
    // The side panels' width in the net's pixels when the net gives the box's proportions;
    // nullopt keeps the project's.
    std::optional<int> sideWidth;
};

// The sides the net is cut for under choice: the project's box, or the net's own. nullopt when
// the net leaves no front for that side width.
std::optional<BoxSides> dielineSides(const DielineChoice& choice, QSize net,
                                     const BoxSides& project);

// The net scaled into the widget, the parts no panel takes dimmed, each panel outlined and
// named, and the glue flap hatched.
class DielinePreview : public QWidget {
public:
    DielinePreview(const QImage& net, QWidget* parent);
    void showCut(const std::optional<DielineCut>& cut);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage net_;
    std::optional<DielineCut> cut_;
};

class DielineDialog : public QDialog {
public:
    // Object names of the controls, for tests.
    static constexpr const char* kLayoutName = "DielineLayout";
    static constexpr const char* kGlueFlapName = "GlueFlap";
    static constexpr const char* kFromNetName = "ProportionsFromNet";
    static constexpr const char* kSideWidthName = "SideWidth";
    static constexpr const char* kVerdictName = "Verdict";

    // net is the loaded picture; project the box's sides now; proposed the choices shown first.
    DielineDialog(const QImage& net, const BoxSides& project, const DielineChoice& proposed,
                  QWidget* parent = nullptr);

    DielineChoice choice() const;

private:
    void showChoice();

    QImage net_;
    BoxSides project_;
    DielinePreview* preview_ = nullptr;
    QComboBox* layoutBox_ = nullptr;
    QSpinBox* glueFlapBox_ = nullptr;
    QButtonGroup* source_ = nullptr;
    QSpinBox* sideWidthBox_ = nullptr;
    QLabel* proportions_ = nullptr;
    QLabel* verdict_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace cartonic
