// Traverses: orientation points at the ends, the angular closure, the coordinate closure fx, fy
// with the traverse length [s], and the side and the direction that most likely carry the
// error.
#include <cmath>

#include "closure/loop_closures.h"
#include "geom/angles.h"
#include "geom/network_geometry.h"
#include "netdb/chain.h"

namespace quenvar {

namespace {

// Gives the loop its traverse result, orientation points and orientation; 0 when it cannot.
int PrepareTraverse(const Network& net, ClosureLoop& loop) {
    if (!loop.traverse) loop.traverse = std::make_unique<TraverseResult>();
    if (loop.Closed() != 0) {
        if (AngleAtStation(net, loop.At(1), loop.At(0), loop.At(loop.count - 2)) != 0.0) {
            loop.SetKind(LoopTraverse);
            loop.SetOrientation(TraverseClosed);
            return 1;
        }
        // No closing angle at the start point: computed as a connecting traverse.
        loop.SetClosed(0);
        loop.SetKind(LoopTraverseCandidate);
    }
    int a = 0, b = 0;
    if (loop.Kind() == LoopTraverseCandidate) {
        a = FindOrientationPoint(net, loop.At(0), loop.At(1));
        b = FindOrientationPoint(net, loop.At(loop.count - 1), loop.At(loop.count - 2));
        if (loop.count > INT16_MAX - 2) {
            loop.SetKind(LoopEmpty);
            return 0;
        }
        loop.elements.resize(size_t(loop.count));
        loop.elements.insert(loop.elements.begin(), int16_t(a));
        loop.elements.push_back(int16_t(b));
        loop.count = int16_t(loop.count + 2);
        loop.SetKind(LoopTraverse);
    } else {
        a = loop.At(0);
        b = loop.At(loop.count - 1);
    }
    if (a == 0 && b == 0) {
        loop.SetOrientation(TraverseUnoriented);
    } else if (a != 0 && b != 0) {
        loop.SetOrientation(TraverseOriented);
    } else {
        loop.SetOrientation(TraverseSingleOriented);
        if (a == 0) ReverseLoop(loop);  // the oriented end comes first
    }
    return 1;
}

// The side along the closure vector points to a distance error, the side across it to an
// angle error. Directions are compared without wrapping.
void LocateMaxErrors(const Network& net, ClosureLoop& loop, double t) {
    if (loop.count < 4 || loop.Orientation() == TraverseUnoriented) return;
    const int b0 = loop.Closed() != 0 ? 1 : 0;
    const double thetaC = std::atan(t);
    const double thetaP = std::atan(-1.0 / t);
    double bestSide = HUGE_VAL, bestDirection = HUGE_VAL;
    for (int j = 1 - b0; j <= loop.count + b0 - 3; ++j) {
        const PointRec& P = net.Point(loop.At(j));
        const PointRec& Q = net.Point(loop.At(j + 1));
        double dx = P.x - Q.x;
        if (dx == 0.0) dx = 0.00001;
        const double theta = std::atan((P.y - Q.y) / dx);
        if (std::fabs(theta - thetaC) < bestSide) {
            bestSide = std::fabs(theta - thetaC);
            loop.traverse->maxErrorSide = int16_t(j);
        }
        if (std::fabs(theta - thetaP) < bestDirection) {
            bestDirection = std::fabs(theta - thetaP);
            loop.traverse->maxErrorDirection = int16_t(j);
        }
    }
}

}  // namespace

int FindOrientationPoint(const Network& net, int e, int n) {
    int found = 0;
    WalkChain(net, e, [&](int o) {
        const ObsRec& r = net.Obs(o);
        const int q = r.target;
        if (KindOf(r) != KindDirection || !TakesPart(r) || q == n || q < 1 || q > net.hdr.pointCount ||
            q >= net.PointCapacity() || PlaneClass(net.Point(q)) != PointKnown)
            return true;
        if (AngleAtStation(net, q, e, n) == 0.0) return true;
        found = q;
        return false;
    });
    return found;
}

int TraverseClosure(const Network& net, ClosureLoop& loop) {
    if (PrepareTraverse(net, loop) == 0 || DirectionClosure(net, loop) == 0) return 0;
    const int count = loop.count;
    const bool closed = loop.Closed() != 0;
    const int b0 = closed ? 1 : 0;
    const int orientation = loop.Orientation();
    double alpha = 0.0;  // azimuth of the leg into the station, radians
    if (orientation != TraverseUnoriented)
        alpha = closed ? AzimuthBetween(net, loop.At(count - 2), loop.At(0)) : AzimuthBetween(net, loop.At(0), loop.At(1));
    const double c = -loop.closure / loop.weightReciprocal;  // angle correction
    TraverseResult& r = *loop.traverse;
    r = TraverseResult{};
    double fx = 0.0, fy = 0.0, beta = 0.0;
    for (int i = 1 - b0; i <= count + b0 - 3; ++i) {
        const int station = loop.At(i), forward = loop.At(i + 1);
        const int back = i == 0 ? loop.At(count - 2) : loop.At(i - 1);
        const double D = ObservedDistance(net, station, forward);
        if (D == 0.0) return 0;
        if (back != 0) {
            beta = AngleAtStation(net, back, station, forward);
            if (beta == 0.0) return 0;
        }
        alpha += beta + c - HalfCircle;
        r.sumS += D;
        fx += D * std::cos(alpha);
        fy += D * std::sin(alpha);
    }
    const PointRec& last = net.Point(loop.At(count + b0 - 2));
    const PointRec& first = net.Point(loop.At(1));
    const double dX = last.x - first.x, dY = last.y - first.y;
    if (!closed) {
        if (orientation == TraverseUnoriented) {
            r.fx = std::sqrt(fx * fx + fy * fy) - std::sqrt(dX * dX + dY * dY);
            r.fy = 0.00001;
            return 1;
        }
        fx -= dX;
        fy -= dY;
    }
    if (fx == 0.0) fx = 0.00001;
    r.fx = fx;
    r.fy = fy;
    LocateMaxErrors(net, loop, fy / fx);
    return 1;
}

}  // namespace quenvar
