// Spreads approximate positions (plane network) or heights (height network) from the points
// that have them to those that do not, one observation at a time: orients stations, turns an
// observation between a known and an unknown point into a locus of the unknown point, and
// stores the misclosure of an observation between two known points.
#pragma once

#include "approx/workspace.h"

namespace quenvar {

// Walks s's chain, starting again from its first observation after every change. 0 when
// nothing changed, else the result of the last change (5, point fixed, once seen, is kept).
int ProcessStation(Workspace& w, int s);
// 0 nothing done; 1 misclosure or locus stored; 2 height carried or double solution pending;
// 3 station oriented; 5 point fixed.
int ProcessObservation(Workspace& w, int s, int o);
// Orients s from a direction of the oriented station t back to s: 3, or 0.
int OrientFromReciprocal(Workspace& w, int s, int t, int o);
// Merges the locus in the scratch record 0 with u's own: 0 redundant, 1 stored as u's first
// locus, else the intersection's result (0 none, 2 double solution, 5 fixed).
int MergeLocus(Workspace& w, int u);

}  // namespace quenvar
