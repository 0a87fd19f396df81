#include "netdb/csv_exchange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "geom/angles.h"
#include "netdb/chain.h"
#include "netdb/file_handle.h"
#include "netdb/line_reader.h"
#include "netdb/point_lookup.h"
#include "netdb/text_reader.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

constexpr const char* Separator = "0,0,0\n";

std::string Name(const Network& net, int point) {
    return point > 0 && point < net.PointCapacity() ? PointName(net.Point(point)) : std::string();
}

// Calls line(station, observation) for every observation of every station in point order.
template <typename Line>
void ForEachObservation(const Network& net, Line line) {
    const int count = PointsInStorage(net);
    for (int s = 1; s <= count; ++s) {
        WalkChain(net, s, [&](int o) {
            line(s, net.Obs(o));
            return true;
        });
    }
}

void WriteControlFile(const Network& net, std::FILE* f) {
    const NetHeader& hdr = net.hdr;
    std::fputs(hdr.designMode == 1 ? "1\n" : "0\n", f);
    std::fprintf(f, "%.3f,%.3f,%.3f\n", hdr.dirSigma * 206256.0, hdr.distSigmaConst * 100.0,
                 double(hdr.distSigmaPpm));
    const int count = PointsInStorage(net);
    for (int i = 1; i <= count; ++i) {
        const PointRec& p = net.Point(i);
        if (PlaneClass(p) == PointKnown) {
            std::fprintf(f, "%s,%lf,%lf\n", PointName(p).c_str(), p.x, p.y);
        }
    }
    std::fputs(Separator, f);
    ForEachObservation(net, [&](int s, const ObsRec& o) {
        if (KindOf(o) != KindAzimuth) return;
        std::fprintf(f, "%s,%lf,%s\n", Name(net, s).c_str(), RadiansToDms(o.value),
                     Name(net, o.target).c_str());
    });
    std::fputs(Separator, f);
    ForEachObservation(net, [&](int s, const ObsRec& o) {
        if (KindOf(o) != KindConnection) return;
        std::fprintf(f, "%s,%s\n", Name(net, s).c_str(), Name(net, o.target).c_str());
    });
    std::fputs("-1,0\n-1\n", f);
}

void WriteStation(const Network& net, std::FILE* f, int s, char stationType) {
    std::fprintf(f, "%s,%c\n", Name(net, s).c_str(), stationType);
    WalkChain(net, s, [&](int index) {
        const ObsRec& o = net.Obs(index);
        const int cls = ObsClassOf(o);
        if (cls != ClassOrdinary && cls != ClassFixed) return true;
        if (KindOf(o) == KindDirection) {
            std::fprintf(f, "%s,%c,%lf\n", Name(net, o.target).c_str(), '1', RadiansToDms(o.value));
        } else if (KindOf(o) == KindDistance) {
            std::fprintf(f, "%s,%c,%lf\n", Name(net, o.target).c_str(),
                         cls == ClassFixed ? '3' : '2', o.value);
        }
        return true;
    });
    std::fputs(Separator, f);
}

// Known stations first, then unknown ones, each group in point order.
void WriteObservationFile(const Network& net, std::FILE* f) {
    const int count = PointsInStorage(net);
    for (const auto& [planeClass, type] : {std::pair{int(PointKnown), '3'}, std::pair{int(PointUnknown), '1'}}) {
        for (int s = 1; s <= count; ++s) {
            if (PlaneClass(net.Point(s)) == planeClass && net.Point(s).firstObs != 0) {
                WriteStation(net, f, s, type);
            }
        }
    }
    std::fputs("-1,0\n", f);
}

// The first three fields of a cleaned line; a field missing on a line keeps its value from
// the line before.
struct Fields {
    std::string a, b, c;

    // false for a line that is empty after cleaning.
    bool Read(std::string line) {
        BlankSeparators(line);
        const size_t p = SkipBlanks(line);
        if (line.find_first_not_of(" \n", p) == std::string::npos) return false;
        std::vector<char> f[3];
        for (auto& field : f) field.assign(line.size() + 1, '\0');
        const int got = std::sscanf(line.c_str() + p, "%s %s %s", f[0].data(), f[1].data(), f[2].data());
        std::string* target[3] = {&a, &b, &c};
        for (int k = 0; k < got; ++k) *target[k] = f[k].data();
        return true;
    }
    bool IsSeparator() const { return a.starts_with('0') && b.starts_with('0') && c.starts_with('0'); }
    bool IsEnd() const { return a.starts_with("-1") && b.starts_with('0'); }
};

std::string Compose(const char* format, const std::string& x, const std::string& y) {
    std::vector<char> text(x.size() + y.size() + 16);
    std::snprintf(text.data(), text.size(), format, x.c_str(), y.c_str());
    return text.data();
}

// The second line: direction error in seconds of arc, distance error in centimetres and ppm.
void ReadErrors(NetHeader& hdr, const std::string& line) {
    float v[3];
    const int got = std::sscanf(line.c_str(), "%f,%f,%f", &v[0], &v[1], &v[2]);
    int read = 0;
    while (read < got && std::isfinite(v[read])) ++read;
    if (read > 0) hdr.dirSigma = v[0];
    if (read > 1) hdr.distSigmaConst = v[1];
    if (read > 2) hdr.distSigmaPpm = v[2];
    hdr.dirSigma = float(double(hdr.dirSigma) * 4.8483439059054945e-06);
    hdr.distSigmaConst = float(double(hdr.distSigmaConst) * 0.01);
}

enum class Block { Points, Azimuths, Connections, Done };

void ReadControlLines(NetworkLineParser& parser, LineReader& lines, Fields& fields) {
    std::string line;
    Block block = Block::Points;
    while (block != Block::Done && lines.Next(line)) {
        if (!fields.Read(line)) continue;
        switch (block) {
        case Block::Points:
            if (fields.IsSeparator()) {
                block = Block::Azimuths;
            } else {
                parser.ParseNetworkLine(0, (fields.a + " 10 " + fields.b + " " + fields.c).c_str());
            }
            break;
        case Block::Azimuths:
            if (fields.IsSeparator()) {
                block = Block::Connections;
            } else {
                parser.ParseNetworkLine(1, fields.a.c_str());
                parser.ParseNetworkLine(2, Compose("%s a1 %s", fields.c, fields.b).c_str());
            }
            break;
        case Block::Connections:
            if (fields.IsEnd() || fields.IsSeparator()) {
                block = Block::Done;
            } else {
                parser.ParseNetworkLine(1, fields.a.c_str());
                parser.ParseNetworkLine(2, (fields.b + " #0 0").c_str());
            }
            break;
        case Block::Done:
            break;
        }
    }
}

void ReadObservationLines(NetworkLineParser& parser, LineReader& lines, Fields& fields) {
    std::string line;
    bool stationOpen = false;
    while (lines.Next(line)) {
        if (!fields.Read(line)) continue;
        if (fields.IsEnd()) return;
        if (fields.IsSeparator()) {
            stationOpen = false;
        } else if (!stationOpen) {
            parser.ParseNetworkLine(1, fields.a.c_str());
            stationOpen = true;
        } else {
            const char kind = fields.b.starts_with('1') ? 'c' : 'd';
            const char cls = fields.b.starts_with('3') ? '1' : '0';
            const std::string type{' ', kind, cls, ' '};
            parser.ParseNetworkLine(2, (fields.a + type + fields.c).c_str());
        }
    }
}

}  // namespace

std::string ObservationFilePath(const std::string& controlPath) {
    return controlPath.substr(0, controlPath.size() - std::min<size_t>(controlPath.size(), 2)) + "ob";
}

int ExportCommaSeparated(const Network& net, const std::string& path) {
    {
        FileHandle control = OpenFile(path, "w");
        if (!control) return 0;
        WriteControlFile(net, control.get());
        if (!CloseWritten(control)) return 0;
    }
    FileHandle observations = OpenFile(ObservationFilePath(path), "w");
    if (!observations) return 0;
    WriteObservationFile(net, observations.get());
    return CloseWritten(observations) ? 2 : 0;
}

int ImportCommaSeparated(Network& net, Messenger& ui, const std::string& path) {
    const FileHandle control = OpenFile(path, "rb");
    if (!control) return 0;
    LineReader controlLines(control.get());
    std::string line;
    if (!controlLines.Next(line) || (line[0] != '0' && line[0] != '1')) return 0;
    if (!net.Present() && !AllocateDatabase(net, ui, true)) return 1;
    net.hdr.designMode = line[0] == '1' ? 1 : 0;
    if (!controlLines.Next(line)) line.clear();
    ReadErrors(net.hdr, line);

    NetworkLineParser parser(net, ui);
    Fields fields;
    ReadControlLines(parser, controlLines, fields);
    const FileHandle observations = OpenFile(ObservationFilePath(path), "rb");
    if (observations) {
        LineReader observationLines(observations.get());
        ReadObservationLines(parser, observationLines, fields);
    } else {
        ShowMessage(ui, "相应的观测值文件未找到!", 0, MsgInfo);
    }
    if (parser.OutOfMemory()) return 1;
    net.hdr.currentStation = 1;
    net.hdr.currentObs = 1;
    net.hdr.lastPoint = net.hdr.pointCount;
    return 2;
}

}  // namespace quenvar
