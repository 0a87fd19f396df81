#include "frame/library_state.h"

namespace quenvar {

LibraryState& Library() {
    static LibraryState state;
    return state;
}

}  // namespace quenvar
