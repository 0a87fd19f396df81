// Counts of observations by kind and class and of points by class.
#pragma once

#include <array>
#include <cstdint>

namespace quenvar {

struct Network;
struct ReportBuffers;

// Counter 3*column + row counts observations, columns 方向, 方位, 平距, 直高, 间高 (kinds 0, 1,
// 4, 6, 12) and rows 待定, 固定, 特类 (classes 0, 1, 4); 15 + row counts points by plane class,
// 18 + row by height class (0, 1, 2).
using NetworkCensus = std::array<uint16_t, 21>;

inline constexpr int CensusPlanePoints = 15;
inline constexpr int CensusHeightPoints = 18;

// Fills census and stores in buffers, and returns, the number of class-4 observations taking
// part in the current network type (plane: directions, azimuths, distances; height: levelled
// and trigonometric height differences).
uint16_t CountNetworkElements(const Network& net, NetworkCensus& census, ReportBuffers& buffers);

}  // namespace quenvar
