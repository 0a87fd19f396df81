#include "closure/closure_table.h"

#include <cmath>
#include <utility>

#include "approx/calculate.h"
#include "closure/loop_closures.h"
#include "closure/loop_search.h"
#include "geom/angles.h"
#include "report/format_text.h"
#include "ui/messenger.h"

namespace quenvar {

namespace {

constexpr uint8_t ClosureNotAllowed = 0x08;  // bit 3 of defaultObsFlags
constexpr float DefaultDirSigma = 9.697e-5f;  // 20.0 arc-seconds, radians
constexpr float DefaultLevelSigma = 0.01f;    // metres per root kilometre
constexpr float DefaultLimitFactor = 2.0f;
// The standard error of an angle formed from two directions, in units of a direction's.
constexpr long double AngleFromDirections = 1.41421L;

}  // namespace

int16_t ComputeClosures(ClosureContext& c, int kind, double& sigma) {
    Network& net = c.net;
    NetHeader& hdr = net.hdr;
    hdr.heightMode = uint16_t(kind);
    Calculate(net, c.ui);
    if ((hdr.defaultObsFlags & ClosureNotAllowed) != 0 || hdr.designMode != 0) {
        ShowMessage(c.ui, "您的环境设置不允许进行闭合差计算", 0, MsgInfo);
        return 0;
    }
    // Adjustment results are no longer current.
    if (!net.ellipses.empty() && hdr.ellipseCount != 0) net.ellipses.clear();
    hdr.optionFlags = uint16_t(hdr.optionFlags & ~OptionResultBits);
    hdr.ellipseCount = 0;
    c.state.triangleTable.clear();
    if (hdr.dirSigma < 1e-6) hdr.dirSigma = DefaultDirSigma;
    if (hdr.levelSigma < 0.001) hdr.levelSigma = DefaultLevelSigma;

    ClosureState& s = c.state;
    s.loopList.clear();
    s.loopList.resize(size_t(hdr.obsCount) + 1);
    SearchCounts counts{};
    s.loopCount = SearchLoops(net, c.ui, s.loopList, 0, s.triangleTable, kind == 0, counts);
    if (s.loopCount == 0) {
        FreeLoops(s);
        ShowMessage(c.ui, "无闭合差", 0, MsgInfo);
        return 0;
    }
    ComputeAllClosures(net, s);
    c.reports.reportLines.clear();
    sigma = ObservationSigma(s);
    for (int i = 0; i < s.loopCount; ++i) {
        if (const ClosureLoop* loop = s.Loop(i)) {
            FormatClosureLine(net, *loop, i, c.reports.reportLines);
        } else {
            c.reports.reportLines.emplace_back("Unknown...");
        }
    }
    // A factor below 1 is replaced only now: it takes effect at the next computation.
    if (hdr.closureLimitFactor < 1.0f) hdr.closureLimitFactor = DefaultLimitFactor;
    return 1;
}

int ComputeAllClosures(const Network& net, ClosureState& state) {
    for (int i = 0; i < state.loopCount; ++i) {
        ClosureLoop* loop = state.loopList[size_t(i)].get();
        if (loop != nullptr && ComputeLoopClosure(net, *loop, state.triangleTable) == 0) loop->count = 0;
    }
    return 1;
}

double ObservationSigma(const ClosureState& state) {
    double S = 0.0;
    int N = 0;
    for (int i = 0; i < state.loopCount; ++i) {
        const ClosureLoop* loop = state.Loop(i);
        if (loop == nullptr || loop->count == 0 || (loop->Kind() != LoopHeight && loop->Kind() != LoopDirection))
            continue;
        // A route of zero weight reciprocal (set-ups observed as 0) carries no weight.
        if (loop->weightReciprocal == 0.0) continue;
        S += loop->closure * loop->closure / std::fabs(loop->weightReciprocal);
        ++N;
    }
    return N == 0 ? 0.0 : std::sqrt(S / N);
}

void FormatClosureLine(const Network& net, const ClosureLoop& loop, int i, LineList& lines) {
    if (loop.count == 0) {
        lines.emplace_back("Unknown...");
        return;
    }
    const NetHeader& hdr = net.hdr;
    const bool height = hdr.heightMode != 0;
    const long double sigma = height ? (long double)hdr.levelSigma : AngleFromDirections * hdr.dirSigma;
    const double n = std::fabs(loop.weightReciprocal);
    const double limit = double(sigma * std::sqrt((long double)n) * (long double)hdr.closureLimitFactor);
    const double w = loop.closure;
    std::string line = FormatText(" %3d %10.5lf %7.2lf %9.5lf", i + 1, height ? w : RadiansToDms(w), n,
                                  height ? limit : RadiansToDms(limit));
    if (std::fabs(w) > limit) line[0] = '*';
    lines.push_back(std::move(line));
}

void FreeLoops(ClosureState& state) {
    if (!state.loopList.empty()) {
        for (; state.loopCount > 0; --state.loopCount) state.loopList[size_t(state.loopCount) - 1].reset();
        state.loopList.clear();
        state.loopList.shrink_to_fit();
    }
    state.loopCount = 0;
    state.triangleTable.clear();
    state.triangleTable.shrink_to_fit();
}

}  // namespace quenvar
