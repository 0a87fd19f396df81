// What the tool gives other programs and the surveyor's eye: the JSON results agree with the
// binary database saved in the same run to the last bit, the listing's normalised residuals
// agree with an independent least-squares computation of a network with a planted blunder,
// and the SVG picture is well-formed with one error ellipse per adjusted point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "netdb/database_file.h"
#include "tests/adjust/dense_algebra.h"
#include "tests/support/recording_messenger.h"
#include "tests/tools/cli_runner.h"
#include "tests/tools/document_parsers.h"

namespace quenvar::testing {
namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Sec = Pi / 180.0 / 3600.0;  // one arc-second, radians

const std::string Plane = Example("plane.txt");

TEST(CliResults, JsonAgreesWithTheDatabaseSavedInTheSameRun) {
    ScratchDir dir;
    const CliResult r = RunCli({"adjust", "xy", Plane, "--direction-sigma", "1.5", "-o", dir.File("adj.db"), "--json", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json json = JsonParser(r.out).Parse();
    Network db;
    RecordingMessenger ui;
    ASSERT_EQ(ReadWholeFile(dir.File("adj.db")).substr(0, 1), "^");  // the binary database format
    ASSERT_EQ(LoadDatabase(db, ui, dir.File("adj.db").c_str()), 2);

    EXPECT_EQ(json["unitWeight"]["aposterioriPlane"].number, double(db.hdr.planeSigma0));
    EXPECT_EQ(json["apriori"]["directionSigma"].number, double(db.hdr.dirSigma));
    const Json& points = json["points"];
    ASSERT_EQ(points.items.size(), size_t(db.hdr.pointCount));
    for (size_t i = 1; i <= points.items.size(); ++i) {
        const Json& p = points[i - 1];
        EXPECT_EQ(p["index"].number, double(i));
        EXPECT_EQ(p["name"].text, std::string(db.points[i].name));
        ASSERT_EQ(p["x"].kind, Json::Number) << p["name"].text;
        EXPECT_EQ(p["x"].number, db.points[i].x);
        EXPECT_EQ(p["y"].number, db.points[i].y);
    }
    const Json& obs = json["observations"];
    ASSERT_EQ(obs.items.size(), size_t(db.hdr.obsCount));
    for (const Json& o : obs.items) {
        const ObsRec& rec = db.obs[size_t(o["index"].number)];
        EXPECT_EQ(o["value"].number, rec.value);
        EXPECT_EQ(o["storedResidual"].number, double(rec.residual));
        EXPECT_EQ(o["target"].number, double(rec.target));
    }
    const Json& precision = json["precision"];
    ASSERT_EQ(precision.items.size(), db.ellipses.size());
    for (size_t k = 0; k < db.ellipses.size(); ++k) {
        EXPECT_EQ(precision[k]["a"].number, double(db.ellipses[k].a));
        EXPECT_EQ(precision[k]["b"].number, double(db.ellipses[k].b));
        EXPECT_EQ(precision[k]["c"].number, double(db.ellipses[k].c));
    }
    // 22 directions and 5 distances less 10 coordinates and 8 orientations.
    EXPECT_EQ(json["unitWeight"]["degreesOfFreedom"].number, 9.0);
    EXPECT_EQ(json["leftOut"].items.size(), 0u);
}

TEST(CliResults, ClosuresAndDesignWriteJsonToo) {
    const CliResult closures = RunCli({"closures", "h", Example("height.txt"), "--json", "-"});
    ASSERT_EQ(closures.status, 0) << closures.err;
    const Json c = JsonParser(closures.out).Parse();
    EXPECT_EQ(c["command"].text, "closures");
    EXPECT_EQ(c["network"]["kind"].text, "height");
    const Json& loops = c["closures"]["loops"];
    ASSERT_FALSE(loops.items.empty());
    for (size_t k = 0; k < loops.items.size(); ++k) {
        EXPECT_EQ(loops[k]["number"].number, double(k + 1));
        EXPECT_FALSE(loops[k]["details"].items.empty());
    }

    const CliResult design = RunCli({"design", "xy", Example("design.txt"), "--json", "-"});
    ASSERT_EQ(design.status, 0) << design.err;
    const Json d = JsonParser(design.out).Parse();
    EXPECT_TRUE(d["network"]["design"].boolean);
    // The degrees of freedom are the sum of the redundancy numbers of the planned network.
    double sum = 0.0;
    for (const Json& o : d["observations"].items) {
        if (o["redundancy"].kind == Json::Number) sum += o["redundancy"].number;
    }
    EXPECT_GT(d["unitWeight"]["degreesOfFreedom"].number, 0.0);
    EXPECT_NEAR(sum, d["unitWeight"]["degreesOfFreedom"].number, 0.5);
}

TEST(CliResults, PictureIsWellFormedWithOneErrorEllipsePerAdjustedPoint) {
    ScratchDir dir;
    ASSERT_EQ(RunCli({"adjust", "xy", Plane, "-o", dir.File("adj.db")}).status, 0);
    const CliResult plot = RunCli({"plot", dir.File("adj.db"), "-o", dir.File("net.svg")});
    ASSERT_EQ(plot.status, 0) << plot.err;
    const std::vector<XmlElement> svg = ParseXmlElements(ReadWholeFile(dir.File("net.svg")));
    ASSERT_FALSE(svg.empty());
    EXPECT_EQ(svg[0].name, "svg");
    EXPECT_EQ(svg[0].attributes.at("xmlns"), "http://www.w3.org/2000/svg");
    std::map<std::string, int> count;
    for (const XmlElement& e : svg) {
        if (e.attributes.count("class")) ++count[e.name + "." + e.attributes.at("class")];
    }
    EXPECT_EQ(count["ellipse.error-ellipse"], 5);  // F1, R1, T1, T2, T3
    EXPECT_EQ(count["path.known"], 4);
    EXPECT_EQ(count["circle.unknown"], 5);
    EXPECT_GT(count["line.direction"], 0);
    EXPECT_GT(count["line.distance"], 0);
    // Without results the network is drawn on approximate coordinates, without ellipses.
    const CliResult sketch = RunCli({"plot", Plane});
    ASSERT_EQ(sketch.status, 0);
    EXPECT_EQ(sketch.out.find("<ellipse"), std::string::npos);
    EXPECT_NO_THROW(ParseXmlElements(sketch.out));
}

// ---- A network with a planted blunder, adjusted independently ------------------------------

struct Pt {
    const char* name;
    double x, y;
    bool known;
};
const Pt Points[] = {{"A", 1000, 1000, true}, {"B", 1000, 3000, true}, {"C", 3000, 2000, true},
                     {"P", 1800, 1600, false}, {"Q", 1700, 2500, false}};
struct Ob {  // station, target, kind: 'c' direction or 'd' distance
    int from, to;
    char kind;
};
const Ob Obs[] = {{0, 1, 'c'}, {0, 3, 'c'}, {0, 4, 'c'}, {0, 2, 'c'}, {0, 3, 'd'}, {1, 0, 'c'}, {1, 4, 'c'},
                  {1, 3, 'c'}, {1, 2, 'c'}, {1, 4, 'd'}, {2, 0, 'c'}, {2, 1, 'c'}, {2, 3, 'c'}, {2, 4, 'c'},
                  {3, 0, 'c'}, {3, 1, 'c'}, {3, 4, 'c'}, {3, 2, 'c'}, {3, 4, 'd'}, {4, 3, 'c'}, {4, 1, 'c'},
                  {4, 2, 'c'}};
constexpr int Blundered = 2;                                       // A -> Q
constexpr double Orientation[] = {0.3, 1.1, 2.5, 4.0, 5.5};        // zero direction of each station, radians
constexpr double DirSigma = 1.5 * Sec;
double DistSigma(double s) { return 0.002 + 2e-6 * s; }
double Azimuth(double dx, double dy) { return std::atan2(dy, dx) < 0 ? std::atan2(dy, dx) + 2 * Pi : std::atan2(dy, dx); }

// The true observations, with 20" added to the blundered direction.
std::vector<double> TrueObservations() {
    std::vector<double> observed;
    for (size_t k = 0; k < std::size(Obs); ++k) {
        const Pt &a = Points[Obs[k].from], &b = Points[Obs[k].to];
        const double direction = Azimuth(b.x - a.x, b.y - a.y) - Orientation[Obs[k].from];
        observed.push_back(Obs[k].kind == 'd' ? std::hypot(b.x - a.x, b.y - a.y)
                                              : std::fmod(direction + 4 * Pi, 2 * Pi) + (int(k) == Blundered ? 20 * Sec : 0.0));
    }
    return observed;
}

// The network as a text file: directions in d.mmss followed by the decimals of the seconds.
std::string BlunderNetwork() {
    const std::vector<double> observed = TrueObservations();
    std::string text = "<< planted blunder\n";
    char line[96];
    for (const Pt& p : Points) {
        std::snprintf(line, sizeof line, "%-5s %d0 %.4f %.4f 0\n", p.name, p.known ? 1 : 0, p.known ? p.x : 0.0, p.known ? p.y : 0.0);
        text += line;
    }
    text += "<<\n";
    for (size_t k = 0; k < std::size(Obs); ++k) {
        const double seconds = observed[k] / Sec;
        const int d = int(seconds / 3600), m = int((seconds - d * 3600.0) / 60);
        std::string dms = (std::ostringstream() << d << '.' << std::setw(2) << std::setfill('0') << m).str();
        std::snprintf(line, sizeof line, "%011.8f", seconds - d * 3600.0 - m * 60.0);
        dms += std::string(line).erase(2, 1);
        const bool first = k == 0 || Obs[k].from != Obs[k - 1].from;
        std::snprintf(line, sizeof line, "%-6s%-6s %c0 %s\n", first ? Points[Obs[k].from].name : "", Points[Obs[k].to].name,
                      Obs[k].kind, Obs[k].kind == 'd' ? std::to_string(observed[k]).c_str() : dms.c_str());
        text += line;
    }
    return text;
}

// Normalised residuals of the network by Gauss-Newton with one orientation unknown per
// station: v = A dx - l, Qvv = P^-1 - A N^-1 A^T, w = v / (m0 sqrt(qvv)).
std::vector<double> IndependentNormalisedResiduals(const std::vector<double>& observed) {
    const size_t m = std::size(Obs), n = 4 + 5;  // xP yP xQ yQ, orientations of A B C P Q
    std::vector<double> x = {Points[3].x + 0.3, Points[3].y - 0.2, Points[4].x - 0.1, Points[4].y + 0.4};
    std::vector<double> z(5, 0.0);
    auto coord = [&](int i, int k) { return i >= 3 ? x[size_t(2 * (i - 3) + k)] : (k == 0 ? Points[i].x : Points[i].y); };
    Dense a(m, n), p(m, m), l(m, 1);
    Dense q(n, n);
    for (int pass = 0; pass < 6; ++pass) {
        a = Dense(m, n);
        for (size_t k = 0; k < m; ++k) {
            const int i = Obs[k].from, j = Obs[k].to;
            const double dx = coord(j, 0) - coord(i, 0), dy = coord(j, 1) - coord(i, 1), s2 = dx * dx + dy * dy;
            const double s = std::sqrt(s2);
            double gi[2], computed;
            if (Obs[k].kind == 'c') {
                gi[0] = dy / s2, gi[1] = -dx / s2;
                computed = Azimuth(dx, dy) - z[size_t(i)];
                a(k, size_t(4 + i)) = -1.0;
                p(k, k) = 1.0;
            } else {
                gi[0] = -dx / s, gi[1] = -dy / s;
                computed = s;
                p(k, k) = std::pow(DirSigma / DistSigma(observed[k]), 2);
            }
            for (int c = 0; c < 2; ++c) {
                if (i >= 3) a(k, size_t(2 * (i - 3) + c)) += gi[c];
                if (j >= 3) a(k, size_t(2 * (j - 3) + c)) -= gi[c];
            }
            double d = observed[k] - computed;
            if (Obs[k].kind == 'c') d = std::remainder(d, 2 * Pi);
            l(k, 0) = d;
        }
        const Dense pa = Multiply(p, a);
        q = Inverse(Multiply(a, pa, true));
        const Dense dxv = Multiply(q, Multiply(pa, l, true));
        for (size_t c = 0; c < 4; ++c) x[c] += dxv(c, 0);
        for (size_t c = 0; c < 5; ++c) z[c] += dxv(4 + c, 0);
    }
    // At convergence the corrections vanish and v = -l.
    const Dense aq = Multiply(a, q);
    std::vector<double> w(m);
    for (size_t k = 0; k < m; ++k) {
        double aqa = 0.0;
        for (size_t c = 0; c < n; ++c) aqa += aq(k, c) * a(k, c);
        const double qvv = 1.0 / p(k, k) - aqa;
        w[k] = -l(k, 0) / (DirSigma * std::sqrt(qvv));
    }
    return w;
}

TEST(CliResults, ListingNormalisedResidualsMatchAnIndependentAdjustment) {
    ScratchDir dir;
    const std::string file = dir.File("blunder.txt");
    std::ofstream(file) << BlunderNetwork();
    const CliResult r = RunCli({"adjust", "xy", file, "--direction-sigma", "1.5", "--distance-sigma", "2",
                                "--distance-ppm", "2", "--iterations", "9", "--listing", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<double> expected = IndependentNormalisedResiduals(TrueObservations());

    // The listing rounds w to 0.01. Residual rows: station target kind class observed adjusted residual r w [!], in file order.
    std::vector<double> listed;
    std::vector<bool> flagged;
    std::istringstream in(r.out.substr(r.out.find("Station Target")));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && listed.size() < std::size(Obs)) {
        char station[16], target[16], kind, observedText[32], adjustedText[32], residual[32];
        int cls;
        double redundancy, w;
        ASSERT_EQ(std::sscanf(line.c_str(), "%15s %15s %c %d %31s %31s %31s %lf %lf", station, target, &kind, &cls,
                              observedText, adjustedText, residual, &redundancy, &w), 9) << line;
        listed.push_back(w);
        flagged.push_back(line.ends_with(" !"));
    }
    ASSERT_EQ(listed.size(), expected.size()) << r.out;
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(listed[k], expected[k], 0.006) << "observation " << k;
        EXPECT_EQ(flagged[k], std::fabs(expected[k]) > 3.29) << "observation " << k;
    }
    EXPECT_TRUE(flagged[Blundered]);
    EXPECT_TRUE(Contains(r.out, "degrees of freedom (sum of redundancy numbers): 13\n"));
}

}  // namespace
}  // namespace quenvar::testing
