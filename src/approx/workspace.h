// Working state of one approximate calculation: the observation index of the network and the
// stations whose chains must be walked again because something they read changed.
#pragma once

#include <vector>

#include "netdb/network.h"
#include "netdb/observation_index.h"

namespace quenvar {

// Cuts every observation chain where it runs into an observation beyond obsCount or one
// already reached from another link, so that no walk along a chain can loop.
void CutBrokenChains(Network& net);

class Workspace : public ObservationIndex {
public:
    explicit Workspace(Network& net);

    Network& net;

    // A point's position, height, orientation, locus or double solution changed: its own chain
    // and the chains of every station that observes it must be walked again.
    void Touch(int point);
    // An observation's working mark was reset from outside its station's walk.
    void TouchObservation(int obs);
    bool Pending(int station) const { return pending_[size_t(station)] != 0; }
    void Settle(int station) { pending_[size_t(station)] = 0; }

private:
    std::vector<char> pending_;
};

}  // namespace quenvar
