// The result list window: a list of report entries under their column heading, a detail list
// for the selected entry (the extra line first), a chart of it, and a save button that writes
// the whole report. The window is behaviour only; a WindowHost shows it and runs its modal
// loop, and destroying the window is what closing it means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/report_file.h"
#include "report/report_lines.h"
#include "ui/drawing_surface.h"
#include "ui/window_host.h"

namespace quenvar {

class ResultListWindow {
public:
    // The entry list is taken from reports.reportLines now; the callbacks stay with the window
    // until it is destroyed. Either callback may be empty.
    ResultListWindow(ReportBuffers& reports, std::string heading, std::string extra, DetailCallback detail,
                     ChartCallback chart);
    // Tells the detail callback that the window goes away (index -999), then empties the
    // report and detail lines.
    ~ResultListWindow();
    ResultListWindow(const ResultListWindow&) = delete;
    ResultListWindow& operator=(const ResultListWindow&) = delete;

    const std::string& Caption() const { return caption_; }
    const std::string& Heading() const { return heading_; }
    const std::string& Extra() const { return extra_; }
    // Line 0 is the column heading, lines 1... the report entries.
    const std::vector<std::string>& EntryList() const { return entries_; }
    const std::vector<std::string>& DetailList() const { return details_; }

    // Selection of entry-list line `line`: the heading (0) or a line outside the list changes
    // nothing and gives false. An entry replaces the detail list by the extra line and, when
    // there is a detail callback, by the entry's detail lines whatever the callback returns.
    bool Select(int line);
    // Draws the chart of entry-list line `line` into a chart area of clientWidth x
    // clientHeight pixels (the callback gets 32 fewer in width and 12 fewer in height). Only
    // windows with both callbacks draw. Nonzero when something was drawn.
    int DrawChart(int line, DrawingSurface& surface, int clientWidth, int clientHeight);
    // The save button: the report with the window's caption as its title, written to path.
    // Nothing happens without report lines. 1 when written.
    int Save(const char* path);
    // The save button as a user presses it: with report lines, the save-file dialog of host
    // ("txt", "Zorek结果文件(*.txt)|*.txt||") and, when a name is confirmed, Save. 1 when
    // written.
    int PressSave(WindowHost& host);
    // The text Save writes; empty without report lines.
    std::string ReportText();

private:
    ReportBuffers& reports_;
    std::string caption_ = "结果";
    std::string heading_;
    std::string extra_;
    DetailCallback detail_;
    ChartCallback chart_;
    std::vector<std::string> entries_;
    std::vector<std::string> details_;
};


}  // namespace quenvar
