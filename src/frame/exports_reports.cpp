#include <string>

#include "frame/library_state.h"
#include "quenvar.h"
#include "report/error_statistics.h"
#include "report/network_summary.h"
#include "report/precision_report.h"
#include "report/reliability_report.h"
#include "report/report_file.h"
#include "ui/profile_file.h"

using namespace quenvar;

namespace {

// Builds a report text on the library's network and writes it unchanged to path; 1 when
// written, 0 when the path cannot be opened (nothing is written then).
template <typename Build>
int WriteBuiltReport(const char* entry, const char* path, Build build) {
    return Guarded(entry, 0, [path, build] {
        LibraryState& lib = Library();
        std::string text;
        build(lib, text);
        return WriteTextFile(path, text);
    });
}

}  // namespace

extern "C" int zrReportOnNetwork(const char* path) {
    return WriteBuiltReport("zrReportOnNetwork", path, [](LibraryState& lib, std::string& text) {
        BuildNetworkSummary(lib.net, lib.reports, text);
    });
}

extern "C" int zrReportOnAdjusetment(const char* path) {
    return WriteBuiltReport("zrReportOnAdjusetment", path, [](LibraryState& lib, std::string& text) {
        BuildPrecisionReport(lib.net, lib.reports, text);
    });
}

extern "C" int zrRawAnalyseAfterAdj(const char* path) {
    return Guarded("zrRawAnalyseAfterAdj", 0, [path] {
        LibraryState& lib = Library();
        return WriteReliabilityReport(lib.net, lib.ui, lib.reports, path, ProfilePath());
    });
}

extern "C" int zrReportOnPointAdj(const char* path) {
    return Guarded("zrReportOnPointAdj", 0, [path] {
        LibraryState& lib = Library();
        return WriteErrorStatistics(lib.net, lib.ui, lib.reports, ErrorTable::Points, path);
    });
}

extern "C" int zrReportOnObserveAdj(const char* path) {
    return Guarded("zrReportOnObserveAdj", 0, [path] {
        LibraryState& lib = Library();
        return WriteErrorStatistics(lib.net, lib.ui, lib.reports, ErrorTable::Pairs, path);
    });
}
