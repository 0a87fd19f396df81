#include "report/network_census.h"

#include <algorithm>

#include "netdb/network.h"
#include "report/report_lines.h"

namespace quenvar {

namespace {

// Census row of an observation class: 待定, 固定, 特类; -1 for classes not counted.
int RowOfClass(int obsClass) {
    switch (obsClass) {
        case ClassOrdinary: return 0;
        case ClassFixed: return 1;
        case ClassSpecial: return 2;
        default: return -1;
    }
}

// Census column of an observation kind; -1 for kinds not counted.
int ColumnOfKind(int kind) {
    switch (kind) {
        case KindDirection: return 0;
        case KindAzimuth: return 1;
        case KindDistance: return 2;
        case KindLevelled: return 3;
        case KindTrigHeight: return 4;
        default: return -1;
    }
}

// Last valid record index: the header's count, bounded by the array actually held.
int LastIndex(int count, size_t arraySize) {
    return std::min(count, int(arraySize) - 1);
}

}  // namespace

uint16_t CountNetworkElements(const Network& net, NetworkCensus& census, ReportBuffers& buffers) {
    census.fill(0);
    const int lastPoint = LastIndex(net.hdr.pointCount, net.points.size());
    for (int i = 1; i <= lastPoint; ++i) {
        const PointRec& p = net.Point(i);
        if (HeightClass(p) < 3) ++census[size_t(CensusHeightPoints + HeightClass(p))];
        if (PlaneClass(p) < 3) ++census[size_t(CensusPlanePoints + PlaneClass(p))];
    }
    const int lastObs = LastIndex(net.hdr.obsCount, net.obs.size());
    for (int i = 1; i <= lastObs; ++i) {
        const ObsRec& o = net.Obs(i);
        const int row = RowOfClass(ObsClassOf(o));
        const int column = ColumnOfKind(KindOf(o));
        if (row < 0 || column < 0) continue;
        ++census[size_t(3 * column + row)];
    }
    const uint16_t special = net.hdr.heightMode != 0
                                 ? uint16_t(census[11] + census[14])
                                 : uint16_t(census[2] + census[5] + census[8]);
    buffers.specialObservationCount = special;
    return special;
}

}  // namespace quenvar
