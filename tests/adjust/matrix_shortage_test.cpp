// When the adjustment cannot have the memory for its normal equations, their inverse, the datum
// vectors or the matrices of the design analysis, it fails with its out-of-memory result and
// message, the network keeps its points and observations and claims no results, and the next
// adjustment gives the results of one that never ran short.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "adjust/adjustment_driver.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "frame/library_state.h"
#include "quenvar.h"
#include "report/network_summary.h"
#include "report/report_lines.h"
#include "tests/adjust/plane_networks.h"
#include "tests/netdb/file_test_support.h"
#include "tests/support/result_digest.h"

namespace quenvar {
namespace {

using namespace quenvar::testing;

constexpr const char* NoMatrixMemory = "无足够主存组成法方程, 请释放主存, 或用PLIXO.EXE平差!";

// The gate refuses the allocation it is asked for as number `refused` (counted from 0) and,
// when the shortage lasts, every later one.
int asked = 0;
int refused = 0;
bool lasting = true;
bool Gate(size_t) {
    const int k = asked++;
    return lasting ? k < refused : k != refused;
}

// The triangulation network (two fixed points, or none: a free network, every point kept as
// given and defining the datum, whose datum vectors are formed in every pass) with its noisy
// observations.
Network Triangulation(bool free, int designMode = 0) {
    Network net;
    NetworkBuilder b(net);
    std::vector<TruePoint> pts = TriangulationPoints();
    if (free)
        for (TruePoint& p : pts) p.planeClass = PointSpecial;
    BuildPlaneNetwork(b, pts, TriangulationSightings(), 2e-6, 0.002, 7, designMode ? 0.0 : 0.04);
    net.hdr.dirSigma = 4.8481368e-6f;
    net.hdr.distSigmaConst = 0.002f;
    net.hdr.designMode = uint16_t(designMode);
    return net;
}

// Everything an adjustment must not change: counts, names, classes, the fixed points'
// coordinates and the observations without their residuals and state bits.
uint64_t SurveyDigest(const Network& net) {
    uint64_t h = 0xCBF29CE484222325ull;
    DigestBytes(h, &net.hdr.pointCount, sizeof net.hdr.pointCount);
    DigestBytes(h, &net.hdr.obsCount, sizeof net.hdr.obsCount);
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        const PointRec& p = net.Point(i);
        const int cls = PlaneClass(p);
        DigestBytes(h, p.name, sizeof p.name);
        DigestBytes(h, &cls, sizeof cls);
        if (cls != PointKnown) continue;
        const double xy[2] = {p.x, p.y};
        DigestBytes(h, xy, sizeof xy);
    }
    for (int o = 1; o <= net.hdr.obsCount; ++o) {
        const ObsRec& r = net.Obs(o);
        const double value = r.value;
        const int fields[3] = {r.target, r.code & 0x7FF, r.next};
        DigestBytes(h, &value, sizeof value);
        DigestBytes(h, fields, sizeof fields);
    }
    return h;
}

// The texts of the information boxes shown (the design's question before every run is not
// what these tests are about).
Strings InformationBoxes(const RecordingMessenger& ui) {
    Strings texts;
    for (const RecordedMessage& m : ui.messages)
        if (m.kind == MsgInfo) texts.push_back(m.text);
    return texts;
}

struct Trial {
    Network net;
    RecordingMessenger ui;
};

// Whether the network has points kept as given, which the approximate calculation leaves as
// they are instead of computing them afresh.
bool KeepsItsCoordinates(const Network& net) {
    for (int i = 1; i <= net.hdr.pointCount; ++i)
        if (PlaneClass(net.Point(i)) == PointSpecial) return true;
    return false;
}

// Runs `adjust` on a copy of `base` with the gate refusing the allocations from number k on
// (or only number k), for k = 0, 1, ... until a run is refused nothing. A refused run ends
// with `failure` (or, where the storage tries again, succeeds with the reference results),
// claims no results, leaves the survey as it was, and the same network then adjusts to the
// reference results (to the last bit where the approximate calculation starts afresh). Returns the messages of each refused run that failed.
std::vector<Strings> RefuseEachAllocation(const Network& base, bool lastingShortage,
                                          const std::function<int(Trial&)>& adjust, int failure) {
    Trial reference{base, {}};
    const int success = adjust(reference);
    const uint64_t expected = ResultDigest(reference.net);
    EXPECT_GT(success, 0);
    std::vector<Strings> failed;
    for (int k = 0; k < 100; ++k) {
        Trial run{base, {}};
        run.net.allocationAllowed = Gate;
        asked = 0;
        refused = k;
        lasting = lastingShortage;
        const int result = adjust(run);
        run.net.allocationAllowed = nullptr;
        if (asked <= k) {  // nothing refused: every allocation has had its turn
            EXPECT_EQ(result, success);
            EXPECT_EQ(ResultDigest(run.net), expected);
            break;
        }
        if (result == success && ResultDigest(run.net) == expected) continue;  // tried again
        failed.push_back(InformationBoxes(run.ui));
        EXPECT_EQ(result, failure) << k;
        EXPECT_EQ(run.net.hdr.optionFlags & OptionAdjusted, 0) << k;
        EXPECT_EQ(SurveyDigest(run.net), SurveyDigest(base)) << k;
        EXPECT_EQ(adjust(run), success) << k;
        if (!KeepsItsCoordinates(base)) {
            EXPECT_EQ(ResultDigest(run.net), expected) << k;
            continue;
        }
        // Points kept as given keep the corrections of the passes made before the shortage;
        // the next adjustment starts from there and reaches the same solution.
        for (int i = 1; i <= base.hdr.pointCount; ++i)
            EXPECT_TRUE(std::hypot(run.net.Point(i).x - reference.net.Point(i).x,
                                   run.net.Point(i).y - reference.net.Point(i).y) < 1e-6)
                << k << " " << i;
        EXPECT_NEAR(run.net.hdr.planeSigma0, reference.net.hdr.planeSigma0, 1e-4 * reference.net.hdr.planeSigma0) << k;
    }
    return failed;
}

// The entry behind the exports.
int AdjustEntry(Trial& r, int method) {
    ReportBuffers reports;
    return AdjustNetwork(r.net, r.ui, reports, method, 3);
}

// The sparse storage behind the exports: the pattern and factor, the datum vectors of every
// pass of a free network and the selected inverse, which the re-weighting by data snooping
// needs in every pass. A shortage that passes never leaves results other than the full ones.
TEST(MatrixShortage, SparseStorageFailsTheEntryWithItsMessage) {
    for (const bool free : {false, true})
        for (const int method : {MethodIteration, MethodDataSnooping}) {
            SCOPED_TRACE(std::to_string(free) + " " + std::to_string(method));
            const Network base = Triangulation(free);
            auto adjust = [method](Trial& r) { return AdjustEntry(r, method); };
            const std::vector<Strings> failed = RefuseEachAllocation(base, true, adjust, 0);
            EXPECT_GE(failed.size(), size_t((free ? 2 : 0) + (method == MethodDataSnooping ? 3 : 2)));
            EXPECT_EQ(failed, std::vector<Strings>(failed.size(), Strings{NoMatrixMemory}));
            EXPECT_EQ(RefuseEachAllocation(base, false, adjust, 0), failed);
        }
}

// The packed storage: its triangle (allocated a second time when the first attempt fails),
// the datum vectors added before and taken off after each inversion, the copy of the
// equations the corrections are refined against and the work space of the refined cofactors.
TEST(MatrixShortage, PackedStorageFailsTheDriverAndRetriesItsTriangleOnce) {
    for (const bool free : {false, true}) {
        SCOPED_TRACE(free);
        auto adjust = [](Trial& r) {
            ReportBuffers reports;
            if (Calculate(r.net, r.ui) < 1) return -100;
            ApplyAdjustmentDefaults(r.net, reports);
            return int(RunAdjustment(r.net, r.ui, MethodIteration, 0, 3, SolverKind::Packed));
        };
        const Network base = Triangulation(free);
        const size_t failed = RefuseEachAllocation(base, true, adjust, ResultNoMemory).size();
        EXPECT_GE(failed, free ? 5u : 3u);
        // A single refusal of the triangle is overcome by the second attempt.
        EXPECT_EQ(RefuseEachAllocation(base, false, adjust, ResultNoMemory).size(), failed - 1);
    }
}

// The third-class analysis: a shortage for the triangle of the first stage (which is tried
// twice) or for the copy of its equations fails it with the message; one for the matrices of the eigen-decomposition between the stages or for the
// triangle of the second stage ends the analysis without one.
TEST(MatrixShortage, DesignAnalysisEndsWithoutResultsAndTheNextAnalysisWorks) {
    TempDir dir;
    const DesignFiles files(dir.File(""));
    auto analyse = [&files](Trial& r) {
        ReportBuffers reports;
        if (Calculate(r.net, r.ui) < 1) return -100;
        ApplyAdjustmentDefaults(r.net, reports);
        if (AdjustWithMessages(r.net, r.ui, reports, 1, 3, &files) != ResultDesignStage) return 0;
        return RunDesignSecondStage(r.net, r.ui, 3, files) > 0 ? 1 : 0;
    };
    const Network base = Triangulation(false, 1);
    EXPECT_EQ(RefuseEachAllocation(base, true, analyse, 0),
              (std::vector<Strings>{{NoMatrixMemory}, {NoMatrixMemory}, {}, {}, {}}));
    EXPECT_EQ(RefuseEachAllocation(base, false, analyse, 0), (std::vector<Strings>{{NoMatrixMemory}, {}, {}}));
}

// Through the export: the shortage reaches the host's message hook, the export returns 0, and
// the next call adjusts the network.
TEST(MatrixShortage, ExportReturnsZeroAndTheNextCallAdjusts) {
    static std::vector<std::string> texts;
    texts.clear();
    zrSetMessageHook(
        [](const char* text, const char*, int kind, void*) {
            if (kind == MsgInfo) texts.emplace_back(text);
            return 1;
        },
        nullptr);
    ASSERT_EQ(zrLoadData(QUENVAR_SOURCE_DIR "/examples/plane.txt"), 1);
    Network& net = Library().net;
    const uint64_t survey = SurveyDigest(net);
    net.allocationAllowed = Gate;
    asked = refused = 0;
    lasting = true;
    EXPECT_EQ(zrXYAdjustment(6, 3), 0);
    EXPECT_EQ(texts, std::vector<std::string>{NoMatrixMemory});
    EXPECT_EQ(SurveyDigest(net), survey);
    net.allocationAllowed = nullptr;
    EXPECT_EQ(zrXYAdjustment(6, 3), 1);
    EXPECT_NE(net.hdr.optionFlags & OptionAdjusted, 0);
    zrFreeData();
    zrSetMessageHook(nullptr, nullptr);
}

}  // namespace
}  // namespace quenvar
