// What the tool gives other programs and the surveyor's eye: the JSON results agree with the
// binary database saved in the same run to the last bit, the listing's normalised residuals
// agree with an independent least-squares computation of a network with a planted blunder,
// and the SVG picture is well-formed with one error ellipse per adjusted point.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "netdb/database_file.h"
#include "netdb/text_writer.h"
#include "tests/adjust/plane_networks.h"
#include "tests/adjust/rigorous_adjustment.h"
#include "tests/support/recording_messenger.h"
#include "tests/tools/cli_runner.h"
#include "tests/tools/document_parsers.h"

namespace quenvar::testing {
namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Sec = Pi / 180.0 / 3600.0;  // one arc-second, radians

const std::string Plane = Example("plane.txt");

TEST(CliResults, JsonAgreesWithTheDatabaseSavedInTheSameRun) {
    TempDir dir;
    const CliResult r = RunCli({"adjust", "xy", Plane, "--direction-sigma", "1.5", "-o", dir.File("adj.db"), "--json", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json json = JsonParser(r.out).Parse();
    Network db;
    RecordingMessenger ui;
    ASSERT_EQ(ReadAll(dir.File("adj.db")).substr(0, 1), "^");  // the binary database format
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
    TempDir dir;
    ASSERT_EQ(RunCli({"adjust", "xy", Plane, "-o", dir.File("adj.db")}).status, 0);
    const CliResult plot = RunCli({"plot", dir.File("adj.db"), "-o", dir.File("net.svg")});
    ASSERT_EQ(plot.status, 0) << plot.err;
    const std::vector<XmlElement> svg = ParseXmlElements(ReadAll(dir.File("net.svg")));
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

// A network of 3 known and 2 unknown points with exact observations but for one direction
// (A -> Q) 20" off, written as a text file.
constexpr int Blundered = 2;
constexpr double DirSigma = 1.5 * Sec;

void WriteBlunderNetwork(const std::string& file) {
    Network net;
    NetworkBuilder b(net);
    const std::vector<TruePoint> pts = {{"A", 1000, 1000, 1, 0.3}, {"B", 1000, 3000, 1, 1.1}, {"C", 3000, 2000, 1, 2.5},
                                        {"P", 1800, 1600, 0, 4.0}, {"Q", 1700, 2500, 0, 5.5}};
    const int c = KindDirection, d = KindDistance;
    BuildPlaneNetwork(b, pts, {{1, 2, c}, {1, 4, c}, {1, 5, c}, {1, 3, c}, {1, 4, d}, {2, 1, c}, {2, 5, c}, {2, 4, c},
                               {2, 3, c}, {2, 5, d}, {3, 1, c}, {3, 2, c}, {3, 4, c}, {3, 5, c}, {4, 1, c}, {4, 2, c},
                               {4, 5, c}, {4, 3, c}, {4, 5, d}, {5, 4, c}, {5, 2, c}, {5, 3, c}},
                      0.0, 0.0, 1, 0.3);
    net.Obs(Blundered + 1).value += 20 * Sec;
    ASSERT_EQ(WriteTextNetwork(net, file, 0), 2);
}

// Normalised residuals w = v / (m0 sqrt(qvv)), qvv = 1/p - a Q a^T, of a textbook adjustment
// of the network as the file holds it.
std::vector<double> IndependentNormalisedResiduals(const std::string& file) {
    Network net;
    RecordingMessenger ui;
    EXPECT_EQ(LoadDatabase(net, ui, file.c_str()), 2);
    net.hdr.dirSigma = float(DirSigma);
    net.hdr.distSigmaConst = 0.002f;
    net.hdr.distSigmaPpm = 2.0f;
    std::vector<RefPoint> pts;
    std::vector<RefObs> obs;
    ReferenceOf(net, pts, obs, [&net](int o) {
        const double m = 0.002 + 2e-6 * net.Obs(o).value;
        return KindOf(net.Obs(o)) == KindDistance ? std::pow(DirSigma / m, 2) : 1.0;
    });
    const RefResult ref = RigorousAdjustment(pts, obs, true, 6);
    std::vector<double> w;
    for (size_t k = 0; k < obs.size(); ++k) w.push_back(ref.v[k] / (DirSigma * std::sqrt(1.0 / obs[k].weight - ref.qll[k])));
    return w;
}

TEST(CliResults, ListingNormalisedResidualsMatchAnIndependentAdjustment) {
    TempDir dir;
    const std::string file = dir.File("blunder.txt");
    WriteBlunderNetwork(file);
    const CliResult r = RunCli({"adjust", "xy", file, "--direction-sigma", "1.5", "--distance-sigma", "2",
                                "--distance-ppm", "2", "--iterations", "9", "--listing", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<double> expected = IndependentNormalisedResiduals(file);
    ASSERT_EQ(expected.size(), 22u);

    // The listing rounds w to 0.01. Residual rows: station target kind class observed adjusted residual r w [!], in file order.
    std::vector<double> listed;
    std::vector<bool> flagged;
    std::istringstream in(r.out.substr(r.out.find("Station Target")));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && listed.size() < expected.size()) {
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
