#include <string>

#include "frame/library_state.h"
#include "quenvar.h"
#include "report/network_summary.h"
#include "report/precision_report.h"
#include "report/report_file.h"

using namespace quenvar;

extern "C" int zrReportOnNetwork(const char* path) {
    return Guarded(0, [path] {
        LibraryState& lib = Library();
        std::string text;
        BuildNetworkSummary(lib.net, lib.reports, text);
        return WriteTextFile(path, text);
    });
}

extern "C" int zrReportOnAdjusetment(const char* path) {
    return Guarded(0, [path] {
        LibraryState& lib = Library();
        std::string text;
        BuildPrecisionReport(lib.net, lib.reports, text);
        return WriteTextFile(path, text);
    });
}

extern "C" int zrRawAnalyseAfterAdj(const char* /*path*/) { return 0; }

extern "C" int zrReportOnPointAdj(const char* /*path*/) { return 0; }

extern "C" int zrReportOnObserveAdj(const char* /*path*/) { return 0; }
