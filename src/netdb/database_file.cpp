#include "netdb/database_file.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <vector>

#include "netdb/csv_exchange.h"
#include "netdb/file_handle.h"
#include "netdb/text_reader.h"
#include "netdb/text_writer.h"
#include "netdb/value_checks.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the database file holds the records byte for byte, little-endian");

constexpr int Marker = '^';
constexpr const char* NotZoreText = "要读入的库为非ZORE格式, 现为无名空库";
constexpr const char* WriteFailedText = "数据库写盘失败, 请排除故障后再试!";

template <typename Rec>
bool ReadRecords(std::FILE* f, std::vector<Rec>& records, size_t count) {
    return std::fread(records.data(), sizeof(Rec), count, f) == count;
}

template <typename Rec>
bool WriteRecords(std::FILE* f, const std::vector<Rec>& records, size_t count) {
    return std::fwrite(records.data(), sizeof(Rec), count, f) == count;
}

enum class Loaded { Yes, NotRecognised, OutOfMemory };

// A file written from a network that grew in memory holds more records than a fresh
// database: enlarge the storage by whole units, as growth would, until its counts fit. The
// counts are 16-bit, so this stays below 65536 records of each kind.
bool MakeRoomForCounts(Network& net) {
    NetHeader& h = net.hdr;
    const size_t points = size_t(std::max<int>(h.pointCount, h.stationRecCount)) + 1;
    const size_t units = std::max({size_t(h.capacityStep) + 1, (points + PointsPerUnit - 1) / PointsPerUnit,
                                   (size_t(h.obsCount) + ObsPerUnit) / ObsPerUnit});
    return units == size_t(h.capacityStep) + 1 || EnlargeStorage(net, int(units) - 1);
}

// The part after the marker byte: header, then the record blocks of its counts.
Loaded ReadBinary(Network& net, Messenger& ui, std::FILE* f) {
    if (std::fread(&net.hdr, sizeof(NetHeader), 1, f) != 1 || net.hdr.pointCount < 0) return Loaded::NotRecognised;
    ClearNonFiniteSettings(net.hdr);
    if (!AllocateDatabase(net, ui, false)) return Loaded::OutOfMemory;
    if (!MakeRoomForCounts(net)) {
        GiveUpForMemory(net, ui);
        return Loaded::OutOfMemory;
    }
    const NetHeader& h = net.hdr;
    if (!ReadRecords(f, net.points, size_t(h.pointCount) + 1) ||
        (h.obsCount != 0 && !ReadRecords(f, net.obs, size_t(h.obsCount) + 1)) ||
        (h.stationRecCount != 0 && !ReadRecords(f, net.stations, size_t(h.stationRecCount) + 1)) ||
        (h.ellipseCount != 0 && !ReadRecords(f, net.ellipses, size_t(h.ellipseCount) + 1)) ||
        !DatabaseIsConsistent(net)) {
        return Loaded::NotRecognised;
    }
    ClearNonFiniteValues(net, ui);
    return Loaded::Yes;
}

Loaded LoadFile(Network& net, Messenger& ui, const char* path) {
    {
        const FileHandle file = OpenFile(path, "rb");
        if (!file) return Loaded::NotRecognised;
        const int first = std::getc(file.get());
        if (first == EOF) return Loaded::NotRecognised;
        if (first == Marker) return ReadBinary(net, ui, file.get());
    }
    if (!AllocateDatabase(net, ui, true)) return Loaded::OutOfMemory;
    int result = ReadTextNetwork(net, ui, path);
    if (result == 0) result = ImportCommaSeparated(net, ui, path);
    if (result == 2) return Loaded::Yes;
    return result == 1 ? Loaded::OutOfMemory : Loaded::NotRecognised;
}

bool WriteBinary(const Network& net, const char* path) {
    const NetHeader& h = net.hdr;
    const size_t points = size_t(std::max<int>(h.pointCount, 0)) + 1;
    const size_t obs = size_t(h.obsCount) + 1;
    const size_t stations = size_t(h.stationRecCount) + 1;
    const size_t ellipses = size_t(h.ellipseCount) + 1;
    if (h.pointCount < 0 || net.points.size() < points || (h.obsCount != 0 && net.obs.size() < obs) ||
        (h.stationRecCount != 0 && net.stations.size() < stations) ||
        (h.ellipseCount != 0 && net.ellipses.size() < ellipses)) {
        return false;  // storage absent or smaller than its counts
    }
    FileHandle file = OpenFile(path, "wb");
    if (!file) return false;
    std::FILE* f = file.get();
    bool ok = std::fputc(Marker, f) != EOF && std::fwrite(&h, sizeof h, 1, f) == 1 &&
              WriteRecords(f, net.points, points);
    if (ok && h.obsCount != 0) ok = WriteRecords(f, net.obs, obs);
    if (ok && h.stationRecCount != 0) ok = WriteRecords(f, net.stations, stations);
    if (ok && h.ellipseCount != 0) ok = WriteRecords(f, net.ellipses, ellipses);
    return std::fclose(file.release()) == 0 && ok;
}

}  // namespace

SaveFormat SaveFormatFor(const std::string& path) {
    if (path.size() <= 4) return SaveFormat::Binary;
    const std::string ext = path.substr(path.size() - 4);
    std::string lower = ext;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (lower == ".txt" || lower == ".coo" || lower == ".msm") return SaveFormat::Text;
    if (ext == ".WCO" || ext == ".wco") return SaveFormat::CommaSeparated;
    return SaveFormat::Binary;
}

bool DatabaseIsConsistent(const Network& net) {
    const NetHeader& h = net.hdr;
    const int points = h.pointCount;
    const int obs = h.obsCount;
    if (points < 0 || points >= net.PointCapacity() || obs >= net.ObsCapacity() ||
        (h.stationRecCount != 0 && h.stationRecCount >= net.stations.size()) ||
        (h.ellipseCount != 0 && h.ellipseCount >= net.ellipses.size())) {
        return false;
    }
    if (h.defaultObsKind >= KindCount) return false;
    std::vector<bool> inChain(size_t(obs) + 1, false);
    for (int i = 0; i <= points; ++i) {
        for (int o = net.Point(i).firstObs; o != 0; o = net.Obs(o).next) {
            if (o > obs || inChain[size_t(o)]) return false;
            inChain[size_t(o)] = true;
        }
    }
    for (int o = 1; o <= obs; ++o) {
        const ObsRec& r = net.Obs(o);
        if (r.target > points || r.next > obs || KindOf(r) >= KindCount) return false;
    }
    for (int s = 1; s <= h.stationRecCount; ++s) {
        if (LocusRef(net.Station(s)) > points || LocusRef2(net.Station(s)) > points) return false;
    }
    for (int e = 1; e <= h.ellipseCount; ++e) {
        const EllipseRec& r = net.ellipses[size_t(e)];
        if ((r.p1 & 0x0FFF) > points || (r.p2 & 0x0FFF) > points) return false;
    }
    return true;
}

int LoadDatabase(Network& net, Messenger& ui, const char* path) {
    if (path == nullptr) return AllocateDatabase(net, ui, true) ? 2 : 1;
    switch (LoadFile(net, ui, path)) {
    case Loaded::Yes:
        return 2;
    case Loaded::OutOfMemory:
        // The memory message has been shown; what was read so far is dropped.
        FreeDatabase(net);
        ResetHeader(net.hdr);
        return 1;
    case Loaded::NotRecognised:
        break;
    }
    AllocateDatabase(net, ui, true);
    ShowMessage(ui, NotZoreText, 0, MsgInfo);
    return 1;
}

int SaveDatabase(const Network& net, Messenger& ui, const char* path, int pointsOnly) {
    bool ok = false;
    if (path != nullptr) {
        switch (SaveFormatFor(path)) {
        case SaveFormat::Text:
            ok = WriteTextNetwork(net, path, pointsOnly) == 2;
            break;
        case SaveFormat::CommaSeparated:
            ok = ExportCommaSeparated(net, path) == 2;
            break;
        case SaveFormat::Binary:
            ok = WriteBinary(net, path);
            break;
        }
    }
    if (ok) return 2;
    ShowMessage(ui, WriteFailedText, 0, MsgInfo);
    return 1;
}

}  // namespace quenvar
