#include "netdb/text_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "geom/angles.h"
#include "netdb/chain.h"
#include "netdb/file_handle.h"
#include "netdb/line_reader.h"
#include "netdb/value_checks.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

constexpr const char* PointTableFullText = "点数超过32767, 多余的点及其观测值被忽略!";

// Kinds whose values are written in d.mmss: c, a, z, b, <, 2 and 4.
bool ReadsAsDms(int kind) {
    switch (kind) {
    case KindDirection:
    case KindAzimuth:
    case KindZenith:
    case KindVertical:
    case KindAngle:
    case KindFurther2:
    case KindFurther4:
        return true;
    default:
        return false;
    }
}

// Kinds that may name the station itself as target: i, v, 1 and 3.
bool MayTargetStation(int kind) {
    return kind == KindInstrument || kind == KindTargetHeight || kind == KindFurther1 ||
           kind == KindFurther3;
}

int PointClassOfCharacter(char c) {
    switch (c) {
    case '1':
        return PointKnown;
    case '2':
        return PointSpecial;
    case '7':
        return PointExcluded;
    default:
        return PointUnknown;
    }
}

// Reads the lines after the title line; 0 when there is no title line.
int ReadLines(Network& net, Messenger& ui, LineReader& lines) {
    std::string line;
    if (!lines.Next(line) || line.size() < 2 || line.find("<<") == std::string::npos) return 0;
    if (!net.Present() && !AllocateDatabase(net, ui, true)) return 1;
    NetworkLineParser parser(net, ui);
    bool observations = false;
    while (!parser.OutOfMemory() && lines.Next(line)) {
        if (line.find("<<") != std::string::npos) {
            observations = true;
            continue;
        }
        BlankSeparators(line);
        const size_t p = SkipBlanks(line);
        if (line.size() - p < 4 || line[p] == '/') continue;  // short line or comment
        if (!observations) {
            parser.ParseNetworkLine(0, line.c_str() + p);
        } else if (p == 0) {  // station line: station name, then its first observation
            parser.ParseNetworkLine(1, line.c_str());
            size_t q = line.find(' ');
            q = q == std::string::npos ? line.size() : SkipBlanks(line, q);
            parser.ParseNetworkLine(2, line.c_str() + q);
        } else {
            parser.ParseNetworkLine(2, line.c_str() + p);
        }
    }
    if (parser.OutOfMemory()) return 1;
    net.hdr.lastPoint = net.hdr.pointCount;
    net.hdr.currentStation = 1;
    net.hdr.currentObs = 1;
    return 2;
}

}  // namespace

int KindIndex(const NetHeader& hdr, char letter) {
    const char* at = letter != '\0' ? std::strchr(KindLetters, letter) : nullptr;
    return at != nullptr ? int(at - KindLetters) : hdr.defaultObsKind;
}

int ClassOfCharacter(char c) {
    if (c >= '1' && c <= '4') return c - '0';
    switch (c) {
    case 'm':
    case 'M':
        return ClassSigma;
    case 'a':
    case 'A':
        return ClassPlanned;
    case '7':
        return ClassRejected;
    default:
        return ClassOrdinary;
    }
}

int CheckObservation(const ObsRec& obs) {
    const int kind = KindOf(obs);
    if (ObsClassOf(obs) == ClassRejected || kind >= KindCount) return 0;
    const double v = obs.value;
    bool plausible = true;
    switch (kind) {
    case KindDirection:
    case KindAzimuth:
    case KindAngle:
    case KindFurther2:
    case KindFurther4:
        plausible = -6.2831853072 < v && v < 6.2831853072;
        break;
    case KindZenith:
        plausible = 0.785398163 < v && v < 2.35619449;
        break;
    case KindVertical:
        plausible = -0.785398163 < v && v < 0.785398163;
        break;
    case KindDistance:
    case KindSlope:
    case KindSetups:
    case KindLineLength:
        plausible = v > 0.0;
        break;
    default:
        break;
    }
    return plausible ? 0 : 1;
}

int NetworkLineParser::ParseNetworkLine(int mode, const char* text) {
    if (outOfMemory_) return -4;
    NetHeader& hdr = net_.hdr;
    const int i = lookup_.Find(text);
    if (i == 0) return -1;
    if (i > hdr.pointCount && hdr.pointCount >= MaxPoints) {
        if (!fullShown_) ShowMessage(ui_, PointTableFullText, 0, MsgInfo);
        fullShown_ = true;
        return -3;
    }
    while (i >= int(hdr.capacityStep) * PointsPerUnit + 1020 || i >= net_.PointCapacity()) {
        if (!GrowDatabase(net_, ui_)) {
            outOfMemory_ = true;
            return -4;
        }
    }
    if (i > hdr.pointCount) {
        PointRec& p = net_.Point(i);
        p = PointRec{};
        std::sscanf(text, "%5s", p.name);
        hdr.pointCount += 1;
    }
    if (mode == 1) {
        hdr.currentStation = uint16_t(i);
        return 1;
    }
    if (mode == 0) {
        ParsePoint(i, text);
        return 1;
    }
    if (hdr.currentStation >= net_.PointCapacity()) return -2;
    const int n = AppendObservation(hdr.currentStation);
    if (n == 0) return -2;
    ParseObservation(n, i, text);
    return 1;
}

// Appends behind the last record this parser appended to the station, so a station with
// thousands of observations is not walked from its head for each of them.
int NetworkLineParser::AppendObservation(int station) {
    if (size_t(station) >= tails_.size()) tails_.resize(size_t(net_.PointCapacity()), 0);
    uint16_t& tail = tails_[size_t(station)];
    const int n = AddObservation(net_, ui_, station, tail);
    if (n != 0) tail = uint16_t(n);
    return n;
}

void NetworkLineParser::ParsePoint(int i, const char* text) {
    std::vector<char> name(std::strlen(text) + 1);
    char planeChar = ' ';
    char heightChar = ' ';
    double v[3];
    const int got = std::sscanf(text, "%s %c%c %lf %lf %lf", name.data(), &planeChar, &heightChar,
                                &v[0], &v[1], &v[2]);
    PointRec& p = net_.Point(i);
    SetPlaneClass(p, PointClassOfCharacter(planeChar));
    SetHeightClass(p, PointClassOfCharacter(heightChar));
    // Coordinates missing at the end leave the stored ones; so does a number that is not
    // finite, which is reported. The record is packed, so its fields are assigned by name
    // rather than through pointers.
    const int read = std::max(got - 3, 0);
    bool finite = true;
    for (int k = 0; k < read; ++k) finite = finite && std::isfinite(v[k]);
    if (read > 0 && std::isfinite(v[0])) p.x = v[0];
    if (read > 1 && std::isfinite(v[1])) p.y = v[1];
    if (read > 2 && std::isfinite(v[2])) p.h = v[2];
    if (!finite) ShowCoordinateError(ui_, i);
}

void NetworkLineParser::ParseObservation(int n, int target, const char* text) {
    std::vector<char> name(std::strlen(text) + 1);
    char kindChar = ' ';
    char classChar = ' ';
    double value = 0.0;
    const int got = std::sscanf(text, "%s %c%c %lf", name.data(), &kindChar, &classChar, &value);

    ObsRec& o = net_.Obs(n);
    o.target = uint16_t(target);
    // A value that is not a finite number is stored as 0 and rejects the observation.
    const bool finite = got < 4 || std::isfinite(value);
    o.value = got == 4 && finite ? value : 0.0;
    o.residual = 0.0f;
    if (kindChar >= 'A' && kindChar <= 'Z') kindChar = char(kindChar - 'A' + 'a');
    const int kind = KindIndex(net_.hdr, kindChar);
    const int cls = ClassOfCharacter(classChar);
    o.code = MakeCode(kind, cls);

    if (kind == KindConnection) {
        o.value = 0.0;
        return;
    }
    if (cls != ClassVerbatim && ReadsAsDms(kind)) o.value = DmsToRadians(o.value);
    if (cls == ClassRejected || (cls == ClassVerbatim && finite)) return;

    const int station = net_.hdr.currentStation;
    if (!finite || (target == station && !MayTargetStation(kind)) || CheckObservation(o) != 0) {
        SetObsClass(o, ClassRejected);
        ShowObservationError(ui_, station, target);
        return;
    }
    if (kind == KindAngle) {
        SetKind(o, KindDirection);
        AddPrecedingDirection(n, station);
    }
}

// An angle becomes a direction: it adds the value of the last direction that precedes, in
// the station's chain, the first direction to the same target (normally record n itself).
void NetworkLineParser::AddPrecedingDirection(int n, int station) {
    const int target = net_.Obs(n).target;
    int preceding = 0;
    WalkChain(net_, station, [&](int o) {
        const ObsRec& r = net_.Obs(o);
        if (KindOf(r) != KindDirection) return true;
        if (r.target == target) return false;
        preceding = o;
        return true;
    });
    if (preceding != 0) net_.Obs(n).value += net_.Obs(preceding).value;
}

int ReadTextNetwork(Network& net, Messenger& ui, const std::string& path) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return 0;
    LineReader lines(file.get());
    return ReadLines(net, ui, lines);
}

int ReadTextNetworkFromString(Network& net, Messenger& ui, std::string_view text) {
    LineReader lines(text);
    return ReadLines(net, ui, lines);
}

}  // namespace quenvar
