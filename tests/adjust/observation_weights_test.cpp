// A-priori errors into the header, the weights of the height network and the equation counts
// of direction and angle mode.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "adjust/adjustment_parameters.h"
#include "adjust/normal_equations.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "geom/angles.h"
#include "tests/support/network_builder.h"

namespace quenvar {
namespace {

constexpr double ArcSecond = 3.14159265358979323846 / 648000.0;  // radians

TEST(SetAdjustmentParam, EachKindInItsUnitToTheOrdinaryOrClassFourFieldAlone) {
    const struct {
        int kind, which;
        double value;
        size_t field;  // byte offset of the field in the packed header, 0 for none
        float stored;
    } cases[] = {
        {ParamDirection, 0, 2.0, offsetof(NetHeader, dirSigma), float(2 * ArcSecond)},
        {ParamDirection, 1, 130.0, offsetof(NetHeader, dirSigma4), float(130 * ArcSecond)},
        {ParamDistanceFixed, 0, 3.0, offsetof(NetHeader, distSigmaConst), 0.003f},
        {ParamDistanceFixed, 1, 5.0, offsetof(NetHeader, distSigmaConst4), 0.005f},
        {ParamDistancePpm, 0, 2.5, offsetof(NetHeader, distSigmaPpm), 2.5f},
        {ParamDistancePpm, 7, 4.0, offsetof(NetHeader, distSigmaPpm4), 4.0f},  // any nonzero which
        {ParamLevelling, 0, 1.0, offsetof(NetHeader, levelSigma), 0.001f},
        {ParamLevelling, 1, 2.0, offsetof(NetHeader, levelSigma4), 0.002f},
        {ParamTrigHeight, 0, 30.0, offsetof(NetHeader, trigHeightSigma), 0.03f},
        {ParamTrigHeight, 1, -60.0, offsetof(NetHeader, trigHeightSigma4), -0.06f},  // no range check
        {0, 0, 5.0, 0, 0}, {6, 0, 5.0, 0, 0}, {-1, 1, 5.0, 0, 0},  // no such kind
    };
    const NetHeader none{};
    for (const auto& c : cases) {
        NetHeader h{};
        SetAdjustmentParam(h, c.kind, c.value, c.which);
        if (c.field) {
            // The packed fields are copied out and cleared byte-wise, never referenced.
            float stored = 0;
            std::memcpy(&stored, reinterpret_cast<const char*>(&h) + c.field, sizeof stored);
            EXPECT_FLOAT_EQ(stored, c.stored) << c.kind << "/" << c.which;
            std::memset(reinterpret_cast<char*>(&h) + c.field, 0, sizeof stored);  // nothing else changed
        }
        EXPECT_EQ(std::memcmp(&none, &h, sizeof h), 0) << c.kind << "/" << c.which;
    }
}

// Arc-seconds of 100 and more are converted as such (read as d.mmss, 100" would be 1'); below
// 99.9" the 4-byte value is the one the d.mmss reading of value x 0.0001 gave, bit for bit.
TEST(SetAdjustmentParam, DirectionErrorInArcSeconds) {
    for (const double seconds : {100.0, 150.0, 240.0, 3600.0}) {
        NetHeader h{};
        SetAdjustmentParam(h, ParamDirection, seconds, 0);
        EXPECT_EQ(float(h.dirSigma), float(seconds * ArcSecond)) << seconds;
    }
    for (int k = 1; k < 9990; ++k) {
        const double seconds = k * 0.01;
        NetHeader h{};
        SetAdjustmentParam(h, ParamDirection, seconds, 1);
        const float dms = float(DmsToRadians(seconds * 0.0001)), stored = h.dirSigma4;
        ASSERT_EQ(std::memcmp(&stored, &dms, sizeof dms), 0) << seconds;
    }
}

struct Weighted {
    Network net;
    testing::NetworkBuilder b{net};
    UnknownMap map;
    int n = 0;
    void Number() {
        map.assign(size_t(net.hdr.pointCount) + 1, -1);
        net.weightTable.assign(2 * (size_t(net.hdr.obsCount) + 1), 0.0f);
        n = NumberUnknowns(net, b.ui(), map);
        SetObservationWeights(net, map);
    }
    float W(int o) const { return WeightOf(net, o); }
};

TEST(WeightTest, HeightWeightsFromLineMeasuresAndSightLengths) {
    Weighted t;
    NetHeader& h = t.net.hdr;
    h.heightMode = 1;
    h.levelSigma = 0.002f, h.levelSigma4 = 0.004f, h.trigHeightSigma = 0.03f, h.trigHeightSigma4 = 0.05f;
    const int a = t.b.Point("A", 1000, 1000, 100.0, 0, 1), p = t.b.Point("P", 1300, 1400, 101.0);
    const int q = t.b.Point("Q", 0, 0, 102.0), r = t.b.Point("R", 0, 0, 103.0);
    const int setups = t.b.Obs(a, p, KindLevelled, 1.0);
    t.b.Obs(a, p, KindSetups, 4.0);
    const int reverse = t.b.Obs(q, a, KindLevelled, -2.0, ClassSpecial);
    t.b.Obs(a, q, KindLineLength, 2500.0);
    const int bare = t.b.Obs(q, r, KindLevelled, 1.0);
    const int trigDist = t.b.Obs(p, q, KindTrigHeight, 1.0);
    t.b.Obs(q, p, KindDistance, 600.0);
    const int trigCoords = t.b.Obs(a, p, KindTrigHeight, 1.0, ClassFixed);
    const int trigNone = t.b.Obs(r, q, KindTrigHeight, -1.0, ClassSpecial);
    t.b.Obs(p, r, KindDistance, 10.0, ClassPlanned);  // planned, of the other network kind
    t.Number();
    EXPECT_FLOAT_EQ(t.W(setups), 0.25f);
    EXPECT_FLOAT_EQ(t.W(reverse), float(0.25 / 2.5));
    EXPECT_FLOAT_EQ(t.W(bare), 1.0f);
    const double t0 = h.levelSigma / h.trigHeightSigma, t4 = h.levelSigma / h.trigHeightSigma4;
    EXPECT_FLOAT_EQ(t.W(trigDist), float(t0 * t0 / (600.0 * 600.0) * 1e6));
    EXPECT_FLOAT_EQ(t.W(trigCoords), float(t0 * t0 * 1e6 / (500.0 * 500.0) * 1e6));
    EXPECT_FLOAT_EQ(t.W(trigNone), float(t4 * t4 / 1e6 * 1e6));
    // Three unknown points and the pairs A-P, Q-A, Q-R, P-Q and the planned P-R.
    EXPECT_EQ(h.ellipseCount, 3 + 5);
}

// Direction mode: a direction between fixed points stays for its station's orientation, a
// lone direction drops out for good, a distance between fixed points counts as a check. Angle
// mode: k directions give k - 1 angles.
TEST(WeightTest, EquationCounts) {
    Weighted t;
    t.net.hdr.dirSigma = 1e-5f;
    t.net.hdr.distSigmaConst = 0.002f;
    const int a = t.b.Point("A", 1000, 1000, 0, 1), f = t.b.Point("F", 1000, 2000, 0, 1), p = t.b.Point("P", 2000, 1500);
    const int lone = t.b.Obs(p, a, KindDirection, 1.0);
    for (const auto& [from, to] : {std::pair{a, f}, {a, p}, {f, p}, {f, a}}) t.b.Obs(from, to, KindDirection, 0.3);
    t.b.Obs(p, f, KindDistance, 1118.0);
    t.b.Obs(a, f, KindDistance, 1000.0);
    t.Number();
    NormalMatrix m;
    ASSERT_TRUE(m.Allocate(t.n + 1));
    EXPECT_EQ(FormNormalEquations(t.net, m, t.n, t.map, false), 4 - 2 + 1 + 1);
    EXPECT_EQ(t.W(lone), 0.0f);
    t.b.Obs(a, p, KindDirection, 0.5);
    t.Number();
    EXPECT_EQ(FormNormalEquations(t.net, m, t.n, t.map, true), (3 - 1) + (2 - 1) + 1 + 1);
}

}  // namespace
}  // namespace quenvar
