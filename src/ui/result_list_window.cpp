#include "ui/result_list_window.h"

#include <utility>

namespace quenvar {

namespace {

// The index that tells a detail callback that its window goes away.
constexpr int16_t WindowClosing = -999;

}  // namespace

ResultListWindow::ResultListWindow(ReportBuffers& reports, std::string heading, std::string extra,
                                   DetailCallback detail, ChartCallback chart)
    : reports_(reports),
      heading_(std::move(heading)),
      extra_(std::move(extra)),
      detail_(std::move(detail)),
      chart_(std::move(chart)) {
    entries_.reserve(reports_.reportLines.size() + 1);
    entries_.push_back(heading_);
    entries_.insert(entries_.end(), reports_.reportLines.begin(), reports_.reportLines.end());
}

ResultListWindow::~ResultListWindow() {
    if (detail_) detail_(WindowClosing);
    detail_ = nullptr;
    chart_ = nullptr;
    reports_.detailLines.clear();
    reports_.reportLines.clear();
}

bool ResultListWindow::Select(int line) {
    const int k = line - 1;
    if (k < 0 || line >= int(entries_.size())) return false;
    details_.assign(1, extra_);
    if (detail_) {
        detail_(int16_t(k));
        details_.insert(details_.end(), reports_.detailLines.begin(), reports_.detailLines.end());
    }
    return true;
}

int ResultListWindow::DrawChart(int line, DrawingSurface& surface, int clientWidth, int clientHeight) {
    const int k = line - 1;
    if (k < 0 || line >= int(entries_.size()) || !detail_ || !chart_) return 0;
    return chart_(int16_t(k), surface, clientWidth - 32, clientHeight - 12) != 0 ? 1 : 0;
}

int ResultListWindow::Save(const char* path) {
    if (reports_.reportLines.empty()) return 0;
    return WriteReportFile(reports_, path, caption_.c_str(), heading_.c_str(), extra_.c_str(), detail_);
}

int ResultListWindow::PressSave(WindowHost& host) {
    if (reports_.reportLines.empty()) return 0;
    std::string path;
    if (!host.ChooseSaveFile({"txt", "", "Zorek结果文件(*.txt)|*.txt||"}, path)) return 0;
    return Save(path.c_str());
}

std::string ResultListWindow::ReportText() {
    return FormatReport(reports_, caption_.c_str(), heading_.c_str(), extra_.c_str(), detail_);
}

}  // namespace quenvar
