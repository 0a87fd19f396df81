// The adjustment method dialogs: 106 for the plane network, 107 for the height network. The
// user chooses the method, the iteration count, direction or angle adjustment and the a-priori
// errors, and either starts the adjustment or only keeps the settings.
#pragma once

#include <array>
#include <cstdint>

#include "ui/dialog.h"

namespace quenvar {

struct Network;
class Messenger;
struct ReportBuffers;
class WindowHost;

// What the dialogs keep between openings.
struct MethodDialogState {
    int16_t methodCode = 0;
    int16_t iterationCount = 1;
    int16_t startFlag = 0;
    // The texts of the a-priori error edits, in the order of their ids (205 upwards).
    std::array<std::array<char, 20>, 6> errorTexts{};
};

inline constexpr int DlgPlaneMethod = 106;
inline constexpr int DlgHeightMethod = 107;

// Control ids shared by both dialogs.
inline constexpr int IdStatusReport = 101;
inline constexpr int IdIterations = 102;
inline constexpr int IdMethodList = 103;
inline constexpr int IdConfirmSettings = 107;
inline constexpr int IdDirectionMode = 111;
inline constexpr int IdAngleMode = 112;
inline constexpr int IdFirstErrorEdit = 205;
inline constexpr int IdHelp = 666;

// Help contexts of the two dialogs in the host application's help.
inline constexpr uint32_t HelpPlaneMethod = 0x2006A;
inline constexpr uint32_t HelpHeightMethod = 0x2006B;

class CAdjustmentMethodDlg final : public Dialog {
public:
    // The dialog of the network kind in net.hdr.heightMode.
    CAdjustmentMethodDlg(Network& net, Messenger& ui, ReportBuffers& reports, WindowHost& windows,
                         MethodDialogState& state);

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    bool Height() const { return TemplateId() == DlgHeightMethod; }
    void ShowErrors();
    void ReadSettings();

    Network& net_;
    Messenger& ui_;
    ReportBuffers& reports_;
    WindowHost& windows_;
    MethodDialogState& state_;
};

// Opens the dialog of the current network kind; when it was closed with "开始平差", runs the
// adjustment with the chosen method and iteration count (and the second stage of a
// third-class analysis). 1 when an adjustment ran and succeeded, else 0.
int AdjustmentMethodDialog(Network& net, Messenger& ui, ReportBuffers& reports, WindowHost& windows,
                           MethodDialogState& state, Dialog* parent = nullptr);

}  // namespace quenvar
