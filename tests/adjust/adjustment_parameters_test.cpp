#include "adjust/adjustment_parameters.h"

#include <gtest/gtest.h>

#include <cstring>

#include "netdb/records.h"

namespace quenvar {
namespace {

TEST(SetAdjustmentParam, EachKindInItsUnitToTheOrdinaryOrClassFourFieldAlone) {
    constexpr double ArcSecond = 3.14159265358979323846 / 648000.0;  // radians
    const struct {
        int kind, which;
        double value;
        float NetHeader::*field;
        float stored;
    } cases[] = {
        {ParamDirection, 0, 2.0, &NetHeader::dirSigma, float(2 * ArcSecond)},
        {ParamDirection, 1, 130.0, &NetHeader::dirSigma4, float(90 * ArcSecond)},  // 1'30"
        {ParamDistanceFixed, 0, 3.0, &NetHeader::distSigmaConst, 0.003f},
        {ParamDistanceFixed, 1, 5.0, &NetHeader::distSigmaConst4, 0.005f},
        {ParamDistancePpm, 0, 2.5, &NetHeader::distSigmaPpm, 2.5f},
        {ParamDistancePpm, 7, 4.0, &NetHeader::distSigmaPpm4, 4.0f},  // any nonzero which
        {ParamLevelling, 0, 1.0, &NetHeader::levelSigma, 0.001f},
        {ParamLevelling, 1, 2.0, &NetHeader::levelSigma4, 0.002f},
        {ParamTrigHeight, 0, 30.0, &NetHeader::trigHeightSigma, 0.03f},
        {ParamTrigHeight, 1, -60.0, &NetHeader::trigHeightSigma4, -0.06f},  // no range check
        {0, 0, 5.0, nullptr, 0}, {6, 0, 5.0, nullptr, 0}, {-1, 1, 5.0, nullptr, 0},  // no such kind
    };
    const NetHeader none{};
    for (const auto& c : cases) {
        NetHeader h{};
        SetAdjustmentParam(h, c.kind, c.value, c.which);
        if (c.field) {
            EXPECT_FLOAT_EQ(h.*c.field, c.stored) << c.kind << "/" << c.which;
            h.*c.field = 0;  // nothing else changed
        }
        EXPECT_EQ(std::memcmp(&none, &h, sizeof h), 0) << c.kind << "/" << c.which;
    }
}

}  // namespace
}  // namespace quenvar
