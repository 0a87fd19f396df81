#include "results.h"

#include <algorithm>
#include <cstdio>

#include "console.h"

namespace quenvar_cli {

std::string Results::Name(int point) const {
    if (point < 1 || size_t(point) >= points.size()) return {};
    return ToUtf8(points[size_t(point)].name);
}

const zrPrecisionRecord* Results::PointRecord(int point) const {
    if (point < 1 || size_t(point) >= pointRecord.size() || pointRecord[size_t(point)] < 0) return nullptr;
    return &precision[size_t(pointRecord[size_t(point)])];
}

Results ReadResults(bool observations) {
    Results r;
    if (zrGetResultSummary(&r.summary) != 1) return r;
    r.points.resize(size_t(r.summary.pointCount) + 1);
    for (int i = 1; i <= r.summary.pointCount; ++i) zrGetPoint(i, &r.points[size_t(i)]);
    if (observations) r.observations.reserve(size_t(std::max(r.summary.obsCount, 0)));
    // Each chain is walked with a bound, so a damaged chain cannot loop.
    for (int s = 1; observations && s <= r.summary.pointCount; ++s) {
        int guard = r.summary.obsCount;
        for (int o = r.points[size_t(s)].firstObs; o != 0 && guard-- >= 0;) {
            ObservationRow row{o, s, {}};
            if (zrGetObservation(o, &row.obs) != 1) break;
            r.observations.push_back(row);
            o = row.obs.next;
        }
    }
    r.precision.resize(size_t(r.summary.precisionCount) + (r.summary.precisionCount > 0 ? 1 : 0));
    r.pointRecord.assign(r.points.size(), -1);
    for (size_t k = 0; k < r.precision.size(); ++k) {
        zrGetPrecisionRecord(int(k), &r.precision[k]);
        const zrPrecisionRecord& rec = r.precision[k];
        if (rec.type == 1 && rec.p1 > 0 && size_t(rec.p1) < r.points.size()) r.pointRecord[size_t(rec.p1)] = int(k);
    }
    return r;
}

std::vector<int> LeftOutPoints(const Results& before, const Results& results, bool afterAdjustment) {
    std::vector<int> left;
    for (int i = 1; size_t(i) < results.points.size() && size_t(i) < before.points.size(); ++i) {
        const zrPointResult& p = results.points[size_t(i)];
        const zrPointResult& given = before.points[size_t(i)];
        const int cls = results.Height() ? given.heightClass : given.planeClass;
        if (cls != 0 && cls != 2) continue;
        const bool has = results.Height() ? p.hasHeight : p.hasPosition;
        if (!has || (afterAdjustment && !results.PointRecord(i))) left.push_back(i);
    }
    return left;
}

int ReportLeftOut(const std::vector<int>& left, const Results& results, bool afterAdjustment, bool allowIncomplete) {
    if (left.empty()) return 0;
    std::string names;
    for (int i : left) names += " " + results.Name(i);
    const char* what = afterAdjustment ? "took no part in the adjustment" : "could not be computed";
    std::fprintf(stderr, "quenvar: %zu point(s) %s:%s\n", left.size(), what, names.c_str());
    if (allowIncomplete) return 0;
    std::fprintf(stderr, "quenvar: the results are incomplete (exit status 3); give --allow-incomplete to accept them\n");
    return 3;
}

}  // namespace quenvar_cli
