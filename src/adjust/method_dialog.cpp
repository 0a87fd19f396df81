#include "adjust/method_dialog.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "adjust/adjustment_driver.h"
#include "geom/angles.h"
#include "netdb/network.h"
#include "report/network_summary.h"
#include "report/report_lines.h"
#include "ui/window_host.h"

namespace quenvar {

namespace {

// The method list in code order: the list index is the method code.
constexpr const char* AdjustmentMethods[] = {
    "单次平差", "丹麦法", "带权探测法", "HUBER法", "周江文法", "多粗差后剔", "纯迭代平差", "验后定权法",
};
constexpr const char* DesignMethods[] = {"一般设计", "三类分析"};

// The a-priori error fields behind the edits. The header is packed, so fields are reached by
// name through these accessors, never through pointers.
enum class ErrorField { DistConst, DistPpm, Dir, DistConst4, DistPpm4, Dir4, Level, Level4, Trig, Trig4 };

float GetField(const NetHeader& hdr, ErrorField f) {
    switch (f) {
    case ErrorField::DistConst: return hdr.distSigmaConst;
    case ErrorField::DistPpm: return hdr.distSigmaPpm;
    case ErrorField::Dir: return hdr.dirSigma;
    case ErrorField::DistConst4: return hdr.distSigmaConst4;
    case ErrorField::DistPpm4: return hdr.distSigmaPpm4;
    case ErrorField::Dir4: return hdr.dirSigma4;
    case ErrorField::Level: return hdr.levelSigma;
    case ErrorField::Level4: return hdr.levelSigma4;
    case ErrorField::Trig: return hdr.trigHeightSigma;
    case ErrorField::Trig4: return hdr.trigHeightSigma4;
    }
    return 0.0f;
}

void SetField(NetHeader& hdr, ErrorField f, float v) {
    switch (f) {
    case ErrorField::DistConst: hdr.distSigmaConst = v; break;
    case ErrorField::DistPpm: hdr.distSigmaPpm = v; break;
    case ErrorField::Dir: hdr.dirSigma = v; break;
    case ErrorField::DistConst4: hdr.distSigmaConst4 = v; break;
    case ErrorField::DistPpm4: hdr.distSigmaPpm4 = v; break;
    case ErrorField::Dir4: hdr.dirSigma4 = v; break;
    case ErrorField::Level: hdr.levelSigma = v; break;
    case ErrorField::Level4: hdr.levelSigma4 = v; break;
    case ErrorField::Trig: hdr.trigHeightSigma = v; break;
    case ErrorField::Trig4: hdr.trigHeightSigma4 = v; break;
    }
}

struct ErrorEdit {
    int id;
    ErrorField field;
    const char* format;
    bool dms;      // shown in d.mmss, held in radians
    bool special;  // class-4 group: hidden, disabled without class-4 observations
    const char* group;
    const char* label;
};

constexpr ErrorEdit PlaneEdits[] = {
    {205, ErrorField::DistConst, "%6.4f", false, false, "观测误差先验值", "固定误差"},
    {206, ErrorField::DistPpm, "%6.1f", false, false, "观测误差先验值", "比例误差"},
    {207, ErrorField::Dir, "%8.6lf", true, false, "观测误差先验值", "方向误差"},
    {208, ErrorField::DistConst4, "%6.4f", false, true, "4类观测先验值", "固定误差"},
    {209, ErrorField::DistPpm4, "%6.1f", false, true, "4类观测先验值", "比例误差"},
    {210, ErrorField::Dir4, "%8.6lf", true, true, "4类观测先验值", "方向误差"},
};

// The visible edit 206, labelled "三角高程", holds the class-4 levelling error; the
// trigonometric errors are in the hidden group.
constexpr ErrorEdit HeightEdits[] = {
    {205, ErrorField::Level, "%6.4f", false, false, "高差观测误差先验值", "水准测量"},
    {206, ErrorField::Level4, "%6.4f", false, false, "高差观测误差先验值", "三角高程"},
    {207, ErrorField::Trig, "%6.4f", false, true, "4类观测先验值", "直接高差"},
    {208, ErrorField::Trig4, "%6.4f", false, true, "4类观测先验值", "间接高差"},
};

std::span<const ErrorEdit> EditsOf(bool height) {
    if (height) return HeightEdits;
    return PlaneEdits;
}

// An edit's text as the dialog reads it: at most 19 characters.
constexpr size_t EditReadLimit = 19;

}  // namespace

CAdjustmentMethodDlg::CAdjustmentMethodDlg(Network& net, Messenger& ui, ReportBuffers& reports, WindowHost& windows,
                                           MethodDialogState& state)
    : Dialog(net.hdr.heightMode != 0 ? DlgHeightMethod : DlgPlaneMethod,
             net.hdr.heightMode != 0 ? "高程网平差方法选择" : "平面网平差方法选择"),
      net_(net),
      ui_(ui),
      reports_(reports),
      windows_(windows),
      state_(state) {
    Add({.id = IdIterations, .kind = ControlKind::Edit, .label = "迭代次数"});
    Add({.id = IdMethodList, .kind = ControlKind::List, .label = "平差方法"});
    if (!Height()) {
        Add({.id = IdDirectionMode, .kind = ControlKind::Radio, .text = "方向平差", .label = "测角网按",
             .group = IdDirectionMode});
        Add({.id = IdAngleMode, .kind = ControlKind::Radio, .text = "角度平差", .label = "测角网按",
             .group = IdDirectionMode});
    }
    for (const ErrorEdit& e : EditsOf(Height())) {
        Add({.id = e.id, .kind = ControlKind::Edit, .label = std::string(e.group) + " " + e.label,
             .visible = !e.special});
    }
    AddButton(IdStatusReport, "现况报告");
    AddButton(IdOk, "开始平差");
    AddButton(IdConfirmSettings, "确认设置");
    AddButton(IdCancel, "取消");
    AddButton(IdHelp, "帮助");
}

void CAdjustmentMethodDlg::OnInitDialog() {
    char count[20];
    std::snprintf(count, sizeof count, "%d", int(state_.iterationCount));
    At(IdIterations).text = count;
    if (!Height()) {
        Check((net_.hdr.optionFlags & OptionAngleMode) != 0 ? IdAngleMode : IdDirectionMode);
    }

    Control& list = At(IdMethodList);
    if (net_.hdr.designMode != 0) {
        list.items.assign(std::begin(DesignMethods), std::end(DesignMethods));
    } else {
        list.items.assign(std::begin(AdjustmentMethods), std::end(AdjustmentMethods));
    }
    state_.methodCode = int16_t(state_.methodCode % int16_t(list.items.size()));
    list.selection = state_.methodCode >= 0 ? state_.methodCode : -1;

    ApplyAdjustmentDefaults(net_, reports_);
    ShowErrors();
    if (reports_.specialObservationCount == 0) {
        for (const ErrorEdit& e : EditsOf(Height())) {
            if (e.special) At(e.id).enabled = false;
        }
    }
}

void CAdjustmentMethodDlg::ShowErrors() {
    const std::span<const ErrorEdit> edits = EditsOf(Height());
    for (size_t k = 0; k < edits.size(); ++k) {
        const ErrorEdit& e = edits[k];
        const double v = e.dms ? RadiansToDms(GetField(net_.hdr, e.field)) : double(GetField(net_.hdr, e.field));
        std::array<char, 20>& text = state_.errorTexts[k];
        std::snprintf(text.data(), text.size(), e.format, v);
        At(e.id).text = text.data();
    }
}

void CAdjustmentMethodDlg::ReadSettings() {
    state_.methodCode = int16_t(At(IdMethodList).selection);
    int count = 0;
    if (std::sscanf(Read(IdIterations, EditReadLimit).c_str(), "%d", &count) == 1) {
        state_.iterationCount = int16_t(count);
    }
    if (!Height()) {
        if (At(IdAngleMode).checked) {
            net_.hdr.optionFlags = uint16_t(net_.hdr.optionFlags | OptionAngleMode);
        } else {
            net_.hdr.optionFlags = uint16_t(net_.hdr.optionFlags & ~OptionAngleMode);
        }
    }
    const std::span<const ErrorEdit> edits = EditsOf(Height());
    for (size_t k = 0; k < edits.size(); ++k) {
        const ErrorEdit& e = edits[k];
        std::array<char, 20>& text = state_.errorTexts[k];
        const std::string typed = Read(e.id, EditReadLimit);
        std::memcpy(text.data(), typed.c_str(), typed.size() + 1);
        // A text that does not scan keeps the field; a direction error is converted from d.mmss
        // either way, so its old value in radians is then taken as d.mmss.
        float v = GetField(net_.hdr, e.field);
        std::sscanf(text.data(), "%f", &v);
        SetField(net_.hdr, e.field, e.dms ? float(DmsToRadians(v)) : v);
    }
}

void CAdjustmentMethodDlg::OnCommand(int id) {
    switch (id) {
    case IdOk:
        state_.startFlag = 1;
        ReadSettings();
        EndDialog(IdOk);
        break;
    case IdConfirmSettings:
        ReadSettings();
        EndDialog(IdOk);
        break;
    case IdStatusReport:
        ShowNetworkSummary(net_, ui_, reports_);
        break;
    case IdHelp:
        windows_.ShowHelp(Height() ? HelpHeightMethod : HelpPlaneMethod, HelpContext);
        break;
    case IdCancel:
        EndDialog(IdCancel);
        break;
    default:
        break;
    }
}

int AdjustmentMethodDialog(Network& net, Messenger& ui, ReportBuffers& reports, WindowHost& windows,
                           MethodDialogState& state, Dialog* parent) {
    state.startFlag = 0;
    CAdjustmentMethodDlg dialog(net, ui, reports, windows, state);
    DoModal(windows, dialog, parent);
    if (state.startFlag == 0) return 0;
    const DesignFiles files = DesignFiles::InCurrentDirectory();
    int result = AdjustWithMessages(net, ui, reports, state.methodCode, state.iterationCount, &files);
    if (result == ResultDesignStage) result = RunDesignSecondStage(net, ui, state.iterationCount, files);
    return result > 0 ? 1 : 0;
}

}  // namespace quenvar
