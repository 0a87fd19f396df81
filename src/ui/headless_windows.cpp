#include "ui/headless_windows.h"

#include <string>

#include "ui/result_list_window.h"
#include "ui/terminal_text.h"

namespace quenvar {

void PrintResultReport(ResultListWindow& window, std::FILE* out) {
    const std::string local = GbkToLocal(window.ReportText().c_str());
    std::fwrite(local.data(), 1, local.size(), out);
    std::fflush(out);
}

void HeadlessWindows::RunResultList(ResultListWindow& window) { PrintResultReport(window, stdout); }

void HeadlessWindows::RunModal(Dialog& dialog, Dialog* /*parent*/) {
    dialog.Press(IdOk);
    dialog.EndDialog(IdCancel);
}

bool HeadlessWindows::ChooseSaveFile(const SaveFileRequest& /*request*/, std::string& /*path*/) { return false; }

void HeadlessWindows::ShowHelp(uint32_t /*context*/, int /*command*/) {}

}  // namespace quenvar
