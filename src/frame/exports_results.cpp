// Read-only access to the network and the last computation for hosts: one record at a time,
// copied into the caller's structure.
#include <cstring>

#include "adjust/adjustment_tables.h"
#include "frame/library_state.h"
#include "geom/network_geometry.h"
#include "netdb/point_lookup.h"
#include "quenvar.h"

using namespace quenvar;

namespace {

// Clears the caller's structure, then fills it when the network is present; 0 otherwise.
template <typename Record, typename Fill>
int Read(const char* entry, Record* out, Fill fill) {
    if (out == nullptr) return 0;
    std::memset(out, 0, sizeof *out);
    return Guarded(entry, 0, [&] {
        const Network& net = Library().net;
        if (!net.Present()) return 0;
        if (fill(net, *out)) return 1;
        std::memset(out, 0, sizeof *out);
        return 0;
    });
}

bool WeightsPresent(const Network& net) {
    return net.weightTable.size() == 2 * (size_t(net.hdr.obsCount) + 1);
}

}  // namespace

extern "C" int zrGetResultSummary(zrResultSummary* s) {
    return Read("zrGetResultSummary", s, [](const Network& net, zrResultSummary& out) {
        const NetHeader& h = net.hdr;
        out.pointCount = h.pointCount;
        out.obsCount = h.obsCount;
        out.precisionCount = net.ellipses.empty() ? 0 : int(h.ellipseCount);
        out.heightMode = h.heightMode;
        out.designMode = h.designMode;
        out.angleMode = (h.optionFlags & OptionAngleMode) != 0;
        out.adjusted = (h.optionFlags & OptionResultBits) != 0;
        out.weightsPresent = WeightsPresent(net);
        out.dirSigma = h.dirSigma;
        out.distSigmaConst = h.distSigmaConst;
        out.distSigmaPpm = h.distSigmaPpm;
        out.levelSigma = h.levelSigma;
        out.trigHeightSigma = h.trigHeightSigma;
        out.planeSigma0 = h.planeSigma0;
        out.heightSigma0 = h.heightSigma0;
        return true;
    });
}

extern "C" int zrGetPoint(int index, zrPointResult* point) {
    return Read("zrGetPoint", point, [index](const Network& net, zrPointResult& out) {
        if (index < 1 || index > net.hdr.pointCount || index >= net.PointCapacity()) return false;
        const PointRec& p = net.Point(index);
        const std::string name = PointName(p);
        name.copy(out.name, sizeof out.name - 1);
        out.planeClass = PlaneClass(p);
        out.heightClass = HeightClass(p);
        out.hasPosition = HasPlaneCoords(net, index);
        out.hasHeight = HasHeight(net, index);
        // A pending double solution holds four 4-byte candidates, not a position.
        out.x = FixStateOf(p) == 3 ? 0.0 : p.x;
        out.y = FixStateOf(p) == 3 ? 0.0 : p.y;
        out.h = p.h;
        out.firstObs = p.firstObs;
        return true;
    });
}

extern "C" int zrGetObservation(int index, zrObservationResult* observation) {
    return Read("zrGetObservation", observation, [index](const Network& net, zrObservationResult& out) {
        if (index < 1 || index > net.hdr.obsCount || index >= net.ObsCapacity()) return false;
        const ObsRec& o = net.Obs(index);
        out.target = o.target;
        out.kind = KindOf(o) < KindCount ? KindLetters[KindOf(o)] : '?';
        out.obsClass = ObsClassOf(o);
        out.value = o.value;
        out.adjusted = (o.code & 0x0800) != 0;
        out.residual = o.residual;
        if (WeightsPresent(net)) {
            out.weight = WeightOf(net, index);
            out.cofactor = CofactorOf(net, index);
        }
        out.next = o.next;
        return true;
    });
}

extern "C" int zrGetPrecisionRecord(int index, zrPrecisionRecord* record) {
    return Read("zrGetPrecisionRecord", record, [index](const Network& net, zrPrecisionRecord& out) {
        if (net.ellipses.empty() || index < 0 || index > net.hdr.ellipseCount ||
            size_t(index) >= net.ellipses.size()) {
            return false;
        }
        const EllipseRec& e = net.ellipses[size_t(index)];
        out.type = index == 0 ? 0 : (e.p2 & EllipsePointRecord) ? 1 : (e.p2 & EllipsePairRecord) ? 2 : 0;
        out.p1 = e.p1 & 0x0FFF;
        out.p2 = out.type == 1 ? 0 : e.p2 & 0x0FFF;
        out.a = e.a;
        out.b = e.b;
        out.c = e.c;
        return true;
    });
}
