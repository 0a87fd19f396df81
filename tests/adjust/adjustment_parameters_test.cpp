#include "adjust/adjustment_parameters.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "geom/angles.h"
#include "netdb/records.h"

namespace quenvar {
namespace {

TEST(SetAdjustmentParam, EachKindInItsUnitToTheOrdinaryOrClassFourFieldAlone) {
    constexpr double ArcSecond = 3.14159265358979323846 / 648000.0;  // radians
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
    constexpr double ArcSecond = 3.14159265358979323846 / 648000.0;
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

}  // namespace
}  // namespace quenvar
