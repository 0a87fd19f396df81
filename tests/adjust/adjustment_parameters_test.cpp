#include "adjust/adjustment_parameters.h"

#include <gtest/gtest.h>

#include <cstring>

#include "netdb/records.h"

namespace quenvar {
namespace {

constexpr double RadiansPerArcSecond = 3.14159265358979323846 / (180.0 * 3600.0);

TEST(SetAdjustmentParam, EachKindInItsUnitToTheOrdinaryOrClassFourField) {
    NetHeader h{};
    SetAdjustmentParam(h, ParamDirection, 2.0, 0);
    SetAdjustmentParam(h, ParamDirection, 130.0, 1);  // d.mmss 0.0130 = 1'30" = 90"
    SetAdjustmentParam(h, ParamDistanceFixed, 3.0, 0);
    SetAdjustmentParam(h, ParamDistanceFixed, 5.0, 1);
    SetAdjustmentParam(h, ParamDistancePpm, 2.5, 0);
    SetAdjustmentParam(h, ParamDistancePpm, 4.0, 7);  // any nonzero which is class 4
    SetAdjustmentParam(h, ParamLevelling, 1.0, 0);
    SetAdjustmentParam(h, ParamLevelling, 2.0, 1);
    SetAdjustmentParam(h, ParamTrigHeight, 30.0, 0);
    SetAdjustmentParam(h, ParamTrigHeight, -60.0, 1);  // no range check
    EXPECT_FLOAT_EQ(h.dirSigma, float(2.0 * RadiansPerArcSecond));
    EXPECT_FLOAT_EQ(h.dirSigma4, float(90.0 * RadiansPerArcSecond));
    EXPECT_EQ(h.distSigmaConst, 0.003f);
    EXPECT_EQ(h.distSigmaConst4, 0.005f);
    EXPECT_EQ(h.distSigmaPpm, 2.5f);
    EXPECT_EQ(h.distSigmaPpm4, 4.0f);
    EXPECT_EQ(h.levelSigma, 0.001f);
    EXPECT_EQ(h.levelSigma4, 0.002f);
    EXPECT_EQ(h.trigHeightSigma, 0.03f);
    EXPECT_EQ(h.trigHeightSigma4, -0.06f);

    const NetHeader before = h;
    for (int kind : {0, 6, -1}) SetAdjustmentParam(h, kind, 5.0, 0);
    EXPECT_EQ(std::memcmp(&before, &h, sizeof h), 0);
}

}  // namespace
}  // namespace quenvar
