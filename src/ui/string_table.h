// The library's string table (resource texts shown through ShowMessageById).
#pragma once

namespace quenvar {

inline constexpr int StrClearUnknowns = 1016;
inline constexpr int StrNoReliability = 1018;
inline constexpr int StrAdjustmentIncomplete = 1019;
inline constexpr int StrUpdateFailed = 1020;

}  // namespace quenvar
