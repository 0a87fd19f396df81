#include "listing.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <algorithm>

#include "commands.h"
#include "residual_analysis.h"

namespace quenvar_cli {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double RadToSec = 180.0 / Pi * 3600.0;

struct Texts {
    const char* title;
    const char* plane;
    const char* height;
    const char* unitWeight;
    const char* prior;
    const char* posterior;
    const char* dof;
    const char* globalTest;
    const char* accepted;
    const char* rejected;
    const char* noTest;
    const char* points;
    const char* pointHeadPlane;
    const char* pointHeadHeight;
    const char* noRecord;
    const char* pairs;
    const char* pairHeadPlane;
    const char* pairHeadHeight;
    const char* residuals;
    const char* residualHead;
    const char* flagged;
    const char* noCofactors;
    const char* directionsNote;
};

const Texts English = {
    "quenvar adjustment listing",
    "plane network",
    "height network",
    "Unit-weight error",
    "a-priori",
    "a-posteriori",
    "degrees of freedom (sum of redundancy numbers)",
    "global test f*(m0'/m0)^2 = %.3f, 95%% interval [%.3f, %.3f]: %s\n",
    "accepted",
    "REJECTED",
    "global test: no degrees of freedom\n",
    "Adjusted points",
    "Point  Cls            X (m)            Y (m)   mX(mm)   mY(mm)    M(mm)    a(mm)    b(mm)  az a (d.mmss)",
    "Point  Cls            H (m)   mH(mm)",
    "no precision record",
    "Relative errors of observed pairs",
    "From   To     long.(mm) trans.(mm)  az (d.mmss)   dist. (m)   ratio",
    "From   To      mdH(mm)",
    "Residuals",
    "Station Target Kind Cls       Observed        Adjusted   Residual      r       w",
    "normalised residuals above %.2f are flagged with '!': %d\n",
    "no weights and cofactors kept (single adjustment): redundancy numbers are not available\n",
    "direction residuals refer to each station's adjusted orientation\n",
};

const Texts Chinese = {
    "quenvar 平差成果表",
    "平面网",
    "高程网",
    "单位权中误差",
    "验前",
    "验后",
    "自由度 (多余观测分量之和)",
    "整体检验 f*(m0'/m0)^2 = %.3f, 95%% 区间 [%.3f, %.3f]: %s\n",
    "通过",
    "未通过",
    "整体检验: 无自由度\n",
    "平差后点位",
    "点名   类别           X (m)            Y (m)   mX(mm)   mY(mm)    M(mm)    E(mm)    F(mm)  E方位(d.mmss)",
    "点名   类别           H (m)   mH(mm)",
    "无精度记录",
    "观测点对相对误差",
    "起点   终点   纵向(mm)   横向(mm)  方位(d.mmss)  边长 (m)    相对误差",
    "起点   终点    mdH(mm)",
    "观测值残差",
    "测站   照准   类型 等级     观测值         平差值       残差       r       w",
    "标准化残差大于 %.2f 者以 '!' 标出: %d 个\n",
    "未保留权与协因数 (单次平差): 无多余观测分量\n",
    "方向残差相对于各测站的平差定向角\n",
};

class Out {
public:
    explicit Out(std::FILE* f) : f_(f) {}
    void Print(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        if (std::vfprintf(f_, format, args) < 0) failed_ = true;
        va_end(args);
    }
    bool Failed() const { return failed_ || std::ferror(f_) != 0; }

private:
    std::FILE* f_;
    bool failed_ = false;
};

// Value of an observation for the table: d.mmss for angles, metres otherwise.
std::string Value(char kind, double value) {
    if (kind == 'c' || kind == 'a' || kind == 'z' || kind == 'b') return FormatDms(value, 2);
    char text[48];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

bool IsAngle(char kind) { return kind == 'c' || kind == 'a' || kind == 'z' || kind == 'b'; }

// Name padded to width columns (names may hold multi-byte characters).
std::string Pad(const std::string& name, size_t width) {
    size_t columns = 0;
    for (const char c : name) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return name + std::string(columns < width ? width - columns : 0, ' ');
}

void UnitWeight(Out& out, const Texts& t, const Results& results, const ResidualAnalysis& a) {
    const bool height = results.Height();
    const double scale = height ? 1000.0 : RadToSec;
    const char* unit = height ? " mm" : "\"";
    out.Print("\n%s\n", t.unitWeight);
    out.Print("  m0  = %.3f%s  (%s)\n", a.prior * scale, unit, t.prior);
    out.Print("  m0' = %.3f%s  (%s)\n", a.posterior * scale, unit, t.posterior);
    if (!a.hasCofactors) {
        out.Print("  %s", t.noCofactors);
        return;
    }
    out.Print("  %s: %d\n", t.dof, a.degreesOfFreedom);
    if (a.degreesOfFreedom > 0) {
        out.Print("  ");
        out.Print(t.globalTest, a.testValue, a.lower, a.upper, a.accepted ? t.accepted : t.rejected);
    } else {
        out.Print("  %s", t.noTest);
    }
}

void Points(Out& out, const Texts& t, const Results& results) {
    const bool height = results.Height();
    out.Print("\n%s\n%s\n", t.points, height ? t.pointHeadHeight : t.pointHeadPlane);
    for (int i = 1; size_t(i) < results.points.size(); ++i) {
        const zrPointResult& p = results.points[size_t(i)];
        const int cls = height ? p.heightClass : p.planeClass;
        if (cls != 0 && cls != 2) continue;
        out.Print("%s %d%d ", Pad(results.Name(i), 6).c_str(), p.planeClass, p.heightClass);
        const zrPrecisionRecord* r = results.PointRecord(i);
        if (height) {
            out.Print("%16.4f ", p.h);
            if (r) {
                out.Print("%8.2f\n", r->a * 1000.0);
            } else {
                out.Print("%s\n", t.noRecord);
            }
            continue;
        }
        out.Print("%16.4f %16.4f ", p.x, p.y);
        if (!r) {
            out.Print("%s\n", t.noRecord);
            continue;
        }
        // Standard deviations in X and Y from the ellipse: E along azimuth phi, F across.
        const double e = r->a, f = r->b, phi = r->c;
        const double mx = std::sqrt(e * e * std::cos(phi) * std::cos(phi) + f * f * std::sin(phi) * std::sin(phi));
        const double my = std::sqrt(e * e * std::sin(phi) * std::sin(phi) + f * f * std::cos(phi) * std::cos(phi));
        double az = std::fmod(phi, Pi);
        if (az < 0.0) az += Pi;
        out.Print("%8.2f %8.2f %8.2f %8.2f %8.2f  %s\n", mx * 1000.0, my * 1000.0, std::hypot(e, f) * 1000.0,
                  e * 1000.0, f * 1000.0, FormatDms(az, 0).c_str());
    }
}

void Pairs(Out& out, const Texts& t, const Results& results) {
    const bool height = results.Height();
    bool any = false;
    for (const zrPrecisionRecord& r : results.precision) {
        if (r.type != 2) continue;
        if (!any) out.Print("\n%s\n%s\n", t.pairs, height ? t.pairHeadHeight : t.pairHeadPlane);
        any = true;
        out.Print("%s %s ", Pad(results.Name(r.p1), 6).c_str(), Pad(results.Name(r.p2), 6).c_str());
        if (height) {
            out.Print("%8.2f\n", r.a * 1000.0);
            continue;
        }
        const zrPointResult& a = results.points[size_t(r.p1)];
        const zrPointResult& b = results.points[size_t(r.p2)];
        const double d = std::hypot(b.x - a.x, b.y - a.y);
        out.Print("%9.2f %10.2f  %s %11.3f", r.a * 1000.0, r.b * 1000.0, FormatDms(r.c, 0).c_str(), d);
        if (r.a > 0.0 && d > 0.0) {
            out.Print("   1/%.0f\n", d / r.a);
        } else {
            out.Print("\n");
        }
    }
}

void Residuals(Out& out, const Texts& t, const Results& results, const ResidualAnalysis& a, double limit) {
    out.Print("\n%s\n", t.residuals);
    if (!results.Height() && !results.summary.angleMode) out.Print("%s", t.directionsNote);
    out.Print("%s\n", t.residualHead);
    int flagged = 0;
    for (const ResidualRow& r : a.rows) {
        const zrObservationResult& o = r.row->obs;
        const bool angle = IsAngle(o.kind);
        const double shown = angle ? r.residual * RadToSec : r.residual * 1000.0;
        out.Print("%s %s %c    %d %15s %15s %9.2f%s", Pad(results.Name(r.row->station), 7).c_str(),
                  Pad(results.Name(o.target), 6).c_str(), o.kind, o.obsClass, Value(o.kind, o.value).c_str(),
                  Value(o.kind, o.value + r.residual).c_str(), shown, angle ? "\"" : "mm");
        if (std::isnan(r.redundancy)) {
            out.Print("\n");
            continue;
        }
        out.Print(" %6.3f", r.redundancy);
        if (std::isnan(r.normalised)) {
            out.Print("       -\n");
            continue;
        }
        const bool flag = std::fabs(r.normalised) > limit;
        flagged += flag;
        out.Print(" %7.2f%s\n", r.normalised, flag ? " !" : "");
    }
    if (a.hasCofactors) out.Print(t.flagged, limit, flagged);
}

}  // namespace

std::string FormatDms(double radians, int secondDecimals) {
    const bool negative = radians < 0.0;
    const double unit = std::pow(10.0, secondDecimals);
    // Rounded once in units of the last decimal, so that the rounding carries into minutes.
    const long long whole = std::llround(std::fabs(radians) * RadToSec * unit);
    const long long perMinute = 60LL * (long long)unit;
    const long long degrees = whole / (60 * perMinute);
    const long long minutes = whole / perMinute % 60;
    const long long rest = whole % perMinute;
    std::string seconds2 = std::to_string(rest);
    seconds2.insert(0, size_t(std::max(0, secondDecimals + 2 - int(seconds2.size()))), '0');
    char head[64];
    std::snprintf(head, sizeof head, "%s%lld.%02lld", negative ? "-" : "", degrees, minutes);
    return head + seconds2;
}

void WriteListing(const Results& results, const std::string& path, bool chinese, double limit) {
    const Texts& t = chinese ? Chinese : English;
    const bool toStdout = path.empty() || path == "-";
    std::FILE* f = toStdout ? stdout : std::fopen(path.c_str(), "w");
    if (!f) throw Failure("cannot write the listing to '" + path + "'");
    Out out(f);
    const ResidualAnalysis analysis = AnalyseResiduals(results);
    out.Print("%s - %s\n", t.title, results.Height() ? t.height : t.plane);
    UnitWeight(out, t, results, analysis);
    Points(out, t, results);
    Pairs(out, t, results);
    Residuals(out, t, results, analysis, limit);
    const bool flushed = std::fflush(f) == 0;
    const bool failed = out.Failed() || !flushed || (!toStdout && std::fclose(f) != 0);
    if (failed) throw Failure("could not write the whole listing to '" + path + "'");
}

}  // namespace quenvar_cli
