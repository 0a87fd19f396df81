#include "adjust/adjustment_driver.h"

#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "adjust/adjusted_cofactors.h"
#include "adjust/adjustment_results.h"
#include "adjust/corrections.h"
#include "adjust/datum_constraints.h"
#include "adjust/design_steps.h"
#include "adjust/normal_equations.h"
#include "adjust/normal_matrix.h"
#include "adjust/observation_weights.h"
#include "adjust/preprocessing.h"
#include "adjust/reweighting.h"
#include "approx/calculate.h"
#include "report/network_summary.h"
#include "report/precision_report.h"
#include "ui/messenger.h"

namespace quenvar {
namespace {

constexpr const char* ErrorTexts[6] = {
    "\n三类设计失败, 因不能生成临时数据文件!",
    "无足够主存组成法方程, 请释放主存, 或用PLIXO.EXE平差!",
    "预处理出错, 请检查观测值和坐标或高程值, 可能有坐标或高程值为0",
    "组成法方程时失败, 可能有非法观测值或必要观测不足等情况",
    "必要观测数不够, 平差时至少应有一个多余观测, 设计时可无多余观测",
    "法方程解算失败! 若为秩亏网或拟稳网, 不能有固定点",
};

constexpr const char* PreprocessingText = "正在'平差'预处理...";
constexpr const char* PassText = "正在进行第 1 次平差...";
constexpr size_t PassDigit = 11;  // byte offset of the pass digit in the GBK text

bool Reweighted(int method) {
    return (method >= MethodDanish && method <= MethodGrossErrorsAfter) || method == MethodVarianceComponents;
}

// One driver call: the arrays that live for it and its steps.
class AdjustmentRun {
public:
    AdjustmentRun(Network& net, Messenger& ui, int method, bool angleMode, int iterations, NormalSystem& system,
                  DesignFiles files)
        : net_(net), ui_(ui), method_(method), angleMode_(angleMode), iterations_(iterations),
          design_(net.hdr.designMode != 0), system_(&system), files_(std::move(files)) {}

    int16_t Execute() {
        DropPreviousResults();
        try {
            map_.assign(size_t(net_.hdr.pointCount) + 1, -1);
            net_.weightTable.assign(2 * (size_t(net_.hdr.obsCount) + 1), 0.0f);
        } catch (const std::bad_alloc&) {
            return ResultNoMemory;
        }
        n_ = NumberUnknowns(net_, ui_, map_);
        if (n_ == 0 || SetObservationWeights(net_, map_) == 0) return ResultPreprocessing;
        if (!system_->Prepare(net_, map_, n_)) return ResultNoMemory;
        if (design_ && method_ == MethodDesignSecondStage) {
            if (ReadDesignMatrix(*system_->Packed(), n_, files_) == 0) return ResultNoMemory;
            return Finish();
        }
        try {
            x_.assign(size_t(n_), 0.0);
        } catch (const std::bad_alloc&) {
            return ResultNoMemory;
        }
        const int16_t failed = Passes();
        if (failed != 0) return failed;
        if (design_ && method_ == 1) return int16_t(WriteDesignMatrix(net_, *system_->Packed(), n_, files_));
        return Finish();
    }

private:
    void DropPreviousResults() {
        if (!net_.ellipses.empty()) {
            net_.ellipses.clear();
            net_.ellipses.shrink_to_fit();
            net_.hdr.optionFlags = uint16_t(net_.hdr.optionFlags & ~OptionResultBits);
        }
        net_.weightTable.clear();
        net_.weightTable.shrink_to_fit();
    }

    // Takes the packed reference storage for the rest of the adjustment.
    bool UseReference() {
        reference_ = MakeNormalSystem(SolverKind::Packed);
        if (!reference_ || !reference_->Prepare(net_, map_, n_)) return false;
        system_ = reference_.get();
        return true;
    }

    // The passes; 0 when they ended normally, else the failure code.
    int16_t Passes() {
        std::string progress = PassText;
        double sPrev = 0.0;
        for (int p = 1; p <= iterations_; ++p) {
            std::fill(x_.begin(), x_.end(), 0.0);
            progress[PassDigit] = char('0' + p);
            ShowProgress(ui_, progress.c_str());
            // The datum terms and the elimination of the orientations are independent: a free
            // network is adjusted in the mode the user chose.
            const int d = system_->BeginPass(net_, map_);
            if (d < 0) return ResultNoMemory;
            const int m = FormNormalEquations(net_, *system_, n_, map_, angleMode_);
            if (m == 0 || system_->FirstDiagonal() < 1e-20) return ResultNormalEquations;
            const int r = m + d - n_;
            if (design_ ? r < 0 : r < 1) return ResultRedundancy;
            const int solved = system_->Solve();
            if (solved == SolveUseReference) {
                // The same pass again in the packed storage.
                if (!UseReference()) return ResultNoMemory;
                --p;
                continue;
            }
            if (solved == SolveNoMemory) return ResultNoMemory;
            if (solved != 1) return ResultSolution;
            if (design_) {
                SetPosteriorSigma(net_, PriorSigma(net_));
                return 0;
            }
            system_->Corrections(x_);
            ApplyCorrections(net_, x_, map_);
            const double quotient = system_->WeightedSquareSum() / r;
            const double s = quotient < 0.0 ? 0.0 : std::sqrt(quotient);
            SetPosteriorSigma(net_, float(s));
            if (std::fabs(sPrev - s) < 0.01 * PriorSigma(net_)) return 0;
            sPrev = s;
            if (p == iterations_) return 0;
            if (Reweighted(method_)) {
                if (ReweightingNeedsCofactors(method_) && !system_->PrepareCofactors()) return ResultNoMemory;
                ComputeResults(net_, *system_, map_);
                ReweightObservations(net_, method_, *system_, n_, map_, angleMode_);
            }
        }
        return 0;
    }

    // Residuals, precision records and the cofactors of the adjusted observations.
    int16_t Finish() {
        try {
            net_.ellipses.assign(size_t(net_.hdr.ellipseCount) + 1, EllipseRec{});
        } catch (const std::bad_alloc&) {
            net_.ellipses.clear();
            net_.hdr.ellipseCount = 0;
        }
        if (!system_->PrepareCofactors()) return ResultNoMemory;
        ComputeResults(net_, *system_, map_);
        net_.hdr.optionFlags = uint16_t((net_.hdr.optionFlags & ~OptionResultBits) | OptionAdjusted);
        if (!design_ && method_ == MethodSingle) {
            net_.weightTable.clear();
            net_.weightTable.shrink_to_fit();
            return ResultSingleDone;
        }
        if (design_ && method_ == MethodDesignSecondStage) {
            const std::unique_ptr<CofactorSink> ratings = OpenDesignRatings(net_, *system_->Packed(), n_, files_);
            if (!ratings) return ResultDone;
            return int16_t(ComputeAdjustedCofactors(net_, *system_, n_, map_, angleMode_, ratings.get()));
        }
        return int16_t(ComputeAdjustedCofactors(net_, *system_, n_, map_, angleMode_, nullptr));
    }

    Network& net_;
    Messenger& ui_;
    int method_;
    const bool angleMode_;
    int iterations_;
    bool design_;
    NormalSystem* system_;
    std::unique_ptr<NormalSystem> reference_;  // the packed storage when the sparse one gave up
    DesignFiles files_;
    int n_ = 0;
    UnknownMap map_;
    std::vector<double> x_;
};

}  // namespace

const char* AdjustmentErrorText(int result) {
    const int index = -result;
    return index >= 0 && index < 6 ? ErrorTexts[index] : "";
}

int16_t RunAdjustment(Network& net, Messenger& ui, int16_t method, int16_t angleMode, int16_t iterations,
                      SolverKind solver, const DesignFiles* files) {
    const std::unique_ptr<NormalSystem> system = MakeNormalSystem(SolverFor(net, method, solver));
    if (!system) return ResultNoMemory;
    return RunAdjustment(net, ui, method, angleMode, iterations, *system, files);
}

int16_t RunAdjustment(Network& net, Messenger& ui, int16_t method, int16_t angleMode, int16_t iterations,
                      NormalSystem& system, const DesignFiles* files) {
    // The precision records name points in 12 bits.
    if (net.hdr.pointCount > MaxComputedPoint) return ResultPreprocessing;
    if (method == MethodSingle) {
        iterations = 1;
    } else if (iterations < 2) {
        iterations = 2;
    }
    if (method == MethodDesignStepFailed) {
        CloseProgress(ui);
        return ResultDesignFailed;
    }
    if (method == MethodDesignContinue) {
        method = MethodDesignSecondStage;
    } else {
        ShowProgress(ui, PreprocessingText);
    }
    DesignFiles where = files != nullptr ? *files : DesignFiles::InCurrentDirectory();
    const int16_t result = AdjustmentRun(net, ui, method, angleMode != 0, iterations, system, std::move(where)).Execute();
    if (result != ResultDesignStage) CloseProgress(ui);
    return result;
}

int AdjustWithMessages(Network& net, Messenger& ui, ReportBuffers& reports, int method, int iterations,
                       const DesignFiles* files) {
    const int result = RunAdjustment(net, ui, int16_t(method), int16_t(net.hdr.optionFlags & OptionAngleMode),
                                     int16_t(iterations), SolverKind::Sparse, files);
    if (result < 1) {
        ShowMessage(ui, AdjustmentErrorText(result), 0, MsgInfo);
    } else if (result != ResultDesignStage) {
        ShowPrecisionReport(net, ui, reports);
    }
    return result;
}

int AdjustNetwork(Network& net, Messenger& ui, ReportBuffers& reports, int method, int iterations) {
    if (Calculate(net, ui) < 1) return 0;
    ApplyAdjustmentDefaults(net, reports);
    if (method == MethodSingle) {
        method = MethodIteration;
        iterations = 1;
    }
    const DesignFiles files = DesignFiles::InCurrentDirectory();
    const int result = AdjustWithMessages(net, ui, reports, method, iterations, &files);
    if (result < 1) return 0;
    if (result != ResultDesignStage) return 1;
    return RunDesignSecondStage(net, ui, iterations, files) > 0 ? 1 : 0;
}

int RunDesignSecondStage(Network& net, Messenger& ui, int iterations, const DesignFiles& files) {
    const int16_t next = FindWeakestDirection(files, net.allocationAllowed) ? MethodDesignContinue : MethodDesignStepFailed;
    return RunAdjustment(net, ui, next, int16_t(net.hdr.optionFlags & OptionAngleMode), int16_t(iterations),
                         SolverKind::Sparse, &files);
}

}  // namespace quenvar
