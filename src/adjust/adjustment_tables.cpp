#include "adjust/adjustment_tables.h"

#include "geom/network_geometry.h"

namespace quenvar {

bool Usable(const Network& net, const ObsRec& o) {
    return ObservationRole(net, ObsClassOf(o), KindOf(o)) == 99;
}

bool PairAlreadyDone(const Network& net, int station, int o) {
    const int target = net.Obs(o).target;
    for (int e = net.Point(station).firstObs; e != 0 && e != o; e = net.Obs(e).next) {
        const ObsRec& r = net.Obs(e);
        if (r.target == target && Usable(net, r)) return true;
    }
    if (target >= station) return false;
    for (int e = net.Point(target).firstObs; e != 0; e = net.Obs(e).next) {
        const ObsRec& r = net.Obs(e);
        if (r.target == station && Usable(net, r)) return true;
    }
    return false;
}

}  // namespace quenvar
