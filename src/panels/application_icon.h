#pragma once

#include <QIcon>

#include <functional>
#include <initializer_list>

class QPainter;

namespace cartonic {

// The application's icon sizes: the small one of title bars and panels, the large one of task
// switchers and the About box.
inline constexpr int kSmallIconSide = 16;
inline constexpr int kLargeIconSide = 32;

// The application's icon (resources/icons/cartonic.svg) rendered at each of the given square
// sizes, in pixels; a null icon when the application's resources are not linked in. Rendered
// here rather than handed to the toolkit as an SVG file: that would load the SVG icon engine
// plugin and render at every size the window system asks for, all before the first frame.
QIcon applicationIcon(std::initializer_list<int> sides);

// An icon of one picture painted at each of the given square sizes, in pixels: paint gets a
// painter on a transparent pixmap of side x side pixels.
QIcon paintedIcon(std::initializer_list<int> sides,
                  const std::function<void(QPainter& painter, int side)>& paint);

} // namespace cartonic
