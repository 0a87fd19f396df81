// Packed records of the network database. Their layout is also the layout of the binary
// database file, so every size and offset is fixed and checked below. All indices are 16-bit
// and 1-based; index 0 means "no record".
#pragma once

#include <cstddef>
#include <cstdint>

namespace quenvar {

#pragma pack(push, 1)

// Counts, modes, a-priori and a-posteriori precisions and settings of one network.
struct NetHeader {
    uint16_t obsCount;
    uint16_t knownPointCount;
    uint16_t unknownPointCount;  // unknowns of the last adjustment preprocessing
    uint16_t reserved6;
    uint16_t ellipseCount;
    uint16_t stationRecCount;  // station records stored in a database file
    uint16_t heightMode;       // 0 plane network (XY), 1 height network (H)
    uint16_t designMode;       // 1 planned network
    uint16_t homeFirst;
    int16_t pointCount;
    uint16_t homeWord20;
    uint16_t homeWord22;
    uint16_t homeWord24;
    uint16_t currentStation;
    int16_t lastPoint;
    uint16_t curWord30;
    uint16_t curWord32;
    uint16_t curWord34;
    uint16_t currentObs;
    uint16_t currentStationObsCount;
    uint16_t reserved40;
    uint16_t reserved42;
    uint16_t reserved44;
    uint8_t reserved46;
    uint8_t reserved47;
    uint16_t optionFlags;     // bit 0 angle mode; bits 5-7 adjustment results present
    float dirSigma;           // radians
    float levelSigma;         // metres
    float planeSigma0;        // units of dirSigma
    float heightSigma0;       // metres
    float distSigmaConst;     // metres
    float distSigmaPpm;       // ppm (mm per km)
    float dirSigma4;          // radians, class 4
    float levelSigma4;        // metres, class 4
    float distSigmaConst4;    // metres, class 4
    float distSigmaPpm4;      // ppm, class 4
    uint32_t reserved90;
    double extentMinY;
    double extentMinX;
    double extentMaxY;
    double extentMaxX;
    uint8_t defaultObsKind;
    uint8_t defaultObsFlags;  // bits 0-2 class; bit 3 closure computation not allowed
    uint16_t capacityStep;
    float trigHeightSigma;    // metres
    float trigHeightSigma4;   // metres, class 4
    uint16_t reserved138;
    float closureLimitFactor;
    double refraction;
};

// One named point with its coordinates (metres, X north, Y east) and height.
struct PointRec {
    char name[6];
    double x;
    double y;
    double h;
    uint16_t flags;     // bits 8-10 planeClass, 11-13 heightClass, 14-15 fixState
    uint16_t firstObs;  // first observation of this point's chain as station
};

// One observation; its station is the point whose chain holds it.
struct ObsRec {
    uint16_t target;
    double value;    // radians, metres or a count, by kind
    float residual;  // misclosure while approximating, residual after adjustment
    uint16_t code;   // bits 0-2 obsClass, 3-10 kind, 11-15 stateBits
    uint16_t next;   // next observation of the same station
};

// Orientation and working locus of one point as a station.
struct StationRec {
    uint16_t fixRef;  // bits 0-3 orientState, 4-15 locus reference point
    uint16_t locus;   // bits 0-3 locusKind, 4-15 second reference point
    double locusValue;   // radians or metres
    double orientation;  // azimuth of the zero direction, radians
};

// One precision record; record 0 holds the maxima.
struct EllipseRec {
    uint16_t p1;  // bits 0-11 first point
    uint16_t p2;  // bits 0-11 second point; bit 12 point record; bit 13 pair record
    float a;
    float b;
    float c;
};

#pragma pack(pop)

static_assert(sizeof(NetHeader) == 152);
static_assert(offsetof(NetHeader, pointCount) == 18);
static_assert(offsetof(NetHeader, currentStationObsCount) == 38);
static_assert(offsetof(NetHeader, reserved46) == 46);
static_assert(offsetof(NetHeader, optionFlags) == 48);
static_assert(offsetof(NetHeader, dirSigma) == 50);
static_assert(offsetof(NetHeader, distSigmaPpm4) == 86);
static_assert(offsetof(NetHeader, reserved90) == 90);
static_assert(offsetof(NetHeader, extentMinY) == 94);
static_assert(offsetof(NetHeader, extentMaxX) == 118);
static_assert(offsetof(NetHeader, defaultObsKind) == 126);
static_assert(offsetof(NetHeader, capacityStep) == 128);
static_assert(offsetof(NetHeader, trigHeightSigma) == 130);
static_assert(offsetof(NetHeader, reserved138) == 138);
static_assert(offsetof(NetHeader, closureLimitFactor) == 140);
static_assert(offsetof(NetHeader, refraction) == 144);

static_assert(sizeof(PointRec) == 34);
static_assert(offsetof(PointRec, x) == 6);
static_assert(offsetof(PointRec, h) == 22);
static_assert(offsetof(PointRec, flags) == 30);
static_assert(offsetof(PointRec, firstObs) == 32);

static_assert(sizeof(ObsRec) == 18);
static_assert(offsetof(ObsRec, value) == 2);
static_assert(offsetof(ObsRec, residual) == 10);
static_assert(offsetof(ObsRec, code) == 14);
static_assert(offsetof(ObsRec, next) == 16);

static_assert(sizeof(StationRec) == 20);
static_assert(offsetof(StationRec, locusValue) == 4);
static_assert(offsetof(StationRec, orientation) == 12);

static_assert(sizeof(EllipseRec) == 16);
static_assert(offsetof(EllipseRec, a) == 4);
static_assert(offsetof(EllipseRec, c) == 12);

// Observation kinds: the index of the kind letter in KindLetters.
inline constexpr char KindLetters[] = "cazbdshivnl#$<1234";
inline constexpr int KindCount = 18;
enum ObsKind : int {
    KindDirection = 0,      // c, radians
    KindAzimuth = 1,        // a, radians
    KindZenith = 2,         // z, radians
    KindVertical = 3,       // b, radians
    KindDistance = 4,       // d, horizontal distance, metres
    KindSlope = 5,          // s, slope distance, metres
    KindLevelled = 6,       // h, levelled height difference, metres
    KindInstrument = 7,     // i, instrument height, metres
    KindTargetHeight = 8,   // v, target height, metres
    KindSetups = 9,         // n, set-ups of a levelling line
    KindLineLength = 10,    // l, length of a levelling line, metres
    KindConnection = 11,    // #, connection without value
    KindTrigHeight = 12,    // $, trigonometric height difference, metres
    KindAngle = 13,         // <, angle from the preceding direction, radians
    KindFurther1 = 14,
    KindFurther2 = 15,      // angle kind
    KindFurther3 = 16,
    KindFurther4 = 17,      // angle kind
};

// Class characters of text files, indexed by obsClass.
inline constexpr char ClassLetters[] = "01234ma7";

enum ObsClass : int {
    ClassOrdinary = 0,
    ClassFixed = 1,
    ClassKept = 2,
    ClassVerbatim = 3,   // value kept exactly as read, no checks
    ClassSpecial = 4,    // adjusted with the class-4 a-priori errors
    ClassSigma = 5,      // a-priori error record for a neighbouring observation
    ClassPlanned = 6,    // planned observation of a design network
    ClassRejected = 7,
};

enum PointClass : int {
    PointUnknown = 0,
    PointKnown = 1,
    PointSpecial = 2,
    PointExcluded = 7,
};

enum FixState : int {
    FixNone = 0,
    FixComputed = 2,
    FixDouble = 3,  // two candidate positions pending in x and y as four 4-byte floats
};

// ---- bit fields of PointRec.flags ----
inline int PlaneClass(const PointRec& p) { return (p.flags >> 8) & 7; }
inline int HeightClass(const PointRec& p) { return (p.flags >> 11) & 7; }
inline int FixStateOf(const PointRec& p) { return (p.flags >> 14) & 3; }
inline void SetPlaneClass(PointRec& p, int c) { p.flags = uint16_t((p.flags & ~0x0700) | ((c & 7) << 8)); }
inline void SetHeightClass(PointRec& p, int c) { p.flags = uint16_t((p.flags & ~0x3800) | ((c & 7) << 11)); }
inline void SetFixState(PointRec& p, int s) { p.flags = uint16_t((p.flags & 0x3FFF) | ((s & 3) << 14)); }

// ---- bit fields of ObsRec.code ----
inline int ObsClassOf(const ObsRec& o) { return o.code & 7; }
inline int KindOf(const ObsRec& o) { return (o.code >> 3) & 0xFF; }
inline int StateBits(const ObsRec& o) { return (o.code >> 11) & 0x1F; }
inline uint16_t MakeCode(int kind, int obsClass) { return uint16_t(((kind & 0xFF) << 3) | (obsClass & 7)); }
inline void SetObsClass(ObsRec& o, int c) { o.code = uint16_t((o.code & ~7) | (c & 7)); }
inline void SetKind(ObsRec& o, int k) { o.code = uint16_t((o.code & ~0x07F8) | ((k & 0xFF) << 3)); }
inline void SetStateBits(ObsRec& o, int s) { o.code = uint16_t((o.code & 0x07FF) | ((s & 0x1F) << 11)); }

// ---- bit fields of StationRec ----
inline int OrientState(const StationRec& s) { return s.fixRef & 0xF; }
inline void SetOrientState(StationRec& s, int v) { s.fixRef = uint16_t((s.fixRef & ~0xF) | (v & 0xF)); }
inline int LocusRef(const StationRec& s) { return s.fixRef >> 4; }
inline void SetLocusRef(StationRec& s, int p) { s.fixRef = uint16_t((s.fixRef & 0xF) | ((p & 0xFFF) << 4)); }
inline int LocusKind(const StationRec& s) { return s.locus & 0xF; }
inline int LocusRef2(const StationRec& s) { return s.locus >> 4; }
inline void SetLocus(StationRec& s, int kind, int ref2) { s.locus = uint16_t((kind & 0xF) | ((ref2 & 0xFFF) << 4)); }

// ---- bits of EllipseRec.p2 and NetHeader.optionFlags ----
inline constexpr uint16_t EllipsePointRecord = 0x1000;
inline constexpr uint16_t EllipsePairRecord = 0x2000;
inline constexpr uint16_t OptionAngleMode = 0x0001;
inline constexpr uint16_t OptionResultBits = 0x00E0;  // bits 5-7
inline constexpr uint16_t OptionAdjusted = 0x0020;    // bit 5

}  // namespace quenvar
