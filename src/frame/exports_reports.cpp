#include "frame/library_state.h"
#include "quenvar.h"

using namespace quenvar;

extern "C" int zrReportOnNetwork(const char* /*path*/) { return 0; }

extern "C" int zrReportOnAdjusetment(const char* /*path*/) { return 0; }

extern "C" int zrRawAnalyseAfterAdj(const char* /*path*/) { return 0; }

extern "C" int zrReportOnPointAdj(const char* /*path*/) { return 0; }

extern "C" int zrReportOnObserveAdj(const char* /*path*/) { return 0; }
