#!/usr/bin/env python3
"""Generates the example networks from their true coordinates.

Writes plane.txt, height.txt, design.txt and closures.txt in the library's text
observation format, and plane_truth.csv, height_truth.csv, design_truth.csv and
closures_truth.csv with the true (for design.txt: planned) coordinates (name,x,y,h in metres, X north, Y east)
from which the observations were computed.

Observations carry seeded random errors, so every run writes the same files:
directions and vertical angles 1.5 arc-seconds, distances 2 mm + 2 ppm,
levelled height differences 2 mm per sqrt(km) or 0.6 mm per set-up.

Usage: python3 examples/generate.py [OUTPUT_DIR]   (default: this directory)
"""

import math
import os
import random
import sys

SEED = 20240917
SIGMA_DIRECTION = 1.5  # arc-seconds
SIGMA_DISTANCE = 0.002  # metres, plus 2 ppm
SIGMA_LEVEL_KM = 0.002  # metres per square root of a kilometre
SIGMA_LEVEL_SETUP = 0.0006  # metres per set-up

# Trigonometric heights, as the library reduces them: Δh = D tan α + i - v + (1 - k) D² / 2R.
REFRACTION = 0.14
HALF_INVERSE_RADIUS = 7.846829880728186e-08  # 1 / (2 × 6372000 m)

# ---- Plane network --------------------------------------------------------------------------
# Known points K1-K4; F1 is fixed by forward intersection from K1 and K2; R1 by resection on
# K1, K2, K4 (and K3 with a distance); T1-T3 form a traverse from K3 to K4.
PLANE_POINTS = [  # name, X, Y, known
    ("K1", 5123.456, 2045.789, True),
    ("K2", 5210.332, 3487.104, True),
    ("K3", 3602.118, 2110.457, True),
    ("K4", 3555.870, 3620.231, True),
    ("F1", 6082.415, 2861.932, False),
    ("R1", 4420.583, 2750.216, False),
    ("T1", 3195.624, 2478.310, False),
    ("T2", 3062.187, 2935.742, False),
    ("T3", 3241.905, 3352.068, False),
]
PLANE_STATIONS = [  # station, [(target, kind)], comment; in point order, as the writer puts them
    ("K1", [("K2", "c"), ("K3", "c"), ("F1", "c")], "K1: known station, oriented on K2 and K3, sights F1"),
    ("K2", [("K4", "c"), ("K1", "c"), ("F1", "c")], "K2: second ray to F1 (forward intersection)"),
    ("K3", [("K4", "c"), ("K1", "c"), ("T1", "c"), ("T1", "d")], "K3: start of the traverse"),
    ("K4", [("K3", "c"), ("K2", "c"), ("T3", "c")], "K4: end of the traverse, closing direction"),
    ("R1", [("K1", "c"), ("K2", "c"), ("K4", "c"), ("K3", "c"), ("K3", "d")],
     "R1: free station, resection on four known points"),
    ("T1", [("K3", "c"), ("T2", "c"), ("T2", "d")], "T1 to T3: traverse stations, back and forward sights"),
    ("T2", [("T1", "c"), ("T3", "c"), ("T3", "d")], None),
    ("T3", [("T2", "c"), ("K4", "c"), ("K4", "d")], None),
]

# ---- Height network -------------------------------------------------------------------------
# Benchmarks BM1 and BM2; levelling lines BM1-H1-H2-BM2 and H1-H3-BM2; hilltops G1 and G2 by
# trigonometric heights. X and Y below only place the points for the sight lengths: the height
# network file carries no plane coordinates, so the slope distances give the lengths.
HEIGHT_POINTS = [  # name, X, Y, H, known
    ("BM1", 2000.000, 1000.000, 52.3470, True),
    ("BM2", 3510.000, 3050.000, 61.9125, True),
    ("H1", 2650.000, 1480.000, 55.8312, False),
    ("H2", 3120.000, 2210.000, 58.2045, False),
    ("H3", 2480.000, 2620.000, 57.1638, False),
    ("G1", 3720.000, 1820.000, 96.4817, False),
    ("G2", 2900.000, 3260.000, 112.0563, False),
]
LEVEL_LINES = [  # from, to, measure kind (l line length in m, n set-ups), measure
    ("BM1", "H1", "l", 1180.0),
    ("H1", "H2", "l", 960.0),
    ("H2", "BM2", "n", 14),
    ("H1", "H3", "n", 12),
    ("H3", "BM2", "l", 1240.0),
]
INSTRUMENT_HEIGHTS = {"H2": 1.523, "H3": 1.487, "G1": 1.555, "BM2": 1.512}
TRIG_SIGHTS = [  # station, target, angle kind (z zenith distance, b vertical angle), target height
    ("H2", "G1", "z", 1.800),
    ("H2", "G2", "z", 2.000),
    ("H3", "G1", "b", 1.800),
    ("G1", "G2", "z", None),  # G2's target height is given on its own line
    ("BM2", "G2", "b", 2.000),
]
OWN_TARGET_HEIGHTS = {"G2": 2.000}


def dms(radians):
    """Angle as ddd.mmss with seconds to 0.01, the notation of the text format."""
    sign = "-" if radians < 0 else ""
    centiseconds = round(abs(math.degrees(radians)) * 360000.0)
    degrees, rest = divmod(centiseconds, 360000)
    minutes, seconds = divmod(rest, 6000)
    return "%s%d.%02d%04d" % (sign, degrees, minutes, seconds)


def point_line(name, plane_class, height_class, x, y, h):
    return "%-5s %d%d %.6f %.6f %.6f" % (name, plane_class, height_class, x, y, h)


def observation_line(station, target, kind, value):
    """One observation; station is None for a further line of the same station."""
    return "%-6s%-6s %s0 %12s" % (station or "", target, kind, value)


def metres(value):
    return "%.6f" % round(value, 4)


def distance_error(rng, length):
    return rng.gauss(0.0, SIGMA_DISTANCE + 2e-6 * length)


def azimuth(a, b):
    az = math.atan2(b[1] - a[1], b[0] - a[0])
    return az + 2 * math.pi if az < 0 else az


def plane_network(rng):
    xy = {name: (x, y) for name, x, y, _ in PLANE_POINTS}
    lines = [
        "<< Example plane control network",
        "/ Generated by examples/generate.py from the true coordinates in plane_truth.csv.",
        "/ X north, Y east, metres; directions in ddd.mmss. Seeded random errors:",
        "/ directions 1.5 arc-seconds, distances 2 mm + 2 ppm.",
        "/ Known points K1 to K4. F1: forward intersection from K1 and K2. R1: resection",
        "/ on K1 K2 K4 K3. T1 T2 T3: traverse from K3 to K4 with directions and distances.",
        "/ Point lines: name, plane class and height class (1 known, 0 unknown), X, Y, H.",
    ]
    for name, x, y, known in PLANE_POINTS:
        lines.append(point_line(name, 1 if known else 0, 0, x if known else 0.0, y if known else 0.0, 0.0))
    lines += ["", "<<", "/ Station lines: station, target, kind and class (c0 direction, d0 distance), value.", ""]
    for station, sights, comment in PLANE_STATIONS:
        if comment:
            lines.append("/ " + comment)
        zero = rng.uniform(0.0, 2 * math.pi)  # the circle reading of the station's zero direction
        first = True
        for target, kind in sights:
            if kind == "c":
                value = azimuth(xy[station], xy[target]) - zero + math.radians(rng.gauss(0.0, SIGMA_DIRECTION) / 3600.0)
                text = dms(value % (2 * math.pi))
            else:
                length = math.dist(xy[station], xy[target])
                text = metres(length + distance_error(rng, length))
            lines.append(observation_line(station if first else None, target, kind, text))
            first = False
        lines.append("")
    return lines


# ---- Planned network -------------------------------------------------------------------------
# A densification planned between the known points D1 and D2: five new points, directions at
# every station and distances on the outer sides (class 0, the observations the plan is built
# on), and three further distances under consideration (class a, planned: rated by the
# design analysis but not part of the network's normal equations). The values are computed
# without errors from the planned coordinates, so that the approximate calculation places the
# new points where they are planned.
DESIGN_POINTS = [  # name, X, Y, known
    ("D1", 5000.000, 2000.000, True),
    ("D2", 5150.000, 3820.000, True),
    ("N1", 5900.000, 2400.000, False),
    ("N2", 5950.000, 3400.000, False),
    ("N3", 4200.000, 2500.000, False),
    ("N4", 4250.000, 3350.000, False),
    ("N5", 5050.000, 2900.000, False),
]
DESIGN_STATIONS = [  # station, [(target, kind, class)], comment
    ("D1", [("D2", "c", "0"), ("N1", "c", "0"), ("N5", "c", "0"), ("N3", "c", "0"), ("N1", "d", "0"),
            ("N3", "d", "0"), ("N5", "d", "a")], "D1, D2: known stations; N1 to N4 by direction and distance"),
    ("D2", [("D1", "c", "0"), ("N2", "c", "0"), ("N4", "c", "0"), ("N5", "c", "0"), ("N2", "d", "0"),
            ("N4", "d", "0")], None),
    ("N1", [("D1", "c", "0"), ("N2", "c", "0"), ("N5", "c", "0"), ("N2", "d", "0"), ("N4", "d", "a")],
     "N1 to N4: the outer ring, with two diagonals under consideration"),
    ("N2", [("N1", "c", "0"), ("D2", "c", "0"), ("N5", "c", "0")], None),
    ("N3", [("D1", "c", "0"), ("N5", "c", "0"), ("N4", "c", "0"), ("N4", "d", "0"), ("N2", "d", "a")], None),
    ("N4", [("N3", "c", "0"), ("N5", "c", "0"), ("D2", "c", "0")], None),
    ("N5", [("D1", "c", "0"), ("N1", "c", "0"), ("N2", "c", "0"), ("D2", "c", "0"), ("N4", "c", "0"),
            ("N3", "c", "0")], "N5: the central point, fixed by intersection from D1 and D2"),
]


def design_network(rng):
    xy = {name: (x, y) for name, x, y, _ in DESIGN_POINTS}
    lines = [
        "<< Example planned network",
        "/ Generated by examples/generate.py from the planned coordinates in design_truth.csv.",
        "/ A design network: load it with the design mark (quenvar design) to analyse the",
        "/ precision it would reach. Values are computed without errors; directions in ddd.mmss.",
        "/ Known points D1 and D2, new points N1 to N5. Class a marks planned observations.",
    ]
    for name, x, y, known in DESIGN_POINTS:
        lines.append(point_line(name, 1 if known else 0, 0, x if known else 0.0, y if known else 0.0, 0.0))
    lines += ["", "<<", "/ Station lines: station, target, kind and class (c0 direction, d0 distance,",
              "/ da planned distance), value.", ""]
    for station, sights, comment in DESIGN_STATIONS:
        if comment:
            lines.append("/ " + comment)
        zero = rng.uniform(0.0, 2 * math.pi)
        for index, (target, kind, cls) in enumerate(sights):
            if kind == "c":
                text = dms((azimuth(xy[station], xy[target]) - zero) % (2 * math.pi))
            else:
                text = metres(math.dist(xy[station], xy[target]))
            lines.append("%-6s%-6s %s%s %12s" % (station if index == 0 else "", target, kind, cls, text))
        lines.append("")
    return lines


def trig_sight(rng, station, target, pos, height, target_height):
    """Elevation angle and slope distance that reproduce the true height difference."""
    d = math.dist(pos[station], pos[target])
    rise = height[target] - height[station] - INSTRUMENT_HEIGHTS[station] + target_height
    alpha = math.atan((rise - (1.0 - REFRACTION) * d * d * HALF_INVERSE_RADIUS) / d)
    slope = d / math.cos(alpha)
    alpha += math.radians(rng.gauss(0.0, SIGMA_DIRECTION) / 3600.0)
    return alpha, slope + distance_error(rng, slope)


def height_network(rng):
    pos = {name: (x, y) for name, x, y, _, _ in HEIGHT_POINTS}
    height = {name: h for name, _, _, h, _ in HEIGHT_POINTS}
    lines = [
        "<< Example height network",
        "/ Generated by examples/generate.py from the true heights in height_truth.csv.",
        "/ Benchmarks BM1 and BM2. Levelling lines BM1-H1-H2-BM2 and H1-H3-BM2: height",
        "/ differences h with line length l (m) or number of set-ups n. Hilltops G1 and G2:",
        "/ trigonometric heights from zenith distances z or vertical angles b (ddd.mmss),",
        "/ slope distances s, instrument heights i and target heights v (metres).",
        "/ Seeded random errors: levelling 2 mm per sqrt(km) or 0.6 mm per set-up,",
        "/ angles 1.5 arc-seconds, distances 2 mm + 2 ppm. No plane coordinates are given.",
    ]
    for name, _, _, h, known in HEIGHT_POINTS:
        lines.append(point_line(name, 0, 1 if known else 0, 0.0, 0.0, h if known else 0.0))
    lines += ["", "<<", ""]
    stations = {}
    for a, b, measure_kind, measure in LEVEL_LINES:
        if measure_kind == "l":
            sigma = SIGMA_LEVEL_KM * math.sqrt(measure / 1000.0)
        else:
            sigma = SIGMA_LEVEL_SETUP * math.sqrt(measure)
        rise = height[b] - height[a] + rng.gauss(0.0, sigma)
        stations.setdefault(a, []).append((b, "h", metres(rise)))
        stations[a].append((b, measure_kind, metres(measure)))
    for station, instrument in INSTRUMENT_HEIGHTS.items():
        stations.setdefault(station, []).append((station, "i", metres(instrument)))
    for station, target, angle_kind, target_height in TRIG_SIGHTS:
        v = target_height if target_height is not None else OWN_TARGET_HEIGHTS[target]
        alpha, slope = trig_sight(rng, station, target, pos, height, v)
        angle = math.pi / 2 - alpha if angle_kind == "z" else alpha
        stations[station].append((target, angle_kind, dms(angle)))
        stations[station].append((target, "s", metres(slope)))
        if target_height is not None:
            stations[station].append((target, "v", metres(target_height)))
    for target, v in OWN_TARGET_HEIGHTS.items():
        stations.setdefault(target, []).append((target, "v", metres(v)))
    for name, _, _, _, _ in HEIGHT_POINTS:
        for index, (target, kind, text) in enumerate(stations.get(name, [])):
            lines.append(observation_line(name if index == 0 else None, target, kind, text))
        if name in stations:
            lines.append("")
    return lines


# ---- Closure network ----------------------------------------------------------------------------
# A network to check before adjusting: a chain of four triangles from the known side A-B to the
# known side C-D (every direction observed both ways), a traverse from C to G oriented on D and
# on H, and levelling lines with known heights at A and D. Its closures are the direction
# loops of the triangles, the direction route between the known sides, the baseline condition
# through the triangle chain, the traverse, and the levelling loops and route.
CLOSURE_POINTS = [  # name, X, Y, H, known plane, known height
    ("A", 1000.000, 1000.000, 50.000, True, True),
    ("B", 1000.000, 2200.000, 53.512, True, False),
    ("C", 3400.000, 1300.000, 61.207, True, False),
    ("D", 3400.000, 2500.000, 63.000, True, True),
    ("E", 2200.000, 900.000, 55.834, False, False),
    ("F", 2250.000, 2350.000, 58.461, False, False),
    ("T1", 3900.000, 2000.000, 0.0, False, False),
    ("T2", 4050.000, 2900.000, 0.0, False, False),
    ("G", 4300.000, 3600.000, 0.0, True, False),
    ("H", 4900.000, 3100.000, 0.0, True, False),
]
CLOSURE_SIDES = [("A", "B"), ("A", "E"), ("B", "E"), ("B", "F"), ("E", "F"), ("E", "C"), ("F", "C"), ("F", "D"),
                 ("C", "D"), ("C", "T1"), ("T1", "T2"), ("T2", "G"), ("G", "H")]
CLOSURE_DISTANCES = [("C", "T1"), ("T1", "T2"), ("T2", "G")]
CLOSURE_LINES = [("A", "E", 1250.0), ("E", "B", 1530.0), ("B", "A", 1200.0), ("E", "F", 1460.0),
                 ("F", "D", 1090.0), ("F", "C", 1650.0), ("C", "D", 1200.0)]


def closure_network(rng):
    xy = {p[0]: (p[1], p[2]) for p in CLOSURE_POINTS}
    height = {p[0]: p[3] for p in CLOSURE_POINTS}
    lines = [
        "<< Example network for the closure checks",
        "/ Generated by examples/generate.py from the true coordinates in closures_truth.csv.",
        "/ Known sides A-B and C-D joined by the triangles A-B-E, B-E-F, E-F-C and F-C-D, all",
        "/ directions observed both ways; traverse C-T1-T2-G oriented on D and H; levelling",
        "/ lines with their lengths, known heights at A and D. Seeded random errors: directions",
        "/ 1.5 arc-seconds, distances 2 mm + 2 ppm, levelling 2 mm per sqrt(km).",
    ]
    for name, x, y, h, plane, level in CLOSURE_POINTS:
        lines.append(point_line(name, 1 if plane else 0, 1 if level else 0, x if plane else 0.0,
                                y if plane else 0.0, h if level else 0.0))
    lines += ["", "<<", ""]
    sights = {}
    for a, b in CLOSURE_SIDES:
        sights.setdefault(a, []).append((b, "c"))
        sights.setdefault(b, []).append((a, "c"))
    for a, b in CLOSURE_DISTANCES:
        sights[a].append((b, "d"))
    levels = {}
    for a, b, length in CLOSURE_LINES:
        rise = height[b] - height[a] + rng.gauss(0.0, SIGMA_LEVEL_KM * math.sqrt(length / 1000.0))
        levels.setdefault(a, []).append((b, "h", metres(rise)))
        levels[a].append((b, "l", metres(length)))
    for name, *_ in CLOSURE_POINTS:
        zero = rng.uniform(0.0, 2 * math.pi)
        observations = []
        for target, kind in sights.get(name, []):
            if kind == "c":
                value = azimuth(xy[name], xy[target]) - zero + math.radians(rng.gauss(0.0, SIGMA_DIRECTION) / 3600.0)
                observations.append((target, kind, dms(value % (2 * math.pi))))
            else:
                length = math.dist(xy[name], xy[target])
                observations.append((target, kind, metres(length + distance_error(rng, length))))
        observations += levels.get(name, [])
        for index, (target, kind, text) in enumerate(observations):
            lines.append(observation_line(name if index == 0 else None, target, kind, text))
        if observations:
            lines.append("")
    return lines


def truth(points):
    rows = ["name,x,y,h"]
    for p in points:
        x, y = p[1], p[2]
        h = p[3] if len(p) == 5 else 0.0
        rows.append("%s,%.4f,%.4f,%.4f" % (p[0], x, y, h))
    return rows


def write(directory, name, lines):
    with open(os.path.join(directory, name), "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = random.Random(SEED)
    write(directory, "plane.txt", plane_network(rng))
    write(directory, "height.txt", height_network(rng))
    write(directory, "plane_truth.csv", truth(PLANE_POINTS))
    write(directory, "height_truth.csv", truth(HEIGHT_POINTS))
    write(directory, "design.txt", design_network(random.Random(SEED + 1)))
    write(directory, "design_truth.csv", truth(DESIGN_POINTS))
    write(directory, "closures.txt", closure_network(random.Random(SEED + 3)))
    write(directory, "closures_truth.csv", truth([(p[0], p[1], p[2], p[3], p[4]) for p in CLOSURE_POINTS]))


if __name__ == "__main__":
    main()
