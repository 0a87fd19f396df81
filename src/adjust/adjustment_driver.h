// The adjustment of the plane or height network (by NetHeader.heightMode): numbering,
// weighting, passes of normal equations, inversion, corrections and re-weighting, then
// residuals, precision records and the cofactors of the adjusted observations.
#pragma once

#include <cstdint>

#include "adjust/design_files.h"
#include "adjust/normal_system.h"

namespace quenvar {

struct Network;
class Messenger;
struct ReportBuffers;

// Result codes of RunAdjustment.
enum AdjustmentResult : int16_t {
    ResultSingleDone = 20,   // single adjustment finished (no cofactors)
    ResultDone = 1,          // adjustment or design finished, cofactors computed
    ResultDesignStage = 98,  // first stage of the third-class analysis written
    ResultDesignFailed = 0,  // design file or cofactor work area failed, or code 96
    ResultNoMemory = -1,
    ResultPreprocessing = -2,
    ResultNormalEquations = -3,
    ResultRedundancy = -4,
    ResultSolution = -5,
};

// Internal method codes of the third-class analysis.
inline constexpr int16_t MethodDesignSecondStage = 2;
inline constexpr int16_t MethodDesignStepFailed = 96;
inline constexpr int16_t MethodDesignContinue = 97;

// The message shown for a result below 1: entry -result of the table of six texts.
const char* AdjustmentErrorText(int result);

// One adjustment with the given method (0-7; in a design network 0 general design, 1 the first
// stage of the third-class analysis, 97 its second stage, 96 its end after a failed step
// between), angle mode (bit 0 of optionFlags) and number of passes; returns a result code.
// The normal equations are held and solved by the named storage (SolverFor decides where only
// one of them serves); the third-class analysis keeps its files in `files` (null: the current
// directory).
int16_t RunAdjustment(Network& net, Messenger& ui, int16_t method, int16_t angleMode, int16_t iterations,
                      SolverKind solver = SolverKind::Sparse, const DesignFiles* files = nullptr);
// The same with a storage of the caller's; when it cannot solve a pass, the packed storage
// takes over for the rest of the adjustment.
int16_t RunAdjustment(Network& net, Messenger& ui, int16_t method, int16_t angleMode, int16_t iterations,
                      NormalSystem& system, const DesignFiles* files = nullptr);

// RunAdjustment with the angle mode of the header; a result below 1 shows its error message,
// any other result but 98 the precision summary. Returns the result code.
int AdjustWithMessages(Network& net, Messenger& ui, ReportBuffers& reports, int method, int iterations,
                       const DesignFiles* files = nullptr);

// The adjustment behind the exports: approximate values, default a-priori errors, method 0
// run as one pass of method 6, the adjustment with its messages and the second stage of a
// third-class analysis. 1 on success, else 0.
int AdjustNetwork(Network& net, Messenger& ui, ReportBuffers& reports, int method, int iterations);

// After a first stage that gave 98: the step between the stages of a third-class analysis,
// then the second stage (or the report of the failed step), with the files of the first stage
// in `files`. The driver's result code; neither a result box nor an error message is shown.
int RunDesignSecondStage(Network& net, Messenger& ui, int iterations, const DesignFiles& files);

}  // namespace quenvar
