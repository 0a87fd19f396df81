#include "ui/messenger.h"
#include "ui/string_table.h"

namespace quenvar {

const char* LoadResourceString(int id) {
    switch (id) {
    case StrClearUnknowns:
        return "所有待定点坐标将被清零! 开始吗?";
    case StrNoReliability:
        return "无粗差\\可靠性信息, 不能进行粗差分析!";
    case StrAdjustmentIncomplete:
        return "控制网平差未完成, 不能进行精度查询!";
    case StrUpdateFailed:
        return "更新修改失败, 数据存在 TMP.TXT中";
    default:
        return "";
    }
}

}  // namespace quenvar
