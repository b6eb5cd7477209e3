#!/usr/bin/env python3
"""Writes the shape drawings, the shape thumbnails, the application icon and their Qt resource file.

Run from anywhere: python3 scripts/gen-pictures.py
The output is deterministic, so re-running it only changes files whose drawing code changed.
Only SVG features that Qt SVG 6.4 renders are used: no markers, clip paths, masks or filters.
"""

import math
import os
import re

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
RESOURCES = os.path.join(ROOT, 'resources')

FONT = 'DejaVu Sans'

# Drawing style, shared by all 26 drawings.
INK = '#1f2328'
THIN = '#4b525a'
CENTRE = '#8a9199'
DIM = '#1659a8'
DIM_TEXT = '#0b3b7a'
LEVEL = '#c0392b'
BODY = '#f3f6f9'
LIQUID = '#d5e9f8'
SURFACE = '#2f7fc1'
WALL = '#8d969e'
NOTE = '#3c4248'

OUTLINE_W = 2.2
THIN_W = 1.0
DIM_W = 1.0
EXT_W = 0.8
CENTRE_W = 0.8
LABEL_SIZE = 15
NOTE_SIZE = 12
ARROW_LEN = 10.0
ARROW_HALF = 3.2
EXT_GAP = 3.0
EXT_OVER = 5.0

# Thumbnail style.
T_EDGE = '#2e3b48'
T_SEAM = '#56646f'
T_LETTER = '#0b3b7a'
STEEL = [(0, '#55687d'), (0.2, '#b9c7d5'), (0.4, '#f3f7fa'), (0.62, '#a9b8c7'), (1, '#46586b')]
STEEL_FACE = [(0, '#eef3f7'), (1, '#b6c4d2')]


# ---------------------------------------------------------------- vectors

def add(p, q):
    return (p[0] + q[0], p[1] + q[1])


def sub(p, q):
    return (p[0] - q[0], p[1] - q[1])


def mul(p, k):
    return (p[0] * k, p[1] * k)


def norm(p):
    return math.hypot(p[0], p[1])


def unit(p):
    n = norm(p)
    return (p[0] / n, p[1] / n) if n else (0.0, 0.0)


def lerp(p, q, t):
    return (p[0] + (q[0] - p[0]) * t, p[1] + (q[1] - p[1]) * t)


def polar(c, r, deg):
    """Point at angle deg (counter-clockwise on screen, 0 = right) and distance r from c."""
    a = math.radians(deg)
    return (c[0] + r * math.cos(a), c[1] - r * math.sin(a))


def arc(c, r, a0, a1, n=24):
    return [polar(c, r, a0 + (a1 - a0) * i / n) for i in range(n + 1)]


def ellipse_pts(c, rx, ry, rot=0.0, n=72):
    ca, sa = math.cos(math.radians(rot)), math.sin(math.radians(rot))
    out = []
    for i in range(n):
        t = 2 * math.pi * i / n
        x, y = rx * math.cos(t), ry * math.sin(t)
        out.append((c[0] + x * ca - y * sa, c[1] + x * sa + y * ca))
    return out


def convex_hull(points):
    pts = sorted(set((round(x, 3), round(y, 3)) for x, y in points))
    if len(pts) < 3:
        return pts

    def cross(o, a, b):
        return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0])

    lower, upper = [], []
    for p in pts:
        while len(lower) >= 2 and cross(lower[-2], lower[-1], p) <= 0:
            lower.pop()
        lower.append(p)
    for p in reversed(pts):
        while len(upper) >= 2 and cross(upper[-2], upper[-1], p) <= 0:
            upper.pop()
        upper.append(p)
    return lower[:-1] + upper[:-1]


def clip_below(poly, y_level):
    """Part of a closed polygon below the screen line y = y_level (the liquid under a level)."""
    out = []
    n = len(poly)
    for i in range(n):
        p, q = poly[i], poly[(i + 1) % n]
        p_in, q_in = p[1] >= y_level, q[1] >= y_level
        if p_in:
            out.append(p)
        if p_in != q_in:
            t = (y_level - p[1]) / (q[1] - p[1])
            out.append((p[0] + (q[0] - p[0]) * t, y_level))
    return out


def outward_normals(loop):
    cx = sum(p[0] for p in loop) / len(loop)
    cy = sum(p[1] for p in loop) / len(loop)
    out = []
    for i, p in enumerate(loop):
        t = sub(loop[(i + 1) % len(loop)], loop[i - 1])
        n = unit((t[1], -t[0]))
        if n[0] * (p[0] - cx) + n[1] * (p[1] - cy) < 0:
            n = (-n[0], -n[1])
        out.append(n)
    return out


def visible_runs(loop, e):
    """Runs of a closed convex loop whose outward normal faces along e: the half of a ring that
    a viewer sees when the body recedes in direction e."""
    normals = outward_normals(loop)
    vis = [n[0] * e[0] + n[1] * e[1] > 1e-9 for n in normals]
    if all(vis):
        return [loop + [loop[0]]]
    start = vis.index(False)
    runs, cur = [], []
    for k in range(1, len(loop) + 1):
        i = (start + k) % len(loop)
        if vis[i]:
            cur.append(loop[i])
        elif cur:
            runs.append(cur)
            cur = []
    if cur:
        runs.append(cur)
    return [r for r in runs if len(r) > 1]


def inset(loop, t):
    """Convex loop moved inwards by t along its normals (the inner face of a wall)."""
    return [sub(p, mul(n, t)) for p, n in zip(loop, outward_normals(loop))]


# ---------------------------------------------------------------- SVG text

def num(v):
    s = f'{v:.2f}'.rstrip('0').rstrip('.')
    return '0' if s in ('-0', '') else s


def pts_attr(points):
    return ' '.join(f'{num(x)},{num(y)}' for x, y in points)


def esc(s):
    return s.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')


# Advance widths of DejaVu Sans Bold in em, for placing labels clear of lines.
_BOLD_W = {
    'A': .77, 'B': .76, 'D': .83, 'E': .68, 'H': .84, 'K': .78, 'L': .64, 'M': .99, 'R': .77,
    'S': .72, 'V': .77, 'a': .68, 'h': .71, 'i': .34, 'm': 1.04, 'n': .71, 'x': .66, 't': .48,
}


def text_width(s, size, bold=True):
    if bold:
        return sum(_BOLD_W.get(c, .70) for c in s) * size
    return sum(.62 if c != ' ' else .32 for c in s) * size


class Svg:
    """An SVG document built in layers, so that fills lie under outlines and labels on top."""

    LAYERS = ('back', 'fill', 'line', 'dim', 'label')

    def __init__(self, w, h, background='#ffffff'):
        self.w, self.h = w, h
        self.defs = []
        self.layers = {k: [] for k in self.LAYERS}
        self.next_id = 1
        if background:
            self.add(f'<rect x="0" y="0" width="{w}" height="{h}" fill="{background}"/>', 'back')

    def add(self, s, layer='line'):
        self.layers[layer].append(s)

    def gradient(self, stops, x1=0, y1=0, x2=1, y2=0, user=False):
        gid = f'g{self.next_id}'
        self.next_id += 1
        units = ' gradientUnits="userSpaceOnUse"' if user else ''
        body = ''.join(f'<stop offset="{num(o)}" stop-color="{c}"/>' for o, c in stops)
        self.defs.append(f'<linearGradient id="{gid}" x1="{num(x1)}" y1="{num(y1)}" '
                         f'x2="{num(x2)}" y2="{num(y2)}"{units}>{body}</linearGradient>')
        return f'url(#{gid})'

    def radial(self, stops, cx=0.5, cy=0.5, r=0.5, fx=None, fy=None):
        gid = f'g{self.next_id}'
        self.next_id += 1
        fx = cx if fx is None else fx
        fy = cy if fy is None else fy
        body = ''.join(f'<stop offset="{num(s[0])}" stop-color="{s[1]}"'
                       + (f' stop-opacity="{num(s[2])}"' if len(s) > 2 else '') + '/>' for s in stops)
        self.defs.append(f'<radialGradient id="{gid}" cx="{num(cx)}" cy="{num(cy)}" r="{num(r)}" '
                         f'fx="{num(fx)}" fy="{num(fy)}">{body}</radialGradient>')
        return f'url(#{gid})'

    def line(self, p, q, color=INK, width=THIN_W, dash=None, layer='line', cap='butt'):
        d = f' stroke-dasharray="{dash}"' if dash else ''
        self.add(f'<line x1="{num(p[0])}" y1="{num(p[1])}" x2="{num(q[0])}" y2="{num(q[1])}" '
                 f'stroke="{color}" stroke-width="{num(width)}" stroke-linecap="{cap}"{d}/>', layer)

    def poly(self, points, fill='none', stroke=INK, width=OUTLINE_W, closed=True, dash=None,
             layer='line', opacity=None):
        tag = 'polygon' if closed else 'polyline'
        s = f' stroke="{stroke}" stroke-width="{num(width)}" stroke-linejoin="miter"' if stroke else ''
        d = f' stroke-dasharray="{dash}"' if dash else ''
        o = f' fill-opacity="{num(opacity)}"' if opacity is not None else ''
        self.add(f'<{tag} points="{pts_attr(points)}" fill="{fill}"{o}{s}{d}/>', layer)

    def rect(self, x, y, w, h, fill='none', stroke=INK, width=OUTLINE_W, rx=0, layer='line',
             opacity=None):
        s = f' stroke="{stroke}" stroke-width="{num(width)}"' if stroke else ''
        r = f' rx="{num(rx)}" ry="{num(rx)}"' if rx else ''
        o = f' fill-opacity="{num(opacity)}"' if opacity is not None else ''
        self.add(f'<rect x="{num(x)}" y="{num(y)}" width="{num(w)}" height="{num(h)}"{r} '
                 f'fill="{fill}"{o}{s}/>', layer)

    def ellipse(self, c, rx, ry, fill='none', stroke=INK, width=OUTLINE_W, layer='line', opacity=None):
        s = f' stroke="{stroke}" stroke-width="{num(width)}"' if stroke else ''
        o = f' fill-opacity="{num(opacity)}"' if opacity is not None else ''
        self.add(f'<ellipse cx="{num(c[0])}" cy="{num(c[1])}" rx="{num(rx)}" ry="{num(ry)}" '
                 f'fill="{fill}"{o}{s}/>', layer)

    def text(self, x, y, s, size=LABEL_SIZE, color=DIM_TEXT, anchor='middle', bold=True,
             rotate=None, layer='label'):
        w = ' font-weight="bold"' if bold else ''
        if rotate is not None:
            pos = f'x="0" y="0" transform="translate({num(x)},{num(y)}) rotate({num(rotate)})"'
        else:
            pos = f'x="{num(x)}" y="{num(y)}"'
        self.add(f'<text {pos} font-family="{FONT}" font-size="{num(size)}"{w} fill="{color}" '
                 f'text-anchor="{anchor}">{esc(s)}</text>', layer)

    def to_string(self):
        out = ['<?xml version="1.0" encoding="UTF-8"?>',
               f'<svg xmlns="http://www.w3.org/2000/svg" version="1.1" width="{self.w}" '
               f'height="{self.h}" viewBox="0 0 {self.w} {self.h}">']
        if self.defs:
            out.append('<defs>')
            out.extend(self.defs)
            out.append('</defs>')
        for k in self.LAYERS:
            out.extend(self.layers[k])
        out.append('</svg>')
        return '\n'.join(out) + '\n'


# ---------------------------------------------------------------- dimensioning

def arrow(svg, tip, direction, color=DIM, length=ARROW_LEN, half=ARROW_HALF, layer='dim'):
    """Filled arrowhead whose tip is at tip, pointing along direction."""
    d = unit(direction)
    base = sub(tip, mul(d, length))
    n = (-d[1], d[0])
    svg.poly([tip, add(base, mul(n, half)), add(base, mul(n, -half))], fill=color, stroke=None,
             layer=layer)


def label(svg, at, direction, s, size=LABEL_SIZE, color=DIM_TEXT, gap=4.0, box=True, bold=True):
    """Label placed beside point at, on the side given by direction, clear of the line there."""
    w = text_width(s, size, bold)
    cap = size * 0.73
    d = unit(direction) if norm(direction) else (0.0, 0.0)
    extent = abs(d[0]) * (w / 2 + 2) + abs(d[1]) * (cap / 2 + 2)
    c = add(at, mul(d, gap + extent)) if norm(direction) else at
    if box:
        svg.rect(c[0] - w / 2 - 2.5, c[1] - cap / 2 - 2.5, w + 5, cap + 5, fill='#ffffff',
                 stroke=None, layer='label', opacity=0.9)
    svg.text(c[0], c[1] + cap / 2, s, size=size, color=color, bold=bold)
    return c


def extension(svg, f, q):
    v = sub(q, f)
    if norm(v) < 1.5:
        return
    u = unit(v)
    svg.line(add(f, mul(u, EXT_GAP)), add(q, mul(u, EXT_OVER)), color=DIM, width=EXT_W, layer='dim')


def dimension(svg, q1, q2, text, f1=None, f2=None, side=None, pos=0.5, gap=4.0, outside=False):
    """Dimension line q1-q2 with arrowheads and extension lines from the features f1, f2.

    side is the direction in which the label stands off the line; by default away from the
    features, or upwards when there are none. outside puts the label beyond q1, for a segment
    too short to hold it."""
    if f1 is not None:
        extension(svg, f1, q1)
    if f2 is not None:
        extension(svg, f2, q2)
    u = unit(sub(q2, q1))
    length = norm(sub(q2, q1))
    if length >= 2 * ARROW_LEN + 6:
        svg.line(q1, q2, color=DIM, width=DIM_W, layer='dim')
        arrow(svg, q1, mul(u, -1))
        arrow(svg, q2, u)
    else:
        # too short for arrows inside: they point in from outside
        svg.line(sub(q1, mul(u, ARROW_LEN + 6)), add(q2, mul(u, ARROW_LEN + 6)), color=DIM,
                 width=DIM_W, layer='dim')
        arrow(svg, q1, u)
        arrow(svg, q2, mul(u, -1))
    if side is None:
        if f1 is not None and norm(sub(q1, f1)) > 0.5:
            side = sub(q1, f1)
        elif f2 is not None and norm(sub(q2, f2)) > 0.5:
            side = sub(q2, f2)
        else:
            side = (0, -1)
    at = sub(q1, mul(u, ARROW_LEN + 6)) if outside else lerp(q1, q2, pos)
    return label(svg, at, side, text, gap=gap)


def radius(svg, centre, r, deg, text, tail=0.0, inner=None, mark=True, at='mid', side=None):
    """Radius leader from the centre (or from inner short of the arc) to the arc, arrow on the arc.

    With tail the leader runs on past the arc and the label stands at its end."""
    d = polar((0, 0), 1, deg)
    p = add(centre, mul(d, r))
    start = centre if inner is None else sub(p, mul(d, inner))
    end = add(p, mul(d, tail))
    svg.line(start, end, color=DIM, width=DIM_W, layer='dim')
    arrow(svg, p, d)
    if mark and inner is None:
        cross(svg, centre)
    if tail:
        return label(svg, end, d if side is None else side, text, gap=3)
    if at == 'start':
        return label(svg, start, mul(d, -1) if side is None else side, text, gap=3)
    return label(svg, lerp(start, p, 0.5), (0, 0) if side is None else side, text)


def cross(svg, c, s=5.0):
    svg.line((c[0] - s, c[1]), (c[0] + s, c[1]), color=DIM, width=EXT_W, layer='dim')
    svg.line((c[0], c[1] - s), (c[0], c[1] + s), color=DIM, width=EXT_W, layer='dim')


def centre_line(svg, p, q):
    svg.line(p, q, color=CENTRE, width=CENTRE_W, dash='14,3,2,3', layer='line')


def level_axis(svg, x, y0, y1, datum_from=None, word=True, word_left=True):
    """The level axis: a vertical red arrow from the bottom datum y0 up to y1, marked h at its
    tip on one side and with the word along its shaft on the other."""
    svg.line((x, y0), (x, y1 + ARROW_LEN), color=LEVEL, width=1.6, layer='dim')
    arrow(svg, (x, y1), (0, -1), color=LEVEL, length=11, half=3.8)
    svg.line((x - 7, y0), (x + 7, y0), color=LEVEL, width=1.6, layer='dim')
    if datum_from is not None:
        svg.line(datum_from, (x, y0), color=LEVEL, width=0.8, dash='4,3', layer='dim')
    svg.text(x + (9 if word_left else -9), y1 + 12, 'h', color=LEVEL,
             anchor='start' if word_left else 'end')
    if word:
        # text turned upwards hangs to the left of its baseline
        svg.text(x - 9 if word_left else x + 14, (y0 + y1) / 2, 'уровень', size=NOTE_SIZE,
                 color=LEVEL, bold=False, rotate=-90)


def liquid(svg, outline, y_level, mark_x=None):
    """Liquid under the level inside a closed outline, its surface and the level sign."""
    wet = clip_below(outline, y_level)
    if len(wet) < 3:
        return
    svg.poly(wet, fill=LIQUID, stroke=None, layer='fill')
    xs = [p[0] for p in wet if abs(p[1] - y_level) < 1e-6]
    if len(xs) >= 2:
        svg.line((min(xs), y_level), (max(xs), y_level), color=SURFACE, width=1.3, layer='fill')
        if mark_x is not None:
            level_sign(svg, mark_x, y_level)


def level_sign(svg, x, y):
    svg.poly([(x, y - 1), (x - 6, y - 10), (x + 6, y - 10)], fill='none', stroke=SURFACE, width=1.2,
             layer='fill')
    svg.line((x - 7, y + 4), (x + 7, y + 4), color=SURFACE, width=1.1, layer='fill')
    svg.line((x - 4, y + 8), (x + 4, y + 8), color=SURFACE, width=1.1, layer='fill')


def body(svg, outline):
    svg.poly(outline, fill=BODY, stroke=None, layer='back')
    svg.poly(outline, fill='none', stroke=INK, width=OUTLINE_W, layer='line')


def seam(svg, p, q):
    svg.line(p, q, color=THIN, width=THIN_W, layer='line')


def caption(svg, x, y, s):
    svg.text(x, y, s, size=NOTE_SIZE, color=NOTE, bold=False)


# ---------------------------------------------------------------- tank geometry

def tori_height(r0, rc, rk):
    """Depth of a torispherical head of radius r0 with crown radius rc and knuckle radius rk."""
    return rc - math.sqrt((rc - rk) ** 2 - (r0 - rk) ** 2)


def head_profile(kind, r0, h, rmin=0.0, rc=0.0, rk=0.0, n=28):
    """Meridian of one head from its outer end (a = 0) to the tangent line (a = h), as (a, r)."""
    if kind == 'sph':
        rs = (r0 * r0 + h * h) / (2 * h)
        top = math.asin(min(1.0, r0 / rs))
        return [(rs * (1 - math.cos(top * i / n)), rs * math.sin(top * i / n)) for i in range(n + 1)]
    if kind == 'ell':
        return [(h * (1 - math.cos(math.pi / 2 * i / n)), r0 * math.sin(math.pi / 2 * i / n))
                for i in range(n + 1)]
    if kind == 'cone':
        return [(0.0, 0.0), (h, r0)]
    if kind == 'trunc':
        return [(0.0, rmin), (h, r0)]
    if kind == 'tori':
        h = tori_height(r0, rc, rk)
        join = math.asin((r0 - rk) / (rc - rk))
        crown = [(rc * (1 - math.cos(join * i / n)), rc * math.sin(join * i / n)) for i in range(n + 1)]
        knuckle = []
        for i in range(1, n + 1):
            phi = join + (math.pi / 2 - join) * i / n
            knuckle.append((h - rk * math.cos(phi), (r0 - rk) + rk * math.sin(phi)))
        return crown + knuckle
    raise ValueError(kind)


class Tank:
    """A body of revolution: two equal heads, each with a cylindrical collar, on a shell.

    Along the axis a runs from the outer end of the first head; r is the distance from the axis.
    kind 'none' is a plain cylinder of length shell."""

    def __init__(self, kind, r0, shell, collar=0.0, h=0.0, rmin=0.0, rc=0.0, rk=0.0):
        self.kind, self.r0, self.shell, self.collar = kind, r0, shell, collar
        self.rmin, self.rc, self.rk = rmin, rc, rk
        if kind == 'none':
            self.h, self.collar = 0.0, 0.0
        elif kind == 'tori':
            self.h = tori_height(r0, rc, rk)
        else:
            self.h = h
        self.total = 2 * self.h + 2 * self.collar + shell
        self.shell_start = self.h + self.collar
        self.shell_end = self.shell_start + shell

    def meridian(self):
        if self.kind == 'none':
            return [(0.0, self.r0), (self.total, self.r0)]
        head = head_profile(self.kind, self.r0, self.h, self.rmin, self.rc, self.rk)
        return head + [(self.total - a, r) for a, r in reversed(head)]

    def outline(self):
        m = self.meridian()
        if self.kind == 'none':
            return [(0.0, self.r0), (self.total, self.r0), (self.total, -self.r0), (0.0, -self.r0)]
        return [(a, r) for a, r in m] + [(a, -r) for a, r in reversed(m)]

    def end_radius(self):
        """Radius at the outer end: the flat face of a truncated cone, otherwise the apex."""
        if self.kind == 'trunc':
            return self.rmin
        return self.r0 if self.kind == 'none' else 0.0

    def seams(self):
        """Axial positions of the tangent lines and the collar welds."""
        if self.kind == 'none':
            return []
        out = [self.h, self.total - self.h]
        if self.collar > 0:
            out += [self.shell_start, self.shell_end]
        return sorted(out)

    def head_letter(self, vertical):
        base = {'sph': 'S', 'ell': 'EL', 'cone': 'K', 'trunc': 'K', 'tori': 'S'}[self.kind]
        return ('H' if vertical else 'L') + base


# ---------------------------------------------------------------- drawings

def chain_stops(t):
    """Axial positions of a tank's chain of dimensions and the letters between them."""
    if t.kind == 'none':
        return [0.0, t.total], [None]
    if t.collar > 0:
        return ([0.0, t.h, t.shell_start, t.shell_end, t.total - t.h, t.total],
                ['head', 'collar', 'shell', 'collar', 'head'])
    return [0.0, t.h, t.total - t.h, t.total], ['head', 'shell', 'head']


def radius_at(t, a):
    return t.end_radius() if a <= 1e-9 or a >= t.total - 1e-9 else t.r0


def drawing_sphere(size):
    svg = Svg(*size)
    c, r = (204.0, 196.0), 128.0
    outline = arc(c, r, -90, 270, 120)[:-1]
    body(svg, outline)
    liquid(svg, outline, c[1] + r - 0.38 * 2 * r, mark_x=c[0] - 52)
    centre_line(svg, (c[0] - r - 14, c[1]), (c[0] + r + 14, c[1]))
    centre_line(svg, (c[0], c[1] - r - 14), (c[0], c[1] + r + 14))
    dimension(svg, (c[0] - r, c[1]), (c[0] + r, c[1]), 'D', side=(0, -1), pos=0.3)
    level_axis(svg, 40, c[1] + r, c[1] - r - 16, datum_from=(c[0], c[1] + r))
    return svg


def drawing_vertical(size, t, letters):
    """Elevation of an upright body of revolution; letters names the head, collar and shell."""
    svg = Svg(*size)
    w, h = size
    cx = 178.0
    below = 66 if t.kind == 'trunc' else 44
    above = 52
    yb = above + (h - above - below - t.total) / 2 + t.total

    def m(a, r):
        return (cx + r, yb - a)

    outline = [m(a, r) for a, r in t.outline()]
    body(svg, outline)
    liquid(svg, outline, yb - 0.36 * t.total, mark_x=cx - 0.5 * t.r0)
    for a in t.seams():
        seam(svg, m(a, -t.r0), m(a, t.r0))
    centre_line(svg, m(-14, 0), m(t.total + 14, 0))

    stops, parts = chain_stops(t)
    xc = cx + t.r0 + 36
    for a1, a2, part in zip(stops, stops[1:], parts):
        dimension(svg, (xc, yb - a1), (xc, yb - a2), letters[part], f1=m(a1, radius_at(t, a1)),
                  f2=m(a2, radius_at(t, a2)), side=(1, 0))
    # the crown radius of a torispherical head needs the room under the top seam
    a_d = t.total - t.rc - 40 if t.kind == 'tori' else t.shell_end - 26
    dimension(svg, m(a_d, -t.r0), m(a_d, t.r0), 'D', side=(0, -1), pos=0.35)
    level_axis(svg, 32, yb, yb - t.total - 18, datum_from=m(0, -t.end_radius()))

    if t.kind == 'trunc':
        y = yb + 26
        dimension(svg, (cx - t.rmin, y), (cx + t.rmin, y), 'Dmin', f1=m(0, -t.rmin),
                  f2=m(0, t.rmin), side=(0, 1))
    if t.kind == 'tori':
        radius(svg, m(t.total - t.rc, 0), t.rc, 104, 'RS')
        radius(svg, m(t.total - t.h, -(t.r0 - t.rk)), t.rk, 128, 'RSK', tail=24)
    return svg


def drawing_vertical_ellipse(size):
    """Upright elliptic cylinder: elevation above, plan view below."""
    svg = Svg(*size)
    cx, top, height, rx, ry = 178.0, 44.0, 262.0, 76.0, 44.0
    outline = [(cx - rx, top), (cx + rx, top), (cx + rx, top + height), (cx - rx, top + height)]
    body(svg, outline)
    liquid(svg, outline, top + height * 0.62, mark_x=cx - 36)
    centre_line(svg, (cx, top - 14), (cx, top + height + 14))
    xc = cx + rx + 36
    dimension(svg, (xc, top + height), (xc, top), 'H', f1=outline[3], f2=outline[1], side=(1, 0))
    level_axis(svg, 32, top + height, top - 18, datum_from=(cx - rx, top + height))

    pc = (cx, top + height + 40 + ry)
    plan = ellipse_pts(pc, rx, ry, n=96)
    body(svg, plan)
    centre_line(svg, (cx, pc[1] - ry - 12), (cx, pc[1] + ry + 12))
    centre_line(svg, (cx - rx - 12, pc[1]), (cx + rx + 12, pc[1]))
    y = pc[1] + ry + 20
    dimension(svg, (cx - rx, y), (cx + rx, y), 'Dmax', f1=(cx - rx, pc[1]), f2=(cx + rx, pc[1]),
              side=(0, 1))
    x = cx + rx + 24
    dimension(svg, (x, pc[1] + ry), (x, pc[1] - ry), 'Dmin', f1=(cx, pc[1] + ry),
              f2=(cx, pc[1] - ry), side=(1, 0))
    caption(svg, cx - rx - 8, pc[1] - ry - 6, 'вид сверху')
    return svg


def drawing_horizontal(size, t, letters):
    """Side view of a lying body of revolution; letters names the head, collar and shell."""
    svg = Svg(*size)
    w, h = size
    cy = h / 2 + 16
    right = 84 if t.kind == 'trunc' else 34
    left = 74
    xl = left + (w - left - right - t.total) / 2

    def m(a, r):
        return (xl + a, cy - r)

    outline = [m(a, r) for a, r in t.outline()]
    body(svg, outline)
    liquid(svg, outline, cy + t.r0 - 0.38 * 2 * t.r0, mark_x=xl + t.shell_start + 0.55 * t.shell)
    for a in t.seams():
        seam(svg, m(a, -t.r0), m(a, t.r0))
    centre_line(svg, m(-14, 0), m(t.total + 14, 0))

    stops, parts = chain_stops(t)
    yc = cy - t.r0 - 34
    for a1, a2, part in zip(stops, stops[1:], parts):
        dimension(svg, (xl + a1, yc), (xl + a2, yc), letters[part], f1=m(a1, radius_at(t, a1)),
                  f2=m(a2, radius_at(t, a2)), side=(0, -1))
    a_d = t.shell_start + 30
    dimension(svg, m(a_d, -t.r0), m(a_d, t.r0), 'D', side=(1, 0), pos=0.74)
    level_axis(svg, xl - 34, cy + t.r0, cy - t.r0 - 18, datum_from=m(t.shell_start, -t.r0))

    if t.kind == 'trunc':
        x = xl + t.total + 24
        dimension(svg, (x, cy + t.rmin), (x, cy - t.rmin), 'Dmin', f1=m(t.total, -t.rmin),
                  f2=m(t.total, t.rmin), side=(1, 0))
    if t.kind == 'tori':
        radius(svg, m(t.total - t.rc, 0), t.rc, 16, 'RS')
        radius(svg, m(t.total - t.h, -(t.r0 - t.rk)), t.rk, -58, 'RSK', tail=24)
    return svg


def end_view(svg, c, width, height, kind, rs=0.0, show_height=True):
    """View along the axis of a lying tank: an ellipse or a (rounded) rectangle."""
    rx, ry = width / 2, height / 2
    if kind == 'ellipse':
        outline = ellipse_pts(c, rx, ry, n=96)
    elif rs > 0:
        outline = []
        for (qx, qy), a0 in (((rx - rs, -(ry - rs)), 0), ((-(rx - rs), -(ry - rs)), 90),
                             ((-(rx - rs), ry - rs), 180), ((rx - rs, ry - rs), 270)):
            outline += arc((c[0] + qx, c[1] + qy), rs, a0, a0 + 90, 12)
    else:
        outline = [(c[0] - rx, c[1] - ry), (c[0] + rx, c[1] - ry), (c[0] + rx, c[1] + ry),
                   (c[0] - rx, c[1] + ry)]
    body(svg, outline)
    liquid(svg, outline, c[1] + ry - 0.42 * height)
    centre_line(svg, (c[0] - rx - 12, c[1]), (c[0] + rx + 12, c[1]))
    centre_line(svg, (c[0], c[1] - ry - 12), (c[0], c[1] + ry + 12))
    # a rounded outline is widest at mid-height, a sharp one at its corners too
    curved = kind == 'ellipse' or rs > 0
    y, fy = c[1] + ry + 22, (c[1] if curved else c[1] + ry)
    dimension(svg, (c[0] - rx, y), (c[0] + rx, y), 'S', f1=(c[0] - rx, fy), f2=(c[0] + rx, fy),
              side=(0, 1))
    if show_height:
        x, fx = c[0] + rx + 22, (c[0] if curved else c[0] + rx)
        dimension(svg, (x, c[1] + ry), (x, c[1] - ry), 'H', f1=(fx, c[1] + ry), f2=(fx, c[1] - ry),
                  side=(1, 0))
    if rs > 0:
        radius(svg, (c[0] - (rx - rs), c[1] - (ry - rs)), rs, 135, 'RS', tail=22)
    return outline


def drawing_horizontal_ellipse(size):
    svg = Svg(*size)
    w, h = size
    cy = h / 2 + 12
    length, height, width = 210.0, 100.0, 128.0
    xl = 68.0
    outline = [(xl, cy - height / 2), (xl + length, cy - height / 2), (xl + length, cy + height / 2),
               (xl, cy + height / 2)]
    body(svg, outline)
    liquid(svg, outline, cy + height / 2 - 0.34 * height, mark_x=xl + 0.7 * length)
    centre_line(svg, (xl - 14, cy), (xl + length + 14, cy))
    yc = cy - height / 2 - 34
    dimension(svg, (xl, yc), (xl + length, yc), 'L', f1=outline[0], f2=outline[1])
    level_axis(svg, xl - 34, cy + height / 2, cy - height / 2 - 18, datum_from=outline[3])
    ec = (xl + length + 36 + width / 2, cy)
    end_view(svg, ec, width, height, 'ellipse')
    caption(svg, xl + length / 2, cy + height / 2 + 34, 'вид сбоку')
    caption(svg, ec[0], cy + height / 2 + 64, 'вид с торца')
    return svg


def drawing_box(size, rounded):
    svg = Svg(*size)
    w, h = size
    cy = h / 2 + 4
    length, height, width, rs = 360.0, 210.0, 136.0, 34.0
    xl = 80.0
    outline = [(xl, cy - height / 2), (xl + length, cy - height / 2), (xl + length, cy + height / 2),
               (xl, cy + height / 2)]
    body(svg, outline)
    liquid(svg, outline, cy + height / 2 - 0.42 * height, mark_x=xl + 0.7 * length)
    if rounded:
        for y in (cy - height / 2 + rs, cy + height / 2 - rs):
            seam(svg, (xl, y), (xl + length, y))
    centre_line(svg, (xl - 14, cy), (xl + length + 14, cy))
    yc = cy - height / 2 - 34
    dimension(svg, (xl, yc), (xl + length, yc), 'L', f1=outline[0], f2=outline[1])
    x = xl + length + 28
    dimension(svg, (x, cy + height / 2), (x, cy - height / 2), 'H', f1=outline[2], f2=outline[1],
              side=(1, 0))
    level_axis(svg, xl - 34, cy + height / 2, cy - height / 2 - 18, datum_from=outline[3])
    ec = (xl + length + 96 + width / 2, cy)
    end_view(svg, ec, width, height, 'rect', rs=rs if rounded else 0.0, show_height=False)
    caption(svg, xl + length / 2, cy + height / 2 + 30, 'вид сбоку')
    caption(svg, ec[0], cy + height / 2 + 64, 'вид с торца')
    return svg


def d_section(r, s, rv, rb, rs, n=20):
    """Outer contour of the D-shaped tank's cross-section around the centre of its convex side,
    in y-up coordinates: half circle of radius r at the right, top and bottom walls of radius rv,
    flat side wall of radius rb at the left, corners of radius rs; s is the largest width.
    Returns the closed contour and the construction points of the upper half."""
    xl = r - s
    ct = (0.0, r - rv)
    cl = (xl + rb, 0.0)
    # fillet centre: rv - rs from the top wall's centre and rb - rs from the side wall's centre
    r1, r2 = rv - rs, rb - rs
    d = math.dist(ct, cl)
    a = (r1 * r1 - r2 * r2 + d * d) / (2 * d)
    hh = math.sqrt(r1 * r1 - a * a)
    ex, ey = (cl[0] - ct[0]) / d, (cl[1] - ct[1]) / d
    base = (ct[0] + a * ex, ct[1] + a * ey)
    cands = [(base[0] - hh * ey, base[1] + hh * ex), (base[0] + hh * ey, base[1] - hh * ex)]
    f = max(cands, key=lambda p: p[1])
    tt = (ct[0] + (f[0] - ct[0]) / r1 * rv, ct[1] + (f[1] - ct[1]) / r1 * rv)
    tl = (cl[0] + (f[0] - cl[0]) / r2 * rb, cl[1] + (f[1] - cl[1]) / r2 * rb)

    def ang(c, p):
        return math.atan2(p[1] - c[1], p[0] - c[0])

    def sweep(c, rad, a0, a1, k):
        return [(c[0] + rad * math.cos(a0 + (a1 - a0) * i / k), c[1] + rad * math.sin(a0 + (a1 - a0) * i / k))
                for i in range(k + 1)]

    upper = sweep((0.0, 0.0), r, 0.0, math.pi / 2, 3 * n)[:-1]
    upper += sweep(ct, rv, math.pi / 2, ang(ct, tt), n)[:-1]
    upper += sweep(f, rs, ang(f, tt), ang(f, tl), n)[:-1]
    upper += sweep(cl, rb, ang(cl, tl), math.pi, n)
    lower = [(x, -y) for x, y in reversed(upper[1:-1])]
    return upper + lower, {'ct': ct, 'cl': cl, 'f': f, 'tt': tt, 'tl': tl, 'xl': xl}


def drawing_d_tank(size):
    svg = Svg(*size)
    w, h = size
    r, s, rv, rb, rs, wall = 118.0, 272.0, 2200.0, 2400.0, 30.0, 7.0
    o = (202.0, 222.0)

    def m(p):
        return (o[0] + p[0], o[1] - p[1])

    def towards(c, p):
        return math.degrees(math.atan2(p[1] - c[1], p[0] - c[0]))

    contour, k = d_section(r, s, rv, rb, rs)
    outer = [m(p) for p in contour]
    inner = inset(outer, wall)
    svg.poly(outer, fill=WALL, stroke=None, layer='back')
    svg.poly(inner, fill=BODY, stroke=None, layer='back')
    liquid(svg, inner, o[1] + r - wall - 0.4 * 2 * (r - wall), mark_x=o[0] - 40)
    svg.poly(outer, fill='none', stroke=INK, width=OUTLINE_W)
    svg.poly(inner, fill='none', stroke=INK, width=THIN_W)
    centre_line(svg, m((k['xl'] - 14, 0)), m((r + 14, 0)))
    centre_line(svg, m((0, -r - 14)), m((0, r + 14)))

    y = -r - 34
    dimension(svg, m((k['xl'], y)), m((r, y)), 'S', f1=m((k['xl'], 0)), f2=m((r, 0)), side=(0, 1))
    radius(svg, o, r, 38, 'R')
    # the wall radii are far larger than the drawing: only the ends of their radii are drawn
    top = (-60.0, k['ct'][1] + math.sqrt(rv * rv - 60.0 ** 2))
    radius(svg, m(k['ct']), rv, towards(k['ct'], top), 'RV', inner=46, at='start', side=(0, 1))
    flat = (k['cl'][0] - math.sqrt(rb * rb - 40.0 ** 2), -40.0)
    radius(svg, m(k['cl']), rb, towards(k['cl'], flat), 'RB', inner=50, at='start', side=(1, 0))
    radius(svg, m(k['f']), rs, 122.0, 'RS', tail=24)
    # wall thickness: two arrows pointing at the wall from either side
    a = math.radians(-42)
    po = m((r * math.cos(a), r * math.sin(a)))
    d = (math.cos(a), -math.sin(a))
    pi_ = sub(po, mul(d, wall))
    svg.line(add(po, mul(d, 30)), po, color=DIM, width=DIM_W, layer='dim')
    arrow(svg, po, mul(d, -1), length=8, half=3)
    svg.line(sub(pi_, mul(d, 22)), pi_, color=DIM, width=DIM_W, layer='dim')
    arrow(svg, pi_, d, length=8, half=3)
    label(svg, add(po, mul(d, 30)), d, 't', gap=2)

    level_axis(svg, o[0] + r + 36, o[1] + r - wall, o[1] - r - 18, datum_from=m((0, -r + wall)),
               word_left=False)

    # side view: the length between the flat end plates
    sx, length = o[0] + r + 76, 112.0
    side = [(sx, o[1] - r), (sx + length, o[1] - r), (sx + length, o[1] + r), (sx, o[1] + r)]
    body(svg, side)
    for x in (sx + wall, sx + length - wall):
        seam(svg, (x, o[1] - r), (x, o[1] + r))
    centre_line(svg, (sx - 12, o[1]), (sx + length + 12, o[1]))
    dimension(svg, (sx, o[1] - r - 34), (sx + length, o[1] - r - 34), 'L', f1=side[0], f2=side[1])

    caption(svg, o[0] + (k['xl'] + r) / 2, o[1] + r + 74, 'сечение')
    caption(svg, sx + length / 2, o[1] + r + 30, 'вид сбоку')
    caption(svg, w / 2, h - 42, 'Все размеры наружные.')
    caption(svg, w / 2, h - 22, 't — толщина стенки ёмкости')
    return svg


def drawing_inclined(size, t, letters, theta=11.0, rod_at=0.78, side_letter='D', end=None):
    """Tilted tank, right end raised: A at the raised end, the gauge rod near it, B along the tank.

    With heads, A and B refer to the ends of the whole cylindrical part, collars included, where
    the heads' curved parts begin. end = (kind, width) adds a view along the axis showing S."""
    svg = Svg(*size)
    w, h = size
    c, s = math.cos(math.radians(theta)), math.sin(math.radians(theta))
    eu, ev = (c, -s), (-s, -c)
    off_b, off_l = 26.0, 58.0

    def rel(a, r):
        u = a - t.shell_start
        return add(mul(eu, u), mul(ev, r))

    cyl0, cyl1 = t.h, t.total - t.h
    pts = [rel(a, r) for a, r in t.outline()]
    extent = pts + [rel(0, t.r0 + off_l + 20), rel(cyl1, t.r0 + off_l + 20),
                    add(rel(cyl0, -t.r0), (0, 30)), add(rel(cyl1, -t.r0), (60, 0))]
    minx, maxx = min(p[0] for p in extent), max(p[0] for p in extent)
    miny, maxy = min(p[1] for p in extent), max(p[1] for p in extent)
    room = w - (end[1] + 70 if end else 0)
    origin = ((room - (maxx - minx)) / 2 - minx + (6 if end else 0), (h - (maxy - miny)) / 2 - miny)

    def m(a, r):
        return add(origin, rel(a, r))

    def at_x(x, r):
        """Point of the line at distance r from the axis whose screen abscissa is x."""
        u = (x - origin[0] + r * s) / c
        return (x, origin[1] - u * s - r * c)

    outline = [m(a, r) for a, r in t.outline()]
    bl, br = m(cyl0, -t.r0), m(cyl1, -t.r0)
    body(svg, outline)
    # the level sign stands where the tilted centre line has risen clear of the surface
    y_level = bl[1] - 0.62 * 2 * t.r0
    u_sign = (0.24 * t.r0 + 14) / math.tan(math.radians(theta)) + 5
    liquid(svg, outline, y_level, mark_x=m(cyl0 + u_sign, 0)[0])
    for a in t.seams():
        seam(svg, m(a, -t.r0), m(a, t.r0))
    centre_line(svg, m(-14, 0), m(t.total + 14, 0))

    # the horizontal through the bottom of the lower end, and A at the raised end
    svg.line((bl[0] - 16, bl[1]), (br[0] + 48, bl[1]), color=THIN, width=THIN_W, layer='line')
    xa = br[0] + 16
    dimension(svg, (xa, bl[1]), (xa, br[1]), 'A', f2=br, side=(1, 0))

    # gauge rod near the raised end
    xr = m(cyl0 + rod_at * (cyl1 - cyl0), 0)[0]
    rod_bottom = add(at_x(xr, -t.r0), (0, -3))
    rod_top = at_x(xr, t.r0 + off_b + 10)
    svg.rect(xr - 2.5, rod_top[1], 5, rod_bottom[1] - rod_top[1], fill='#b3bcc4', stroke=INK,
             width=1.0)
    svg.rect(xr - 8, rod_top[1] - 10, 16, 10, fill='#5f6a74', stroke=INK, width=1.0)
    xh = xr - 12
    level_axis(svg, xh, at_x(xh, -t.r0)[1], at_x(xh, t.r0)[1] + 8, word=False, word_left=False)
    # name the rod between the lines of B and L, left of its head
    name_w = text_width('уровнемер', NOTE_SIZE, bold=False)
    mid = at_x(xr - 12 - name_w / 2, t.r0 + (off_b + off_l) / 2)
    svg.text(xr - 12, mid[1] + 4, 'уровнемер', size=NOTE_SIZE, color=NOTE, bold=False, anchor='end')

    # B from the lower end along the tank to the rod, after the head's curved part on the same
    # line; the collars and the shell on the line above
    yb_line = t.r0 + off_b
    dimension(svg, m(cyl0, yb_line), at_x(xr - 2.5, yb_line), 'B', f1=m(cyl0, t.r0), side=ev)
    if t.kind != 'none':
        short = t.h < text_width(letters['head'], LABEL_SIZE) + 14
        dimension(svg, m(0, yb_line), m(t.h, yb_line), letters['head'], f1=m(0, t.end_radius()),
                  f2=m(t.h, t.r0), side=ev, outside=short)
    yl_line = t.r0 + off_l
    stops = [cyl0, t.shell_start, t.shell_end, cyl1] if t.collar > 0 else [t.shell_start, t.shell_end]
    names = ['collar', 'shell', 'collar'] if t.collar > 0 else ['shell']
    for a1, a2, part in zip(stops, stops[1:], names):
        dimension(svg, m(a1, yl_line), m(a2, yl_line), letters[part], f1=m(a1, t.r0),
                  f2=m(a2, t.r0), side=ev)
    a_d = cyl0 + 28
    dimension(svg, m(a_d, -t.r0), m(a_d, t.r0), side_letter, side=eu, pos=0.84)

    if t.kind == 'trunc':
        dimension(svg, m(-24, -t.rmin), m(-24, t.rmin), 'Dmin', f1=m(0, -t.rmin), f2=m(0, t.rmin),
                  side=mul(eu, -1))
    if t.kind == 'tori':
        radius(svg, m(t.total - t.rc, 0), t.rc, 14 + theta, 'RS', inner=64)
        radius(svg, m(t.total - t.h, t.r0 - t.rk), t.rk, 58 + theta, 'RSK', tail=22)
    if end:
        kind, width = end
        ec = (w - 40 - width / 2, min(br[1] - t.r0 + 10, h - 110 - t.r0))
        end_view(svg, ec, width, 2 * t.r0, kind, show_height=False)
        caption(svg, ec[0], ec[1] + t.r0 + 60, 'вид с торца')
    return svg


VERTICAL = {'head': None, 'collar': 'HD', 'shell': 'H'}
HORIZONTAL = {'head': None, 'collar': 'LD', 'shell': 'L'}


def letters_for(t, vertical):
    table = dict(VERTICAL if vertical else HORIZONTAL)
    table['head'] = t.head_letter(vertical) if t.kind != 'none' else None
    if t.kind == 'none':
        table[None] = 'H' if vertical else 'L'
    return table


def vertical_tanks():
    return {
        'vertical-spherical-heads': Tank('sph', 74, 250, collar=32, h=50),
        'vertical-elliptic-heads': Tank('ell', 74, 246, collar=32, h=52),
        'vertical-cone-heads': Tank('cone', 74, 212, collar=28, h=72),
        'vertical-frustum-heads': Tank('trunc', 74, 246, collar=28, h=64, rmin=30),
        'vertical-torispherical-heads': Tank('tori', 74, 276, collar=30, rc=148, rk=18),
    }


def horizontal_tanks():
    return {
        'horizontal-spherical-heads': Tank('sph', 70, 250, collar=30, h=46),
        'horizontal-elliptic-heads': Tank('ell', 70, 242, collar=30, h=50),
        'horizontal-cone-heads': Tank('cone', 70, 206, collar=28, h=70),
        'horizontal-frustum-heads': Tank('trunc', 70, 250, collar=28, h=62, rmin=28),
        'horizontal-torispherical-heads': Tank('tori', 70, 262, collar=30, rc=140, rk=17),
    }


def inclined_tanks():
    return {
        'inclined-spherical-heads': Tank('sph', 56, 250, collar=28, h=38),
        'inclined-elliptic-heads': Tank('ell', 56, 250, collar=28, h=42),
        'inclined-cone-heads': Tank('cone', 56, 226, collar=28, h=58),
        'inclined-frustum-heads': Tank('trunc', 56, 300, collar=28, h=54, rmin=24),
        'inclined-torispherical-heads': Tank('tori', 56, 240, collar=28, rc=112, rk=20),
    }


def catalogue_keys():
    """The shapes' keys in catalogue order, read from the catalogue itself."""
    with open(os.path.join(ROOT, 'calc', 'catalogue.cpp'), encoding='utf-8') as f:
        return re.findall(r'\.key = "([^"]+)"', f.read())


# The window's presentation of each shape by its catalogue key: the number N of its thumbnail control
# ImageN, that control's bounds (left, top, width, height), and the outer size of the picture viewer.
# Each drawing is made at its viewer size, each thumbnail at its control's size. The window reads the
# same figures from the C++ table written below, so they are written here only.
PRESENTATION = {
    'sphere': (10, (712, 32, 82, 81), (378, 378)),
    'vertical-cylinder': (13, (720, 9, 63, 120), (343, 496)),
    'vertical-ellipse': (24, (720, 9, 63, 120), (343, 496)),
    'vertical-spherical-heads': (16, (715, 9, 68, 120), (364, 529)),
    'vertical-elliptic-heads': (17, (716, 9, 67, 120), (364, 529)),
    'vertical-cone-heads': (8, (716, 9, 67, 120), (364, 529)),
    'vertical-frustum-heads': (15, (715, 9, 60, 120), (364, 574)),
    'vertical-torispherical-heads': (9, (713, 10, 70, 119), (364, 531)),
    'horizontal-cylinder': (12, (684, 32, 139, 73), (496, 343)),
    'horizontal-ellipse': (1, (680, 32, 143, 73), (496, 343)),
    'horizontal-spherical-heads': (11, (680, 32, 143, 73), (530, 363)),
    'horizontal-elliptic-heads': (14, (681, 32, 142, 73), (530, 363)),
    'horizontal-cone-heads': (7, (681, 32, 142, 73), (529, 364)),
    'horizontal-frustum-heads': (18, (684, 32, 139, 73), (574, 364)),
    'horizontal-torispherical-heads': (19, (681, 43, 142, 62), (532, 363)),
    'box': (4, (683, 32, 140, 73), (687, 437)),
    'rounded-box': (3, (683, 32, 140, 73), (697, 437)),
    'd-tank': (26, (680, 16, 143, 97), (551, 527)),
    'inclined-cylinder': (20, (680, 32, 143, 73), (503, 409)),
    'inclined-ellipse': (23, (684, 33, 139, 72), (503, 409)),
    'inclined-spherical-heads': (21, (684, 32, 139, 73), (527, 435)),
    'inclined-elliptic-heads': (22, (684, 32, 139, 73), (527, 435)),
    'inclined-cone-heads': (2, (680, 32, 143, 73), (529, 430)),
    'inclined-frustum-heads': (6, (681, 32, 142, 73), (633, 474)),
    'inclined-torispherical-heads': (25, (684, 32, 139, 73), (531, 446)),
    'inclined-box': (5, (681, 32, 142, 73), (572, 413)),
}

TABLE = os.path.join(ROOT, 'viewer', 'presentation_table.inc')


def presentation_table():
    rows = ['// Generated by scripts/gen-pictures.py from its PRESENTATION list; do not edit.',
            '// To change a figure, edit that list and run: python3 scripts/gen-pictures.py',
            '// One row per shape in catalogue order: thumbnail object name, its bounds, viewer outer size.']
    for key in catalogue_keys():
        image, (left, top, width, height), (vw, vh) = PRESENTATION[key]
        rows.append(f'{{"Image{image}", {{{left}, {top}, {width}, {height}}}, {{{vw}, {vh}}}}},')
    return '\n'.join(rows) + '\n'


def drawing_plain_vertical(size):
    t = Tank('none', 76, 300)
    return drawing_vertical(size, t, letters_for(t, True))


def drawing_plain_horizontal(size):
    t = Tank('none', 72, 330)
    return drawing_horizontal(size, t, letters_for(t, False))


def drawing_plain_inclined(size):
    t = Tank('none', 58, 330)
    return drawing_inclined(size, t, letters_for(t, False))


def drawing_inclined_ellipse(size):
    t = Tank('none', 36, 240)
    return drawing_inclined(size, t, letters_for(t, False), side_letter='H', end=('ellipse', 106))


def drawing_inclined_box(size):
    t = Tank('none', 56, 300)
    return drawing_inclined(size, t, letters_for(t, False), side_letter='H', end=('rect', 96))


def drawing(key):
    """The drawing of the shape with catalogue key `key`, at its viewer size."""
    size = PRESENTATION[key][2]
    plain = {
        'sphere': drawing_sphere,
        'vertical-cylinder': drawing_plain_vertical,
        'vertical-ellipse': drawing_vertical_ellipse,
        'horizontal-cylinder': drawing_plain_horizontal,
        'horizontal-ellipse': drawing_horizontal_ellipse,
        'box': lambda size: drawing_box(size, rounded=False),
        'rounded-box': lambda size: drawing_box(size, rounded=True),
        'd-tank': drawing_d_tank,
        'inclined-cylinder': drawing_plain_inclined,
        'inclined-ellipse': drawing_inclined_ellipse,
        'inclined-box': drawing_inclined_box,
    }
    if key in plain:
        return plain[key](size)
    for tanks, draw, upright in ((vertical_tanks(), drawing_vertical, True),
                                 (horizontal_tanks(), drawing_horizontal, False),
                                 (inclined_tanks(), drawing_inclined, False)):
        if key in tanks:
            return draw(size, tanks[key], letters_for(tanks[key], upright))
    raise ValueError(key)


# ---------------------------------------------------------------- thumbnails

class Painter:
    """Draws in a local frame that tf maps to the picture (a shift, or a shift and a tilt)."""

    def __init__(self, svg, tf=None):
        self.svg = svg
        self.tf = tf or (lambda p: p)

    def map(self, pts):
        return [self.tf(p) for p in pts]

    def fill(self, pts, fill, stroke=T_EDGE, width=0.8):
        self.svg.poly(self.map(pts), fill=fill, stroke=stroke, width=width)

    def stroke(self, pts, color=T_SEAM, width=0.6, closed=False):
        self.svg.poly(self.map(pts), fill='none', stroke=color, width=width, closed=closed)

    def grad(self, stops, p1, p2):
        a, b = self.tf(p1), self.tf(p2)
        return self.svg.gradient(stops, a[0], a[1], b[0], b[1], user=True)


def tilt(pivot, deg):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    return lambda p: (pivot[0] + p[0] * c + p[1] * s, pivot[1] - p[0] * s + p[1] * c)


def shift(dx, dy):
    return lambda p: (p[0] + dx, p[1] + dy)


def shadow(svg, c, rx, ry):
    svg.ellipse(c, rx, ry, fill=svg.radial([(0, '#000000', 0.3), (1, '#000000', 0)]), stroke=None)


def across(section, e):
    """Unit vector across the extrusion e, pointing down (or right), and the section's half
    extent along it: the span of the body's shading gradient."""
    n = unit((-e[1], e[0]))
    if n[1] < -1e-9 or (abs(n[1]) < 1e-9 and n[0] < 0):
        n = (-n[0], -n[1])
    c = (sum(p[0] for p in section) / len(section), sum(p[1] for p in section) / len(section))
    k = max((p[0] - c[0]) * n[0] + (p[1] - c[1]) * n[1] for p in section)
    return c, n, k


def prism(pt, section, e, rings=(), ring_color=T_SEAM, ring_width=0.6, face=True):
    """A convex section swept along e: the body with its shading, then the near face on top."""
    back = [add(p, e) for p in section]
    hull = convex_hull(section + back)
    c, n, k = across(section, e)
    mid = add(c, mul(e, 0.5))
    pt.fill(hull, pt.grad(STEEL, sub(mid, mul(n, k)), add(mid, mul(n, k))))
    for f in rings:
        loop = [add(p, mul(e, f)) for p in section]
        for run in visible_runs(loop, e):
            pt.stroke(run, color=ring_color, width=ring_width)
    if face:
        pt.fill(section, pt.grad(STEEL_FACE, sub(c, mul(n, k)), add(c, mul(n, k))))


def revolution_h(pt, t):
    """A lying body of revolution in the local frame: axis on y = 0, shell from x = 0."""
    outline = [(a - t.shell_start, -r) for a, r in t.outline()]
    pt.fill(outline, pt.grad(STEEL, (0, -t.r0), (0, t.r0)))
    for a in t.seams():
        x = a - t.shell_start
        ring = [(x + 0.22 * t.r0 * math.cos(u), t.r0 * math.sin(u))
                for u in (math.pi * (i / 24 - 0.5) for i in range(25))]
        pt.stroke(ring)
    pt.stroke(outline, color=T_EDGE, width=0.8, closed=True)


def revolution_v(svg, t, cx, yb):
    shadow(svg, (cx, yb), t.r0 * 1.25, 3.5)
    pt = Painter(svg)
    outline = [(cx + r, yb - a) for a, r in t.outline()]
    pt.fill(outline, pt.grad(STEEL, (cx - t.r0, 0), (cx + t.r0, 0)))
    for a in t.seams():
        y = yb - a
        pt.stroke([(cx + t.r0 * math.cos(u), y + 0.24 * t.r0 * math.sin(u))
                   for u in (math.pi * i / 24 for i in range(25))])
    pt.stroke(outline, color=T_EDGE, width=0.8, closed=True)


def thumb_sphere(size):
    svg = Svg(*size, background=None)
    c, r = (41.0, 37.0), 33.0
    shadow(svg, (41, 75), 27, 4)
    svg.ellipse(c, r, r, fill=svg.radial([(0, '#fbfdff'), (0.45, '#b9c7d5'), (1, '#4e6277')],
                                         cx=0.5, cy=0.5, r=0.55, fx=0.34, fy=0.3),
                stroke=T_EDGE, width=0.8)
    svg.poly([(c[0] + r * math.cos(u), c[1] + 0.26 * r * math.sin(u))
              for u in (math.pi * i / 32 for i in range(33))], stroke=T_SEAM, width=0.6, closed=False)
    return svg


def thumb_vertical_prism(size, section, height):
    svg = Svg(*size, background=None)
    shadow(svg, (size[0] / 2, max(p[1] for p in section) + height), 28, 3.5)
    prism(Painter(svg), section, (0, height))
    return svg


def thumb_horizontal(size, t, cy):
    svg = Svg(*size, background=None)
    xl = (size[0] - t.total) / 2
    shadow(svg, (size[0] / 2, cy + t.r0 + 4), t.total * 0.5, 4)
    revolution_h(Painter(svg, shift(xl + t.shell_start, cy)), t)
    return svg


def box_faces(pt, length, height, depth):
    """An upright box in the local frame: front face from (0, 0) to (length, -height), its top
    and right faces receding along depth."""
    dx, dy = depth
    front = [(0, 0), (length, 0), (length, -height), (0, -height)]
    top = [(0, -height), (length, -height), (length + dx, -height + dy), (dx, -height + dy)]
    right = [(length, 0), (length + dx, dy), (length + dx, dy - height), (length, -height)]
    pt.fill(front, pt.grad([(0, '#c4d0dc'), (1, '#7d8fa2')], (0, -height), (0, 0)))
    pt.fill(top, pt.grad([(0, '#f4f7fa'), (1, '#d2dce6')], (0, -height + dy), (0, -height)))
    pt.fill(right, pt.grad([(0, '#8a9bad'), (1, '#5c6e82')], (0, dy - height), (0, 0)))


def thumb_box(size):
    svg = Svg(*size, background=None)
    x0, y0, length, height, depth = 9.0, 65.0, 92.0, 38.0, (32.0, -17.0)
    shadow(svg, (x0 + length / 2 + depth[0] / 2, y0 + 2), 66, 5)
    box_faces(Painter(svg, shift(x0, y0)), length, height, depth)
    return svg


def rounded_section(x0, y0, width, height, rs, depth_dir, n=8):
    """End face of the rounded box: its width recedes along depth_dir, its height is upright."""
    dx, dy = depth_dir
    pts = []
    for (sc, zc), a0 in (((width - rs, rs), 270), ((width - rs, height - rs), 0),
                         ((rs, height - rs), 90), ((rs, rs), 180)):
        for i in range(n + 1):
            a = math.radians(a0 + 90 * i / n)
            sv, zv = sc + rs * math.cos(a), zc + rs * math.sin(a)
            pts.append((x0 + sv * dx, y0 + sv * dy - zv))
    return pts


def thumb_rounded_box(size):
    svg = Svg(*size, background=None)
    width, height, rs, length = 36.0, 38.0, 9.0, 92.0
    depth = (32.0 / width, -17.0 / width)
    x0, y0 = 9.0 + length, 65.0
    section = rounded_section(x0, y0, width, height, rs, depth)
    shadow(svg, (x0 - length / 2 + 16, y0 + 2), 66, 5)
    e = (-length, 0.0)
    pt = Painter(svg)
    prism(pt, section, e)
    # the tangent edges where the flat faces turn into the rounded ones, on the visible side
    for sv, zv in ((0.0, rs), (0.0, height - rs), (rs, height), (width - rs, height)):
        p = (x0 + sv * depth[0], y0 + sv * depth[1] - zv)
        pt.stroke([p, add(p, e)], color=T_SEAM, width=0.6)
    pt.fill(section, pt.grad(STEEL_FACE, (0, y0 - height - 17), (0, y0)))
    return svg


def thumb_d_tank(size):
    svg = Svg(*size, background=None)
    r, s, rv, rb, rs = 27.0, 62.0, 500.0, 600.0, 7.0
    contour, _ = d_section(r, s, rv, rb, rs, n=8)
    o = (49.0, 64.0)
    section = [(o[0] + x, o[1] - y) for x, y in contour]
    e = (60.0, -26.0)
    shadow(svg, (o[0] + 34, o[1] + r + 2), 62, 5)
    pt = Painter(svg)
    prism(pt, section, e, rings=(0.22, 0.78), ring_color='#24292e', ring_width=2.6, face=False)
    # filler neck on the top of the tank
    top = add((o[0], o[1] - r), mul(e, 0.5))
    svg.rect(top[0] - 4, top[1] - 5, 8, 4, fill='#3a4148', stroke=T_EDGE, width=0.6)
    svg.ellipse((top[0], top[1] - 5), 4, 1.6, fill='#5b646d', stroke=T_EDGE, width=0.6)
    c, n, k = across(section, e)
    pt.fill(section, pt.grad(STEEL_FACE, sub(c, mul(n, k)), add(c, mul(n, k))))
    return svg


def arrow_small(svg, tip, direction, color=T_LETTER):
    arrow(svg, tip, direction, color=color, length=3.6, half=1.5, layer='label')


def thumb_inclined(size, draw, shell, r0, left, right, theta=9.0, rod_at=0.76):
    """A lying tank tilted with its right end raised, marked with A, B and the gauge rod.

    draw paints the tank in the local frame (axis on y = 0, shell from x = 0 to shell); left and
    right are how far the ends reach beyond the shell."""
    svg = Svg(*size, background=None)
    w, h = size
    c, s = math.cos(math.radians(theta)), math.sin(math.radians(theta))
    # place the lower end's bottom so that the tank, the rod and the letters fit
    y0 = h - 9
    x0 = 6 + left * c + r0 * s
    pivot = (x0 - r0 * s, y0 - r0 * c)
    tf = tilt(pivot, theta)
    pt = Painter(svg, tf)
    draw(pt)
    bl, br = tf((0, r0)), tf((shell, r0))
    svg.line((bl[0] - 4, bl[1]), (w - 3, bl[1]), color=T_EDGE, width=0.8, layer='label')
    xa = br[0] + 2.5
    svg.line((xa, bl[1]), (xa, br[1]), color=T_LETTER, width=0.8, layer='label')
    arrow_small(svg, (xa, br[1]), (0, -1))
    arrow_small(svg, (xa, bl[1]), (0, 1))
    svg.text(xa + 3.5, (bl[1] + br[1]) / 2 + 3.6, 'A', size=10, color=T_LETTER, anchor='start')
    # rod near the raised end
    axis = tf((rod_at * shell, 0))
    xr = axis[0]

    def at_x(x, v):
        u = (x - pivot[0] - v * s) / c
        return tf((u, v))

    bottom = at_x(xr, r0 - 1.5)
    top = at_x(xr, -r0 - 6)
    svg.line((xr, bottom[1]), (xr, top[1]), color='#2b3036', width=1.6, layer='label')
    svg.rect(xr - 2.5, top[1] - 2.5, 5, 2.5, fill='#2b3036', stroke=None, layer='label')
    # B along the tank from the lower end to the rod
    q1 = tf((0, -r0 - 4))
    q2 = at_x(xr - 1, -r0 - 4)
    svg.line(tf((0, -r0 - 1)), tf((0, -r0 - 6)), color=T_LETTER, width=0.6, layer='label')
    svg.line(q1, q2, color=T_LETTER, width=0.8, layer='label')
    arrow_small(svg, q1, sub(q1, q2))
    arrow_small(svg, q2, sub(q2, q1))
    mid = lerp(q1, q2, 0.5)
    svg.text(mid[0], mid[1] - 3, 'B', size=10, color=T_LETTER)
    return svg


def inclined_revolution(size, t):
    # A and B refer to the whole cylindrical part, collars included
    def draw(pt):
        revolution_h(Painter(pt.svg, lambda p: pt.tf((p[0] + t.collar, p[1]))), t)
    return thumb_inclined(size, draw, t.shell + 2 * t.collar, t.r0, t.h, t.h)


def inclined_prism(size, shell, r0, rx, ry=None):
    ry = r0 if ry is None else ry
    section = ellipse_pts((0, 0), rx, ry, n=48)
    return thumb_inclined(size, lambda pt: prism(pt, section, (shell, 0), rings=()), shell, r0, rx, 0)


def inclined_box(size, shell, r0):
    def draw(pt):
        box_faces(Painter(pt.svg, lambda p: pt.tf((p[0], p[1] + r0))), shell - 14, 2 * r0 - 7, (14, -7))
    return thumb_inclined(size, draw, shell, r0, 0, 0)


# The main window numbers its thumbnail controls apart from the shapes: Image N shows the shape
# whose presentation names it, at the size of its control.
THUMBS = {image: (key, (bounds[2], bounds[3])) for key, (image, bounds, _) in PRESENTATION.items()}


def thumbnail(image):
    key, size = THUMBS[image]
    w, h = size
    if key == 'sphere':
        return thumb_sphere(size)
    if key == 'vertical-cylinder':
        return thumb_vertical_prism(size, ellipse_pts((w / 2, 12), 23, 7), 95)
    if key == 'vertical-ellipse':
        # the turned oval top and its two unequal axes tell it from the round cylinder
        c, rx, ry, rot = (w / 2, 15.0), 26.0, 11.0, -14.0
        svg = thumb_vertical_prism(size, ellipse_pts(c, rx, ry, rot=rot), 90)
        for (ax, ay) in ((rx, 0.0), (0.0, ry)):
            ca, sa = math.cos(math.radians(rot)), math.sin(math.radians(rot))
            d = (ax * ca - ay * sa, ax * sa + ay * ca)
            svg.line(sub(c, mul(d, 0.8)), add(c, mul(d, 0.8)), color=T_SEAM, width=0.5,
                     dash='3,1.5')
        return svg
    upright_heads = {
        'vertical-spherical-heads': Tank('sph', 24, 58, collar=8, h=14),
        'vertical-elliptic-heads': Tank('ell', 24, 56, collar=8, h=16),
        'vertical-cone-heads': Tank('cone', 24, 48, collar=7, h=22),
        'vertical-frustum-heads': Tank('trunc', 22, 54, collar=7, h=19, rmin=10),
        'vertical-torispherical-heads': Tank('tori', 25, 64, collar=8, rc=50, rk=6),
    }
    if key in upright_heads:
        t = upright_heads[key]
        svg = Svg(*size, background=None)
        revolution_v(svg, t, w / 2, h - 6)
        return svg
    if key == 'horizontal-cylinder':
        svg = Svg(*size, background=None)
        shadow(svg, (w / 2 + 4, 62), 62, 4)
        prism(Painter(svg), ellipse_pts((16, 35), 9, 24), (110, 0), rings=(0.5,))
        return svg
    if key == 'horizontal-ellipse':
        svg = Svg(*size, background=None)
        shadow(svg, (74, 60), 64, 4)
        prism(Painter(svg), ellipse_pts((28, 42), 22, 16), (88, -9), rings=(0.5,))
        return svg
    lying_heads = {
        'horizontal-spherical-heads': Tank('sph', 24, 74, collar=9, h=15),
        'horizontal-elliptic-heads': Tank('ell', 24, 72, collar=9, h=16),
        'horizontal-cone-heads': Tank('cone', 24, 62, collar=8, h=22),
        'horizontal-frustum-heads': Tank('trunc', 24, 66, collar=8, h=19, rmin=10),
        'horizontal-torispherical-heads': Tank('tori', 22, 80, collar=9, rc=44, rk=5),
    }
    if key in lying_heads:
        t = lying_heads[key]
        return thumb_horizontal(size, t, h / 2 - 3)
    if key == 'box':
        return thumb_box(size)
    if key == 'rounded-box':
        return thumb_rounded_box(size)
    if key == 'd-tank':
        return thumb_d_tank(size)
    if key == 'inclined-cylinder':
        return inclined_prism(size, 104, 15, 5.5)
    if key == 'inclined-ellipse':
        return inclined_prism(size, 104, 12, 8, 12)
    tilted_heads = {
        'inclined-spherical-heads': Tank('sph', 15, 76, collar=6, h=10),
        'inclined-elliptic-heads': Tank('ell', 15, 76, collar=6, h=11),
        'inclined-cone-heads': Tank('cone', 15, 70, collar=5, h=15),
        'inclined-frustum-heads': Tank('trunc', 15, 72, collar=5, h=13, rmin=7),
        'inclined-torispherical-heads': Tank('tori', 15, 78, collar=6, rc=30, rk=4),
    }
    if key in tilted_heads:
        t = tilted_heads[key]
        return inclined_revolution(size, t)
    if key == 'inclined-box':
        return inclined_box(size, 104, 15)
    raise ValueError(image)


# ---------------------------------------------------------------- icon, resource file, output

def icon():
    svg = Svg(64, 64, background=None)
    t = Tank('ell', 17, 28, h=8)
    cx, yb, y_level = 27.0, 57.0, 33.0
    shadow(svg, (cx, yb + 1), 22, 3)
    outline = [(cx + r, yb - a) for a, r in t.outline()]
    pt = Painter(svg)
    pt.fill(outline, pt.grad(STEEL, (cx - t.r0, 0), (cx + t.r0, 0)), stroke=None)
    wet = clip_below(outline, y_level)
    svg.poly(wet, fill=svg.gradient([(0, '#5fb0e6'), (1, '#1c5f9f')], 0, 0, 0, 1), stroke=None)
    svg.poly(outline, fill='none', stroke=T_EDGE, width=1.6)
    svg.line((cx - t.r0 + 1, y_level), (cx + t.r0 + 9, y_level), color='#d8392b', width=2.2)
    # the calibration scale beside the tank
    x = 55.0
    svg.line((x, 13), (x, yb - 2), color=T_EDGE, width=1.4)
    for i in range(8):
        y = yb - 2 - i * 6
        svg.line((x - (5 if i % 2 == 0 else 3), y), (x, y), color=T_EDGE, width=1.2)
    svg.poly([(x - 1, y_level), (x - 8, y_level - 4), (x - 8, y_level + 4)], fill='#d8392b',
             stroke=None)
    return svg


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w', encoding='utf-8', newline='\n') as f:
        f.write(text)


def main():
    files = []
    for index, key in enumerate(catalogue_keys()):
        name = f'drawings/shape{index:02d}.svg'
        write(os.path.join(RESOURCES, name), drawing(key).to_string())
        files.append(name)
    for image in sorted(THUMBS):
        name = f'thumbs/Image{image}.svg'
        write(os.path.join(RESOURCES, name), thumbnail(image).to_string())
        files.append(name)
    write(os.path.join(RESOURCES, 'tarvol.svg'), icon().to_string())
    files.append('tarvol.svg')
    qrc = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '    <qresource prefix="/">']
    qrc += [f'        <file alias="{name}">{name}</file>' for name in files]
    qrc += ['    </qresource>', '</RCC>']
    write(os.path.join(RESOURCES, 'pictures.qrc'), '\n'.join(qrc) + '\n')
    write(TABLE, presentation_table())
    print(f'{len(files)} pictures written to {RESOURCES}')


if __name__ == '__main__':
    main()
