// The network and the last computation as the library's results reader gives them, read once
// into plain tables for the listings, the JSON output and the plot.
#pragma once

#include <string>
#include <vector>

#include "quenvar.h"

namespace quenvar_cli {

struct ObservationRow {
    int index = 0;    // observation index in the library
    int station = 0;  // point index of the station (found by walking the station's chain)
    zrObservationResult obs{};
};

struct Results {
    zrResultSummary summary{};
    std::vector<zrPointResult> points;          // [0] empty, 1..pointCount
    std::vector<ObservationRow> observations;   // station by station, in chain order
    std::vector<zrPrecisionRecord> precision;   // 0..precisionCount
    std::vector<int> pointRecord;               // by point: index into precision, -1 none

    bool Height() const { return summary.heightMode != 0; }
    std::string Name(int point) const;  // UTF-8; "" for no point
    // The precision record of a point, or null.
    const zrPrecisionRecord* PointRecord(int point) const;
};

// Everything the library holds; the points, the summary and the precision records only when
// `observations` is false.
Results ReadResults(bool observations = true);

// Points that were to be determined (class 0 or 2 of the network kind in `before`, the network
// as loaded) and have no coordinates (after a calculation) or, after an adjustment, no
// precision record: they took no part (the adjustment excludes a point it cannot use).
std::vector<int> LeftOutPoints(const Results& before, const Results& after, bool afterAdjustment);

// Lists the left-out points by name on standard error; the exit status: 0 when there are
// none, 3 when there are and allowIncomplete is not set.
int ReportLeftOut(const std::vector<int>& left, const Results& after, bool afterAdjustment, bool allowIncomplete);

}  // namespace quenvar_cli
