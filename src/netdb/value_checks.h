// Numbers that are not finite (infinities and NaN) have no meaning in a survey network and
// would stall or poison every computation on it. The readers keep them out of the database:
// an observation with such a value is rejected, a coordinate is left missing, and settings,
// results and working values fall back to 0 (unset or not yet computed).
#pragma once

#include "netdb/network.h"

namespace quenvar {

class Messenger;

// The observation-error message of the readers, with the point indices of station and target.
void ShowObservationError(Messenger& ui, int station, int target);
// The message for a point whose coordinates or height are not numbers.
void ShowCoordinateError(Messenger& ui, int point);

// Header settings and results that are not finite become 0; true when any was.
bool ClearNonFiniteSettings(NetHeader& hdr);
// Every record of a loaded database: observations with a value that is not finite are
// rejected (class 7, value 0, message), such coordinates become missing (message), residuals,
// station working values and precision values become 0. The chains must be consistent.
void ClearNonFiniteValues(Network& net, Messenger& ui);

}  // namespace quenvar
