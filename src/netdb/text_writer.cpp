#include "netdb/text_writer.h"

#include <cstdio>
#include <string_view>

#include "geom/angles.h"
#include "netdb/chain.h"
#include "netdb/file_handle.h"
#include "netdb/point_lookup.h"

namespace quenvar {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    const int size = std::snprintf(nullptr, 0, format, args...);
    std::string text(size_t(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

std::string ObservationLine(const Network& net, const ObsRec& o) {
    int kind = KindOf(o);
    int cls = ObsClassOf(o);
    std::string target;
    if (o.target == 0 || o.target >= net.PointCapacity()) {
        kind = net.hdr.defaultObsKind;
        cls = net.hdr.defaultObsFlags & 7;
    } else {
        target = PointName(net.Point(o.target));
    }
    const double value = WritesAsDms(kind) ? RadiansToDms(o.value) : o.value;
    return Format("%-6s %c%c", target.c_str(), KindLetter(kind), ClassLetters[cls]) +
           Format(" %12.6lf", value);
}

}  // namespace

char KindLetter(int kind) { return kind >= 0 && kind < KindCount ? KindLetters[kind] : '?'; }

bool WritesAsDms(int kind) {
    return kind == KindDirection || kind == KindAzimuth || kind == KindZenith ||
           kind == KindVertical || kind == KindFurther2 || kind == KindFurther4;
}

std::string FormatNetworkRecord(const Network& net, int mode, int index) {
    if (mode == 2) {
        if (index < 0 || index >= net.ObsCapacity()) return {};
        return ObservationLine(net, net.Obs(index));
    }
    if (index < 0 || index >= net.PointCapacity()) return {};
    const PointRec& p = net.Point(index);
    if (mode == 1) return Format("%-6s", PointName(p).c_str());
    return Format("%-5s %1u%1u %.6lf %.6lf %.6lf", PointName(p).c_str(), unsigned(PlaneClass(p)),
                  unsigned(HeightClass(p)), p.x, p.y, p.h);
}

int WriteTextNetwork(const Network& net, const std::string& path, int pointsOnly) {
    FileHandle file = OpenFile(path, "w");
    if (!file) return 0;
    const int count = PointsInStorage(net);
    std::string text = "<<\n";
    for (int i = 1; i <= count; ++i) {
        const PointRec& p = net.Point(i);
        if (PlaneClass(p) == PointExcluded && HeightClass(p) == PointExcluded) continue;
        text += FormatNetworkRecord(net, 0, i) + "\n";
    }
    if (pointsOnly == 0) {
        text += "\n<<\n\n";
        for (int s = 1; s <= count; ++s) {
            if (net.Point(s).firstObs == 0) continue;
            std::string station = FormatNetworkRecord(net, 1, s);
            WalkChain(net, s, [&](int o) {
                if (ObsClassOf(net.Obs(o)) == ClassRejected) return true;
                text += station + FormatNetworkRecord(net, 2, o) + "\n";
                station.assign(6, ' ');
                return true;
            });
            text += "\n";
        }
    }
    const bool whole = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return CloseWritten(file) && whole ? 2 : 0;
}

}  // namespace quenvar
