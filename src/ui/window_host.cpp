#include "ui/window_host.h"

namespace quenvar {

int DoModal(WindowHost& host, Dialog& dialog, Dialog* parent) {
    dialog.Open();
    if (!dialog.Ended()) host.RunModal(dialog, parent);
    dialog.EndDialog(IdCancel);
    return dialog.Result();
}

}  // namespace quenvar
