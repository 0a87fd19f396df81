#include "adjust/reweighting.h"

#include <cmath>

#include "adjust/adjusted_cofactors.h"
#include "adjust/station_residual_mean.h"
#include "geom/network_geometry.h"

namespace quenvar {
namespace {

// Variance group of an observation: directions or levelled differences first, then the other
// kinds; class 0 before the other classes.
int VarianceGroup(const ObsRec& r) {
    const int kind = KindOf(r);
    return ((kind == KindDirection || kind == KindLevelled) ? 0 : 2) + (ObsClassOf(r) != ClassOrdinary ? 1 : 0);
}

struct GroupSums {
    float v2[4] = {};
    float qvv[4] = {};
};

// Scales the a-priori errors of group g by 1/sqrt(f). The header fields are packed, so they
// are read and written by value.
void ScaleGroupErrors(NetHeader& hdr, bool plane, int g, double f) {
    const double d = std::sqrt(f);
    auto scaled = [d](float field) { return float(field / d); };
    switch (g) {
    case 1:
        if (plane) {
            hdr.dirSigma4 = scaled(hdr.dirSigma4);
        } else {
            hdr.levelSigma4 = scaled(hdr.levelSigma4);
        }
        break;
    case 2:
        if (plane) {
            hdr.distSigmaConst = scaled(hdr.distSigmaConst);
            hdr.distSigmaPpm = scaled(hdr.distSigmaPpm);
        } else {
            hdr.trigHeightSigma = scaled(hdr.trigHeightSigma);
        }
        break;
    case 3:
        if (plane) {
            hdr.distSigmaConst4 = scaled(hdr.distSigmaConst4);
            hdr.distSigmaPpm4 = scaled(hdr.distSigmaPpm4);
        } else {
            hdr.trigHeightSigma4 = scaled(hdr.trigHeightSigma4);
        }
        break;
    default:
        break;
    }
}

// New a-priori errors and weights of the groups from their variance components.
void FinishVarianceComponents(Network& net, const UnknownMap& map, const GroupSums& sums) {
    int g0 = -1;
    for (int g = 0; g < 3 && g0 < 0; ++g)
        if (sums.qvv[g] > 1e-10f) g0 = g;
    if (g0 < 0 || sums.v2[g0] < 1e-20f) return;
    const float reference = sums.v2[g0] / sums.qvv[g0];
    float factor[4] = {};
    bool any = false;
    for (int g = g0 + 1; g < 4; ++g) {
        if (sums.v2[g] < 1e-20f || sums.qvv[g] < 1e-10f) continue;
        factor[g] = reference / (sums.v2[g] / sums.qvv[g]);
        ScaleGroupErrors(net.hdr, PlaneNetwork(net), g, factor[g]);
        any = true;
    }
    if (!any) return;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] < 0) continue;
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            if (!Usable(net, r) || ObsClassOf(r) == ClassFixed) continue;
            const int g = VarianceGroup(r);
            if (g != g0) WeightOf(net, o) *= factor[g];
        }
    }
}

}  // namespace

bool ReweightingNeedsCofactors(int method) {
    return method == MethodDataSnooping || method == MethodGrossErrorsAfter || method == MethodVarianceComponents;
}

void ReweightObservations(Network& net, int method, const CofactorMatrix& q, int n, const UnknownMap& map,
                          bool angleMode) {
    const bool withCofactors = ReweightingNeedsCofactors(method);
    if (withCofactors) ComputeAdjustedCofactors(net, q, n, map, angleMode, nullptr);
    const double s = PosteriorSigma(net);
    const bool meanOfDirections = PlaneNetwork(net) && !angleMode;
    GroupSums sums;
    int worst = 0;
    double worstT = 0.0;
    for (int i = 1; i <= net.hdr.pointCount; ++i) {
        if (map[size_t(i)] < 0) continue;
        const double m = meanOfDirections ? StationResidualMean(net, i) : 0.0;
        bool firstDirection = true;
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            const ObsRec& r = net.Obs(o);
            float& p = WeightOf(net, o);
            if (ObsClassOf(r) == ClassFixed || MapOf(map, r.target) < 0 || !Usable(net, r) || p < 1e-20f) continue;
            double v = r.residual;
            if (KindOf(r) == KindDirection) {
                // In angle mode the first direction of a station only opens the angles: it takes
                // the station mean (0 in angle mode), so its weight never changes, but its
                // residual cofactor still counts in the variance components.
                v = angleMode && firstDirection ? m : v - m;
                firstDirection = false;
            }
            double t = 0.0;
            if (withCofactors) {
                const double qvv = 1.0 / p - CofactorOf(net, o);
                if (qvv < 1e-20) continue;
                if (method == MethodVarianceComponents) {
                    const int g = VarianceGroup(r);
                    sums.v2[g] += float(v * v);
                    sums.qvv[g] += float(qvv);
                    continue;
                }
                t = std::fabs(v / std::sqrt(qvv)) / s;
            } else {
                t = std::fabs(v * std::sqrt(double(p))) / s;
            }
            switch (method) {
            case MethodDanish:
                if (t > 3.0) p = float(p * std::exp(-t / 3.0));
                break;
            case MethodDataSnooping:
                if (t > 3.0) p = float(p / (t * t));
                break;
            case MethodHuber:
                if (t > 2.0) p = float(p * 2.0 / t);
                break;
            case MethodZhouJiangwen:
                if (t > 1.5) p = t < 2.5 ? float(p / t) : 0.0f;
                break;
            case MethodGrossErrorsAfter:
                if (t > 3.0 && t > worstT) {
                    worstT = t;
                    worst = o;
                }
                break;
            default:
                break;
            }
        }
    }
    if (method == MethodGrossErrorsAfter && worst != 0) WeightOf(net, worst) = 0.0f;
    if (method == MethodVarianceComponents) FinishVarianceComponents(net, map, sums);
}

}  // namespace quenvar
