// A WindowHost for tests: every window that opens is handed to the next step of a script, which
// acts on it as a user would; opened windows, help requests and save-file requests are recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/result_list_window.h"
#include "ui/window_host.h"

namespace quenvar::testing {

class ScriptedWindows final : public WindowHost {
public:
    using Step = std::function<void(Dialog&)>;

    std::deque<Step> steps;
    std::vector<int> opened;  // template ids in the order the windows opened
    std::vector<Dialog*> parents;
    std::vector<std::pair<uint32_t, int>> helpRequests;
    std::deque<std::string> savePaths;  // answers of the save-file dialog; empty cancels

    ScriptedWindows& Then(Step step) {
        steps.push_back(std::move(step));
        return *this;
    }

    void RunResultList(ResultListWindow& /*window*/) override {}
    void RunModal(Dialog& dialog, Dialog* parent) override {
        opened.push_back(dialog.TemplateId());
        parents.push_back(parent);
        if (steps.empty()) return;
        Step step = std::move(steps.front());
        steps.pop_front();
        step(dialog);
    }
    bool ChooseSaveFile(const SaveFileRequest& /*request*/, std::string& path) override {
        if (savePaths.empty()) return false;
        path = savePaths.front();
        savePaths.pop_front();
        return !path.empty();
    }
    void ShowHelp(uint32_t context, int command) override { helpRequests.emplace_back(context, command); }
};

// Script steps that press one button.
inline ScriptedWindows::Step PressStep(int id) {
    return [id](Dialog& d) { d.Press(id); };
}

}  // namespace quenvar::testing
