// Builds small networks directly in a Network, without files.
#pragma once

#include <cstring>
#include <string>

#include "netdb/network.h"
#include "tests/support/recording_messenger.h"

namespace quenvar::testing {

class NetworkBuilder {
public:
    explicit NetworkBuilder(Network& net) : net_(net) { AllocateDatabase(net_, ui_, true); }

    // Adds a point (metres) with its plane and height class; returns its index.
    int Point(const std::string& name, double x, double y, double h = 0.0, int planeClass = 0,
              int heightClass = 0) {
        const int i = ++net_.hdr.pointCount;
        PointRec& p = net_.Point(i);
        name.copy(p.name, 5);  // 1 to 5 characters, the rest stays NUL
        p.x = x;
        p.y = y;
        p.h = h;
        SetPlaneClass(p, planeClass);
        SetHeightClass(p, heightClass);
        net_.hdr.lastPoint = net_.hdr.pointCount;
        return i;
    }

    // Appends an observation of the given kind (value in radians or metres) at station.
    int Obs(int station, int target, int kind, double value, int obsClass = 0) {
        const int o = AddObservation(net_, ui_, station);
        ObsRec& r = net_.Obs(o);
        r.target = uint16_t(target);
        r.value = value;
        r.code = MakeCode(kind, obsClass);
        return o;
    }

    RecordingMessenger& ui() { return ui_; }

private:
    Network& net_;
    RecordingMessenger ui_;
};

}  // namespace quenvar::testing
