#include "ui/terminal_windows.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "ui/result_list_window.h"
#include "ui/terminal_text.h"
#include "ui/text_sketch.h"

namespace quenvar {

namespace {

// Keys: letters for fields, lists and radio buttons, digits for push buttons, in template order.
char KeyOf(const Dialog& dialog, const Control& control) {
    char letter = 'a';
    char digit = '1';
    for (const Control& c : dialog.Controls()) {
        if (!c.visible) continue;
        if (&c == &control) return c.kind == ControlKind::Button ? digit : letter;
        if (c.kind == ControlKind::Button) {
            ++digit;
        } else {
            ++letter;
        }
    }
    return '?';
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (char ch : text) lines += ch == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}

// Runs the editor on path with the terminal; true when it ended normally with status 0.
bool RunEditor(const std::string& path) {
    const std::string command = EditorCommand() + " \"$1\"";
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), "sh", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string EditorCommand() {
    for (const char* name : {"VISUAL", "EDITOR"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    if (access("/usr/bin/sensible-editor", X_OK) == 0) return "/usr/bin/sensible-editor";
    return "vi";
}

bool TerminalWindows::ReadLine(const char* prompt, std::string& line) {
    std::fputs(prompt, out_);
    std::fflush(out_);
    line.clear();
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, in_)) {
        line += buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
    }
    return !line.empty();
}

void TerminalWindows::Draw(const Dialog& dialog) {
    std::fprintf(out_, "\n== %s [%d] ==\n", GbkToLocal(dialog.Caption().c_str()).c_str(), dialog.TemplateId());
    std::string buttons;
    for (const Control& c : dialog.Controls()) {
        if (!c.visible) continue;
        const char key = c.enabled ? KeyOf(dialog, c) : '-';
        const std::string text = GbkToLocal(c.text.c_str());
        if (c.kind == ControlKind::Button) {
            buttons += std::string("  [") + key + "] " + text;
            continue;
        }
        std::string value;
        switch (c.kind) {
        case ControlKind::Edit:
            value = c.multiLine ? "(" + std::to_string(CountLines(c.text)) + " lines, opens in the editor)" : text;
            break;
        case ControlKind::List:
            value = c.selection >= 0 ? GbkToLocal(c.items[size_t(c.selection)].c_str()) : "(none)";
            break;
        case ControlKind::Radio:
            value = std::string(c.checked ? "(*) " : "( ) ") + text;
            break;
        case ControlKind::Button:
            break;
        }
        const std::string label = c.label.empty() ? "" : GbkToLocal(c.label.c_str()) + ": ";
        std::fprintf(out_, "  %c  %s%s\n", key, label.c_str(), value.c_str());
    }
    std::fprintf(out_, "%s\n", buttons.c_str());
}

void TerminalWindows::EditText(Dialog& dialog, const Control& control) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/quenvar-edit-XXXXXX.txt";
    const int fd = mkstemps(path.data(), 4);
    if (fd < 0) {
        std::fprintf(out_, "cannot create a file for the editor in '%s'\n", path.c_str());
        return;
    }
    const std::string shown = GbkToLocal(ToUnixLines(control.text).c_str());
    const bool written = write(fd, shown.data(), shown.size()) == ssize_t(shown.size());
    close(fd);
    std::fflush(out_);
    if (written && RunEditor(path)) {
        std::ifstream file(path, std::ios::binary);
        const std::string edited((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        dialog.SetText(control.id, ToDosLines(LocalToGbk(edited)));
    } else {
        std::fprintf(out_, "the editor '%s' did not finish normally; the text is unchanged\n",
                     EditorCommand().c_str());
    }
    unlink(path.c_str());
}

void TerminalWindows::Act(Dialog& dialog, const Control& control) {
    std::string line;
    switch (control.kind) {
    case ControlKind::Button:
        dialog.Press(control.id);
        break;
    case ControlKind::Radio:
        dialog.Check(control.id);
        break;
    case ControlKind::Edit:
        if (control.multiLine) {
            EditText(dialog, control);
        } else {
            const std::string prompt =
                GbkToLocal(control.label.c_str()) + " [" + GbkToLocal(control.text.c_str()) + "] (Enter keeps): ";
            if (ReadLine(prompt.c_str(), line) && !line.empty()) dialog.SetText(control.id, LocalToGbk(line));
        }
        break;
    case ControlKind::List: {
        for (size_t i = 0; i < control.items.size(); ++i) {
            std::fprintf(out_, "  %3zu  %s\n", i + 1, GbkToLocal(control.items[i].c_str()).c_str());
        }
        if (!ReadLine("number (Enter keeps): ", line) || line.empty()) break;
        char* end = nullptr;
        const long n = std::strtol(line.c_str(), &end, 10);
        if (*end != '\0' || !dialog.Select(control.id, int(n) - 1)) std::fprintf(out_, "no item %s\n", line.c_str());
        break;
    }
    }
}

void TerminalWindows::RunModal(Dialog& dialog, Dialog* /*parent*/) {
    std::string line;
    while (!dialog.Ended()) {
        Draw(dialog);
        if (!ReadLine("key> ", line)) {
            std::fputc('\n', out_);
            return;
        }
        const Control* chosen = nullptr;
        for (const Control& c : dialog.Controls()) {
            if (c.visible && c.enabled && line.size() == 1 && KeyOf(dialog, c) == line[0]) chosen = &c;
        }
        if (!chosen) {
            if (!line.empty()) std::fprintf(out_, "no control has the key '%s'\n", line.c_str());
            continue;
        }
        Act(dialog, *chosen);
    }
}

void TerminalWindows::ShowEntry(ResultListWindow& window, int line) {
    if (!window.Select(line)) {
        std::fprintf(out_, "no entry %d\n", line);
        return;
    }
    for (const std::string& detail : window.DetailList()) std::fprintf(out_, "  %s\n", GbkToLocal(detail.c_str()).c_str());
    // The chart area of the window (177 x 204 dialog units) at about two pixels a unit, in
    // characters about twice as high as wide.
    constexpr int Width = 354, Height = 408, Columns = 48, Rows = 28;
    TextSketch sketch(Width, Height, Columns, Rows);
    if (window.DrawChart(line, sketch, Width, Height) == 0 || sketch.Empty()) return;
    const std::string border = "  +" + std::string(Columns, '-') + "+\n";
    std::fputs(border.c_str(), out_);
    for (const std::string& row : sketch.Rows()) std::fprintf(out_, "  |%s\n", GbkToLocal(row.c_str()).c_str());
    std::fputs(border.c_str(), out_);
}

void TerminalWindows::RunResultList(ResultListWindow& window) {
    std::string line;
    while (true) {
        std::fprintf(out_, "\n== %s ==\n", GbkToLocal(window.Caption().c_str()).c_str());
        const std::vector<std::string>& entries = window.EntryList();
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::string text = GbkToLocal(entries[i].c_str());
            if (i == 0) {
                std::fprintf(out_, "       %s\n", text.c_str());
            } else {
                std::fprintf(out_, "  %3zu  %s\n", i, text.c_str());
            }
        }
        if (!ReadLine("entry number, s saves, Enter closes> ", line) || line.empty()) {
            std::fputc('\n', out_);
            return;
        }
        if (line == "s") {
            std::fputs(window.PressSave(*saveDialogs_) == 1 ? "report saved\n" : "no report written\n", out_);
            continue;
        }
        char* end = nullptr;
        const long n = std::strtol(line.c_str(), &end, 10);
        if (*end != '\0') {
            std::fprintf(out_, "no entry %s\n", line.c_str());
            continue;
        }
        ShowEntry(window, int(n));
    }
}

bool TerminalWindows::ChooseSaveFile(const SaveFileRequest& request, std::string& path) {
    const std::string prompt = "save as (*." + request.defaultExtension + ", Enter cancels): ";
    std::string line;
    if (!ReadLine(prompt.c_str(), line) || line.empty()) return false;
    const size_t slash = line.find_last_of('/');
    const size_t dot = line.find_last_of('.');
    if (!request.defaultExtension.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash))) {
        line += "." + request.defaultExtension;
    }
    path = line;  // the file system takes the name as typed
    return true;
}

void TerminalWindows::ShowHelp(uint32_t context, int /*command*/) {
    std::fprintf(out_, "help: no help application is available (topic 0x%X)\n", unsigned(context));
}

}  // namespace quenvar
