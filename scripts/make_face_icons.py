#!/usr/bin/env python3
"""Writes the face icons of the navigation bar and the application icon as SVG files.

Each face icon shows the same box in a three-quarter view from the front-left and above, with one
face in the accent colour. The three faces turned away from the viewer (bottom, back, right) are
pulled out of the box along their normals and the box's hidden edges are dashed, so the six icons
stay distinct even at a glance.

Usage: scripts/make_face_icons.py [output-dir]   (default: resources/icons next to this script)
"""

import math
import pathlib
import sys

SIZE = 64

# Box half-extents in scene units (x to the right, y to the back, z up), a carton a little wider
# than it is deep.
HALF = (0.5, 0.36, 0.42)

# Direction from the box towards the viewer: in front, to the left and above, so the front, left
# and top faces are the visible ones.
VIEW = (-0.62, -1.0, 0.68)

# How far a hidden face is pulled out of the box, in scene units.
EXPLODE = 0.22

BOX_FILL = {"top": "#f6ecd8", "front": "#e4cda4", "left": "#c9aa78",
            "bottom": "#b89868", "back": "#d8bf92", "right": "#d0b484"}
ACCENT_FILL = {"top": "#ffa03a", "front": "#f07a12", "left": "#d06208",
               "bottom": "#f07a12", "back": "#f07a12", "right": "#f07a12"}
EDGE = "#3b2a16"
ACCENT_EDGE = "#7a3400"


def normalize(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


FORWARD = normalize(tuple(-c for c in VIEW))
RIGHT = normalize(cross(FORWARD, (0.0, 0.0, 1.0)))
UP = cross(RIGHT, FORWARD)

# Each face: outward normal and its four corners as signs of the half-extents, counter-clockwise
# seen from outside.
FACES = {
    "top": ((0, 0, 1), [(-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, 1)]),
    "bottom": ((0, 0, -1), [(-1, -1, -1), (-1, 1, -1), (1, 1, -1), (1, -1, -1)]),
    "front": ((0, -1, 0), [(-1, -1, -1), (1, -1, -1), (1, -1, 1), (-1, -1, 1)]),
    "back": ((0, 1, 0), [(1, 1, -1), (-1, 1, -1), (-1, 1, 1), (1, 1, 1)]),
    "right": ((1, 0, 0), [(1, -1, -1), (1, 1, -1), (1, 1, 1), (1, -1, 1)]),
    "left": ((-1, 0, 0), [(-1, 1, -1), (-1, -1, -1), (-1, -1, 1), (-1, 1, 1)]),
}
VISIBLE = [name for name, (normal, _) in FACES.items() if dot(normal, VIEW) > 0]
HIDDEN = [name for name in FACES if name not in VISIBLE]


def corners(name, offset=0.0):
    normal, signs = FACES[name]
    return [tuple(s * h + n * offset for s, h, n in zip(sign, HALF, normal)) for sign in signs]


def project(p):
    return (dot(p, RIGHT), -dot(p, UP))


def fit():
    """Scale and shift that put every face, exploded ones included, inside the icon."""
    points = [project(p) for name in FACES for off in (0.0, EXPLODE) for p in corners(name, off)]
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    margin = 1.5
    scale = (SIZE - 2 * margin) / max(max(xs) - min(xs), max(ys) - min(ys))
    dx = (SIZE - scale * (max(xs) + min(xs))) / 2
    dy = (SIZE - scale * (max(ys) + min(ys))) / 2
    return lambda p: (scale * p[0] + dx, scale * p[1] + dy)


TO_ICON = fit()


def points_attr(pts3d):
    return " ".join("%.2f,%.2f" % TO_ICON(project(p)) for p in pts3d)


def polygon(pts3d, fill, stroke, width=1.2, extra=""):
    return ('  <polygon points="%s" fill="%s" stroke="%s" stroke-width="%.1f" '
            'stroke-linejoin="round"%s/>' % (points_attr(pts3d), fill, stroke, width, extra))


def hidden_edges():
    """The box edges that only the hidden faces share: drawn dashed over the box."""
    visible_edges = set()
    for name in VISIBLE:
        c = FACES[name][1]
        for i in range(4):
            visible_edges.add(frozenset((c[i], c[(i + 1) % 4])))
    lines = []
    for name in HIDDEN:
        c = FACES[name][1]
        for i in range(4):
            edge = frozenset((c[i], c[(i + 1) % 4]))
            if edge in visible_edges or edge in [e for e, _ in lines]:
                continue
            lines.append((edge, (c[i], c[(i + 1) % 4])))
    out = []
    for _, (a, b) in lines:
        pa = TO_ICON(project(tuple(s * h for s, h in zip(a, HALF))))
        pb = TO_ICON(project(tuple(s * h for s, h in zip(b, HALF))))
        out.append('  <line x1="%.2f" y1="%.2f" x2="%.2f" y2="%.2f" stroke="%s" stroke-width="1" '
                   'stroke-dasharray="2.5,2" stroke-opacity="0.7"/>' % (pa + pb + (EDGE,)))
    return out


def face_icon(chosen):
    body = []
    if chosen in HIDDEN:
        # The pulled-out face goes behind the box; the bottom one is seen from above through the
        # see-through box.
        body.append(polygon(corners(chosen, EXPLODE), ACCENT_FILL[chosen], ACCENT_EDGE, 1.4))
        for name in VISIBLE:
            body.append(polygon(corners(name), BOX_FILL[name], EDGE, 1.2, ' fill-opacity="0.72"'))
        body.extend(hidden_edges())
        # Where the face came from: a dashed accent outline on the box.
        body.append(polygon(corners(chosen), "none", ACCENT_FILL[chosen], 1.4,
                            ' stroke-dasharray="3,2"'))
    else:
        for name in VISIBLE:
            fill = ACCENT_FILL[name] if name == chosen else BOX_FILL[name]
            stroke = ACCENT_EDGE if name == chosen else EDGE
            body.append(polygon(corners(name), fill, stroke, 1.2))
    return svg(body, "Box with the %s face highlighted" % chosen)


def app_icon():
    """A closed product box: a blue cover with a title band and artwork, a dark spine and a light
    lid, the way a boxed product stands on a shelf."""
    cover, spine, lid = "#2a6fc9", "#1b4e94", "#dfe8f4"
    body = [polygon(corners("top"), lid, EDGE, 1.4),
            polygon(corners("left"), spine, EDGE, 1.4),
            polygon(corners("front"), cover, EDGE, 1.4)]
    hx, hy, hz = HALF

    def on_front(u0, v0, u1, v1):
        """A rectangle on the front face, u across and v up, both from -1 to 1."""
        return [(u0 * hx, -hy, v0 * hz), (u1 * hx, -hy, v0 * hz), (u1 * hx, -hy, v1 * hz),
                (u0 * hx, -hy, v1 * hz)]

    def on_left(u0, v0, u1, v1):
        """A rectangle on the spine, u from the back (-1) to the front (1), v up."""
        return [(-hx, u0 * hy, v0 * hz), (-hx, u1 * hy, v0 * hz), (-hx, u1 * hy, v1 * hz),
                (-hx, u0 * hy, v1 * hz)]

    body.append(polygon(on_front(-0.8, 0.45, 0.8, 0.75), "#ffffff", "none", 0))
    body.append(polygon(on_front(-0.35, -0.65, 0.35, 0.15), "#ff9a2e", "#7a3400", 0.8))
    body.append(polygon(on_left(-0.8, 0.45, 0.8, 0.75), "#ffffff", "none", 0))
    return svg(body, "Cartonic")


def svg(body, title):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            'width="%d" height="%d" viewBox="0 0 %d %d">\n  <title>%s</title>\n%s\n</svg>\n'
            % (SIZE, SIZE, SIZE, SIZE, title, "\n".join(body)))


def main():
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else (
        pathlib.Path(__file__).resolve().parent.parent / "resources" / "icons")
    out.mkdir(parents=True, exist_ok=True)
    for name in FACES:
        (out / ("face_%s.svg" % name)).write_text(face_icon(name))
    (out / "cartonic.svg").write_text(app_icon())


if __name__ == "__main__":
    main()
