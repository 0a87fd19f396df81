#include "adjust/station_residual_mean.h"

#include "geom/network_geometry.h"
#include "netdb/chain.h"

namespace quenvar {

float StationResidualMean(const Network& net, int station) {
    double sumP = 0.0;
    double sumPv = 0.0;
    WalkChain(net, station, [&](int o) {
        const ObsRec& r = net.Obs(o);
        if (KindOf(r) != KindDirection || !TakesPart(r)) return true;
        const double p = size_t(o) < net.weightTable.size() ? net.weightTable[size_t(o)] : 0.0f;
        sumP += p;
        sumPv += p * r.residual;
        return true;
    });
    return sumP > 1e-10 ? float(sumPv / sumP) : 0.0f;
}

}  // namespace quenvar
