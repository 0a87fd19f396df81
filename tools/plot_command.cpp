// `quenvar plot`: the network as an SVG picture, north up: points by class, observations by
// kind, a scale bar and a legend, and after an adjustment the error ellipses of the points and
// the relative ellipses of the observed pairs, magnified by a stated or automatic factor.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "commands.h"
#include "json_output.h"
#include "network_files.h"
#include "quenvar.h"
#include "results.h"

namespace quenvar_cli {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Width = 800.0;  // drawing area, px
constexpr double Margin = 60.0;

std::string Xml(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

// A round length (1, 2 or 5 times a power of ten) close to, not above, target.
double RoundLength(double target) {
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    for (const double m : {5.0, 2.0, 1.0}) {
        if (m * p <= target) return m * p;
    }
    return p;
}

struct Frame {
    double minX, maxX, minY, maxY, scale;  // metres; px per metre
    double Px(double y) const { return Margin + (y - minY) * scale; }  // east to the right
    double Py(double x) const { return Margin + (maxX - x) * scale; }  // north up
};

const char* ObservationStyle(char kind) {
    switch (kind) {
    case 'c': return "direction";
    case 'a': return "azimuth";
    case 'd':
    case 's': return "distance";
    case 'h':
    case '$': return "height";
    default: return nullptr;
    }
}

std::string Svg(const Results& r, double factor) {
    std::vector<int> drawn;
    for (int i = 1; size_t(i) < r.points.size(); ++i) {
        if (r.points[size_t(i)].hasPosition) drawn.push_back(i);
    }
    if (drawn.empty()) throw Failure("the network has no plane coordinates to draw");
    Frame f{1e300, -1e300, 1e300, -1e300, 1.0};
    for (int i : drawn) {
        const zrPointResult& p = r.points[size_t(i)];
        f.minX = std::min(f.minX, p.x), f.maxX = std::max(f.maxX, p.x);
        f.minY = std::min(f.minY, p.y), f.maxY = std::max(f.maxY, p.y);
    }
    const double extent = std::max({f.maxX - f.minX, f.maxY - f.minY, 1.0});
    f.scale = (Width - 2 * Margin) / extent;
    const double width = 2 * Margin + (f.maxY - f.minY) * f.scale;
    const double drawingBottom = 2 * Margin + (f.maxX - f.minX) * f.scale;

    // Automatic magnification: the largest point error a twentieth of the network's extent.
    double largest = 0.0;
    for (const zrPrecisionRecord& e : r.precision) {
        if (e.type != 0) largest = std::max(largest, double(e.a));
    }
    if (factor <= 0.0) factor = largest > 0.0 ? RoundLength(extent / 20.0 / largest) : 1.0;

    std::string s = "<title>quenvar network</title>\n<style>\n"
         ".direction{stroke:#555;stroke-width:1}\n.azimuth{stroke:#a0a;stroke-width:1;stroke-dasharray:2 3}\n"
         ".distance{stroke:#07c;stroke-width:1;stroke-dasharray:6 3}\n.height{stroke:#090;stroke-width:1}\n"
         ".known{fill:#000}\n.unknown{fill:#fff;stroke:#000}\n.special{fill:#fc0;stroke:#000}\n"
         ".error-ellipse{fill:none;stroke:#d00;stroke-width:1.2}\n.relative-ellipse{fill:none;stroke:#e80;stroke-width:1}\n"
         "</style>\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";

    // Observations: one line per observed pair and kind.
    s += "<g id=\"observations\">\n";
    std::set<std::tuple<int, int, std::string>> seen;
    for (const ObservationRow& row : r.observations) {
        const char* style = ObservationStyle(row.obs.kind);
        const int a = row.station, b = row.obs.target;
        if (!style || row.obs.obsClass == 7 || b < 1 || size_t(b) >= r.points.size()) continue;
        if (!r.points[size_t(a)].hasPosition || !r.points[size_t(b)].hasPosition) continue;
        if (!seen.insert({std::min(a, b), std::max(a, b), style}).second) continue;
        const zrPointResult& p = r.points[size_t(a)];
        const zrPointResult& q = r.points[size_t(b)];
        s += "<line class=\"" + std::string(style) + "\" x1=\"" + Num(f.Px(p.y)) + "\" y1=\"" + Num(f.Py(p.x)) +
             "\" x2=\"" + Num(f.Px(q.y)) + "\" y2=\"" + Num(f.Py(q.x)) + "\"/>\n";
    }
    s += "</g>\n<g id=\"ellipses\">\n";
    // SVG turns clockwise from east; an azimuth turns clockwise from north.
    auto ellipse = [&](const char* cls, double x, double y, double a, double b, double azimuth) {
        s += "<ellipse class=\"" + std::string(cls) + "\" cx=\"" + Num(f.Px(y)) + "\" cy=\"" + Num(f.Py(x)) +
             "\" rx=\"" + Num(std::max(a * factor * f.scale, 0.5)) + "\" ry=\"" +
             Num(std::max(b * factor * f.scale, 0.5)) + "\" transform=\"rotate(" + Num(azimuth * 180.0 / Pi - 90.0) +
             " " + Num(f.Px(y)) + " " + Num(f.Py(x)) + ")\"/>\n";
    };
    for (const zrPrecisionRecord& e : r.precision) {
        if (r.Height() || e.p1 < 1 || size_t(e.p1) >= r.points.size()) continue;
        const zrPointResult& p = r.points[size_t(e.p1)];
        if (e.type == 1 && p.hasPosition) ellipse("error-ellipse", p.x, p.y, e.a, e.b, e.c);
        if (e.type == 2 && e.p2 >= 1 && size_t(e.p2) < r.points.size()) {
            const zrPointResult& q = r.points[size_t(e.p2)];
            if (p.hasPosition && q.hasPosition) {
                ellipse("relative-ellipse", (p.x + q.x) / 2, (p.y + q.y) / 2, e.a, e.b, e.c);
            }
        }
    }
    s += "</g>\n<g id=\"points\">\n";
    for (int i : drawn) {
        const zrPointResult& p = r.points[size_t(i)];
        const double x = f.Px(p.y), y = f.Py(p.x);
        const int cls = r.Height() ? p.heightClass : p.planeClass;
        if (cls == 1) {
            s += "<path class=\"known\" d=\"M" + Num(x) + " " + Num(y - 7) + " L" + Num(x + 6) + " " + Num(y + 4) +
                 " L" + Num(x - 6) + " " + Num(y + 4) + " Z\"/>\n";
        } else {
            s += "<circle class=\"" + std::string(cls == 2 ? "special" : "unknown") + "\" cx=\"" + Num(x) +
                 "\" cy=\"" + Num(y) + "\" r=\"4\"/>\n";
        }
        s += "<text x=\"" + Num(x + 7) + "\" y=\"" + Num(y - 6) + "\">" + Xml(r.Name(i)) + "</text>\n";
    }
    // North arrow, scale bar and legend along the bottom.
    const double base = drawingBottom + 30.0;
    const double bar = RoundLength(extent / 4.0);
    s += "</g>\n<g id=\"legend\">\n";
    s += "<path d=\"M" + Num(width - 30) + " 50 L" + Num(width - 24) + " 30 L" + Num(width - 18) +
         " 50 Z\" fill=\"#000\"/><text x=\"" + Num(width - 29) + "\" y=\"24\">N</text>\n";
    s += "<line x1=\"" + Num(Margin) + "\" y1=\"" + Num(base) + "\" x2=\"" + Num(Margin + bar * f.scale) + "\" y2=\"" +
         Num(base) + "\" stroke=\"#000\" stroke-width=\"3\"/>\n";
    char label[96];
    std::snprintf(label, sizeof label, "%g m", bar);  // the scale bar's length
    s += "<text x=\"" + Num(Margin) + "\" y=\"" + Num(base + 16) + "\">" + label + "</text>\n";
    // The legend: a sample of every point class, observation kind and ellipse drawn, in rows.
    // Samples carry the class "key" besides their style, so they are told from the network.
    std::vector<std::pair<std::string, std::string>> keys;  // sample element, label
    auto sample = [&](const std::string& element, const std::string& label) { keys.emplace_back(element, label); };
    std::set<std::string> styles;
    for (const auto& [a, b, style] : seen) styles.insert(style);
    std::set<int> classes;
    for (int i : drawn) classes.insert(r.Height() ? r.points[size_t(i)].heightClass : r.points[size_t(i)].planeClass);
    if (classes.count(1)) sample("<path class=\"key known\" d=\"M8 -7 L14 4 L2 4 Z\"/>", "known point");
    if (classes.count(0)) sample("<circle class=\"key unknown\" cx=\"8\" cy=\"0\" r=\"4\"/>", "unknown point");
    if (classes.count(2)) sample("<circle class=\"key special\" cx=\"8\" cy=\"0\" r=\"4\"/>", "special point");
    for (const char* style : {"direction", "azimuth", "distance", "height"}) {
        if (styles.count(style)) sample("<line class=\"key " + std::string(style) + "\" x1=\"0\" y1=\"0\" x2=\"18\" y2=\"0\"/>", style);
    }
    bool pairs = false;
    for (const zrPrecisionRecord& e : r.precision) pairs = pairs || e.type == 2;
    if (largest > 0.0 && !r.Height()) {
        std::snprintf(label, sizeof label, "error ellipse \u00d7%g", factor);
        sample("<ellipse class=\"key error-ellipse\" cx=\"9\" cy=\"0\" rx=\"8\" ry=\"4\"/>", label);
        if (pairs) {
            std::snprintf(label, sizeof label, "relative ellipse \u00d7%g", factor);
            sample("<ellipse class=\"key relative-ellipse\" cx=\"9\" cy=\"0\" rx=\"8\" ry=\"4\"/>", label);
        }
    }
    const double keyWidth = 170.0;
    const int perRow = std::max(1, int((width - Margin - (Margin + bar * f.scale + 30)) / keyWidth));
    for (size_t k = 0; k < keys.size(); ++k) {
        const double x = Margin + bar * f.scale + 30 + double(int(k) % perRow) * keyWidth;
        const double y = base + double(int(k) / perRow) * 18.0;
        s += "<g transform=\"translate(" + Num(x) + " " + Num(y) + ")\">" + keys[k].first + "<text x=\"24\" y=\"4\">" +
             keys[k].second + "</text></g>\n";
    }
    s += "</g>\n</svg>\n";
    const double height = base + 30.0 + double((int(keys.size()) + perRow - 1) / perRow) * 18.0;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width) +
           "\" height=\"" + Num(height) + "\" viewBox=\"0 0 " + Num(width) + " " + Num(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n" + s;
}

int RunPlot(const ParsedArgs& args, Console& console) {
    const std::string out = args.Value("output", "-");
    if (!IsStdout(out)) CheckWritableLocation(out);
    double factor = 0.0;
    if (args.Has("scale")) factor = ParseNonNegative(args.Value("scale"), "--scale");
    LoadedNetwork network(args.positional[0], args);
    // A network without results is drawn on approximate coordinates.
    if (!ReadResults().summary.adjusted && zrXYCalculate() != 1) {
        throw Failure("the approximate coordinates could not be computed");
    }
    const std::string svg = Svg(ReadResults(), factor);
    console.FinishProgressLine();
    std::FILE* f = IsStdout(out) ? stdout : std::fopen(out.c_str(), "w");
    if (!f) throw Failure("cannot write '" + out + "'");
    bool ok = std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
    ok = std::fflush(f) == 0 && ok;
    if (f != stdout) ok = std::fclose(f) == 0 && ok;
    if (!ok) throw Failure("could not write the whole picture to '" + out + "'");
    if (!IsStdout(out)) Note(console, "drew the network to '" + out + "'");
    return 0;
}

}  // namespace

Command PlotCommand() {
    return {"plot", "FILE", "draw the network as an SVG picture",
            "Draws the plane network of FILE, north up: known points as triangles, unknown points as\n"
            "circles, observations by kind, a scale bar and a legend. A network saved after an\n"
            "adjustment ('adjust -o FILE.db') is drawn with the error ellipses of its points and the\n"
            "relative ellipses of its observed pairs, magnified by --scale or so that the largest is\n"
            "a twentieth of the network; any other network is drawn on approximate coordinates.\n"
            "\n"
            "Examples:\n"
            "  quenvar adjust xy examples/plane.txt -o plane.db && quenvar plot plane.db -o plane.svg\n"
            "  quenvar plot examples/plane.txt -o sketch.svg",
            {{"output", 'o', true, "SVG", "write the picture to SVG (default: standard output)"},
             {"scale", 0, true, "F", "magnify the ellipses F times (default: automatic)"}},
            1, 1, &RunPlot};
}

}  // namespace quenvar_cli
