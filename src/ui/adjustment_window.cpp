#include "ui/adjustment_window.h"

#include <utility>

#include "adjust/adjustment_driver.h"
#include "adjust/method_dialog.h"
#include "approx/calculate.h"
#include "geom/angles.h"
#include "netdb/database_file.h"
#include "netdb/editor_text.h"
#include "report/network_summary.h"
#include "ui/messenger.h"
#include "ui/window_host.h"

namespace quenvar {

namespace {

constexpr const char* EditorHelpText =
    "先进行‘平面闭合差’计算，再进行‘高程闭合差’计算。\n确认不超限后，进行‘平差’";
constexpr const char* SaveQuestion = "是否保存平差结果";
constexpr const char* SaveCaption = "Zorek平差";
// Caption of the application's own message boxes.
constexpr const char* ApplicationCaption = "quenvar";

}  // namespace

CAdjustmentWnd::CAdjustmentWnd(EditorServices& services, std::string text)
    : Dialog(DlgAdjustmentWindow, ""), s_(services), text_(std::move(text)) {
    AddButton(IdCancel, "取消");
    AddButton(IdPlaneClosures, "平面闭合差");
    AddButton(IdHeightClosures, "高程闭合差");
    AddButton(IdOk, "平差");
    AddButton(IdEditorHelp, "帮助");
    Add({.id = IdEditorText, .kind = ControlKind::Edit, .text = text_, .multiLine = true});
}

void CAdjustmentWnd::OnInitDialog() {
    // The window's size follows the host's main window, which the library does not have: the
    // layout is left to whoever shows it. The settings of the window are set as it opens.
    s_.net.hdr.dirSigma = float(DmsToRadians(0.002));  // 20 seconds of arc
    s_.net.hdr.levelSigma = 0.05f;                     // metres
}

void CAdjustmentWnd::ApplyText() {
    text_ = At(IdEditorText).text;
    ApplyEditorText(s_.net, s_.ui, text_, s_.scratchPath);
}

void CAdjustmentWnd::Adjust() {
    ApplyText();
    Network& net = s_.net;
    net.hdr.heightMode = 0;
    int plane = Calculate(net, s_.ui);
    if (plane > 0) plane = AdjustmentMethodDialog(net, s_.ui, s_.reports, s_.windows, s_.methodState, this);

    net.hdr.heightMode = 1;
    if (plane > 0 && Calculate(net, s_.ui) != 0) {
        ApplyAdjustmentDefaults(net, s_.reports);
        AdjustWithMessages(net, s_.ui, s_.reports, 0, 1);
    }
    if (plane != 0 && s_.ui.Box(SaveQuestion, SaveCaption, MsgQuestion) != 0) {
        text_ = At(IdEditorText).text;
        EndDialog(IdOk);
    }
}

void CAdjustmentWnd::OnCommand(int id) {
    switch (id) {
    case IdEditorHelp:
        s_.ui.Box(EditorHelpText, ApplicationCaption, MsgInfo);
        break;
    case IdPlaneClosures:
    case IdHeightClosures:
        ApplyText();
        if (s_.showClosures) s_.showClosures(id == IdPlaneClosures ? 0 : 1, *this);
        break;
    case IdOk:
        Adjust();
        break;
    case IdCancel:
        EndDialog(IdCancel);
        break;
    default:
        break;
    }
}

int OnTextEditor(EditorServices& services, const char* loadPath, const char* savePath) {
    int result = IdCancel;
    if (LoadDatabase(services.net, services.ui, loadPath) == 2) {
        std::string text;
        BuildEditorText(services.net, text);
        CAdjustmentWnd window(services, std::move(text));
        result = DoModal(services.windows, window);
        if (result == IdOk) SaveDatabase(services.net, services.ui, savePath ? savePath : "", 1);
    }
    FreeDatabase(services.net);
    return result;
}

}  // namespace quenvar
