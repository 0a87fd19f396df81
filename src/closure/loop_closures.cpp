#include "closure/loop_closures.h"

#include <cmath>

#include "geom/angles.h"
#include "geom/network_geometry.h"

namespace quenvar {

namespace {

bool IsPoint(const Network& net, int p) { return p >= 1 && p <= net.hdr.pointCount && p < net.PointCapacity(); }

// The value of the first observation of that kind from a to b, and whether there was one.
bool Observed(const Network& net, int a, int b, int kind, double& value) {
    if (!IsPoint(net, a)) return false;
    const int o = FindObservation(net, a, b, kind);
    if (o == 0) return false;
    value = net.Obs(o).value;
    return true;
}

double ObservedValue(const Network& net, int a, int b, int kind) {
    double value = 0.0;
    return Observed(net, a, b, kind, value) ? value : 0.0;
}

// Each angle above pi is taken from the other side.
double InsideAngle(double angle) { return angle > HalfCircle ? FullCircle - angle : angle; }

double Cot2(double angle) {
    const double t = std::tan(angle);
    return 1.0 / (t * t);
}

// The corner two sides share, 0 if they share none or are the same side.
int SharedCorner(int u, int v, int s, int t) {
    const bool uOn = u == s || u == t, vOn = v == s || v == t;
    if (uOn == vOn) return 0;
    return uOn ? u : v;
}

}  // namespace

double AngleAtStation(const Network& net, int a, int s, int b) {
    if (!IsPoint(net, s)) return 0.0;
    const int toA = FindObservation(net, s, a, KindDirection);
    const int toB = FindObservation(net, s, b, KindDirection);
    if (toA == 0 || toB == 0) return 0.0;
    return NormalizeAngle(net.Obs(toB).value - net.Obs(toA).value);
}

double StepHeightDifference(const Network& net, int a, int b) {
    double dh = 0.0;
    if (Observed(net, a, b, KindLevelled, dh) || Observed(net, a, b, KindTrigHeight, dh)) return dh;
    if (Observed(net, b, a, KindLevelled, dh) || Observed(net, b, a, KindTrigHeight, dh)) return -dh;
    return 0.0;
}

double StepRouteLength(const Network& net, int a, int b) {
    double setups = 0.0;
    if (Observed(net, a, b, KindSetups, setups) || Observed(net, b, a, KindSetups, setups)) return setups;
    const double lengths[] = {
        ObservedValue(net, a, b, KindLineLength), ObservedValue(net, b, a, KindLineLength),
        ObservedValue(net, a, b, KindDistance),   ObservedValue(net, a, b, KindSlope),
        ObservedValue(net, b, a, KindDistance),   ObservedValue(net, b, a, KindSlope),
    };
    for (const double metres : lengths)
        if (metres != 0.0) return 0.001 * metres;
    const double between = IsPoint(net, a) && IsPoint(net, b) ? DistanceBetween(net, a, b) : 0.0;
    return between != 0.0 ? 0.001 * between : 1.0;
}

double ObservedDistance(const Network& net, int a, int b) {
    const double d = ObservedValue(net, a, b, KindDistance);
    return d != 0.0 ? d : ObservedValue(net, b, a, KindDistance);
}

double KnownSideLength(const Network& net, int a, int b) {
    if (IsPoint(net, a) && IsPoint(net, b) && PlaneClass(net.Point(a)) == PointKnown &&
        PlaneClass(net.Point(b)) == PointKnown)
        return DistanceBetween(net, a, b);
    return ObservedDistance(net, a, b);
}

int CommonSide(const TriangleRecord& A, const TriangleRecord& B, int& u, int& v) {
    int found = 0;
    for (int i = 0; i < 3 && found < 2; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (A.vertex[i] != B.vertex[j]) continue;
            (found == 0 ? u : v) = A.vertex[i];
            ++found;
            break;
        }
    }
    return found == 2 ? 1 : 0;
}

void ReverseLoop(ClosureLoop& loop) {
    for (int i = 0; i < loop.count / 2; ++i) std::swap(loop.elements[size_t(i)], loop.elements[size_t(loop.count - 1 - i)]);
}

int HeightClosure(const Network& net, ClosureLoop& loop) {
    const int count = loop.count;
    if (count < (loop.Closed() ? 3 : 2)) return 0;
    double w = 0.0, n = 0.0;
    for (int i = 1; i < count; ++i) {
        w += StepHeightDifference(net, loop.At(i - 1), loop.At(i));
        n += StepRouteLength(net, loop.At(i - 1), loop.At(i));
    }
    // Between fixed points the known height difference is taken off; a closed loop has none.
    w -= net.Point(loop.At(count - 1)).h - net.Point(loop.At(0)).h;
    loop.closure = w;
    loop.weightReciprocal = n;
    return 1;
}

int DirectionClosure(const Network& net, ClosureLoop& loop) {
    const int count = loop.count;
    const bool closed = loop.Closed() != 0;
    if (loop.Kind() == LoopTraverse && !closed &&
        (loop.Orientation() == TraverseUnoriented || loop.Orientation() == TraverseSingleOriented)) {
        loop.closure = 0.0;
        loop.weightReciprocal = count;
        return 1;
    }
    if (count < (closed ? 4 : 3)) return 0;
    double w = 0.0;
    for (int i = 1; i <= count - 2; ++i) w += AngleAtStation(net, loop.At(i - 1), loop.At(i), loop.At(i + 1));
    const double n = closed ? count - 1 : count - 2;
    if (closed) {
        w += AngleAtStation(net, loop.At(count - 2), loop.At(0), loop.At(1));
    } else {
        w -= AzimuthBetween(net, loop.At(count - 2), loop.At(count - 1)) - AzimuthBetween(net, loop.At(0), loop.At(1));
    }
    w -= n * HalfCircle;
    if (std::fabs(w) > HalfCircle) w += w > 0 ? -FullCircle : FullCircle;
    while (std::fabs(w) > DirectionWrapLimit) w += w > 0 ? -FullCircle : FullCircle;
    loop.closure = w;
    loop.weightReciprocal = n;
    return 1;
}

int SideConditionClosure(const Network& net, ClosureLoop& loop, const std::vector<TriangleRecord>& triangles) {
    auto record = [&](int node) -> const TriangleRecord* {
        return node >= 1 && size_t(node) < triangles.size() ? &triangles[size_t(node)] : nullptr;
    };
    std::vector<int> kept;
    for (int j = 0; j < loop.count; ++j)
        if (const TriangleRecord* t = record(loop.At(j)); t != nullptr && t->vertex[0] != 0) kept.push_back(loop.At(j));
    const bool pole = loop.Closed() != 0;
    int u = 0, v = 0;
    double L0 = 0.0, R = 1.0;
    if (pole) {
        if (kept.empty()) return 0;
        if (kept.front() != kept.back()) kept.push_back(kept.front());
        if (kept.size() < 2 || !CommonSide(*record(kept[0]), *record(kept[kept.size() - 2]), u, v)) return 0;
    } else {
        const TriangleRecord* first = record(loop.At(0));
        if (kept.empty() || first == nullptr) return 0;
        u = first->vertex[1];
        v = first->vertex[2];
        L0 = KnownSideLength(net, u, v);
        if (L0 == 0.0) return 0;
    }
    const int m = int(kept.size());
    double P = 1.0, S = 0.0;
    for (int i = 0; i <= (pole ? m - 2 : m - 1); ++i) {
        int s = 0, t = 0;
        if (!pole && i == m - 1) {
            const TriangleRecord* last = record(loop.At(loop.count - 1));
            if (last == nullptr) return 0;
            s = last->vertex[1];
            t = last->vertex[2];
            const double L1 = KnownSideLength(net, s, t);
            if (L1 == 0.0) return 0;
            R = L1 / L0;
        } else if (!CommonSide(*record(kept[size_t(i)]), *record(kept[size_t(i) + 1]), s, t)) {
            return 0;
        }
        const int c = SharedCorner(u, v, s, t);
        if (c == 0) return 0;
        const int y = c == s ? t : s;  // end of the outgoing side not on the incoming one
        const int x = c == u ? v : u;  // end of the incoming side not on the outgoing one
        double A1 = InsideAngle(AngleAtStation(net, u, y, v));  // opposite the incoming side
        double A2 = InsideAngle(AngleAtStation(net, s, x, t));  // opposite the outgoing side
        const double A3 = InsideAngle(AngleAtStation(net, x, c, y));
        // The triangle's misclosure is shared equally by its three angles when all are known.
        const double delta = (A1 != 0.0 && A2 != 0.0 && A3 != 0.0) ? (HalfCircle - A1 - A2 - A3) / 3.0 : 0.0;
        if (A1 == 0.0) A1 = HalfCircle - A2 - A3;
        if (A2 == 0.0) A2 = HalfCircle - A1 - A3;
        P *= std::sin(A2 + delta) / std::sin(A1 + delta);
        S += Cot2(A1 + delta) + Cot2(A2 + delta);
        u = s;
        v = t;
    }
    loop.closure = pole ? 1.0 - P : 1.0 - P / R;
    loop.weightReciprocal = S;
    return 1;
}

int16_t ComputeLoopClosure(const Network& net, ClosureLoop& loop, const std::vector<TriangleRecord>& triangles) {
    int done = 0;
    switch (loop.Kind()) {
        case LoopHeight: done = HeightClosure(net, loop); break;
        case LoopDirection: done = DirectionClosure(net, loop); break;
        case LoopSideCondition: done = SideConditionClosure(net, loop, triangles); break;
        case LoopTraverse:
        case LoopTraverseCandidate: done = TraverseClosure(net, loop); break;
        default: return 0;
    }
    // A closure that is not a number (a degenerate triangle, a zero-length side) cannot be
    // listed or enter the standard error.
    if (done && (!std::isfinite(loop.closure) || !std::isfinite(loop.weightReciprocal))) return 0;
    return int16_t(done);
}

}  // namespace quenvar
