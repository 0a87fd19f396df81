#!/usr/bin/env bash
# Runs the command-line tool on the bundled example networks: summaries, approximate values,
# adjustments of the plane and height networks with their precision, point, pair and
# gross-error reports, the design analysis of the planned network, and the closures of the
# plane and height networks with their reports and charts, all in out/.
# A step that fails is reported and the demo goes on; a crash of the tool (a signal or an exit
# status other than 0, 1 and 2) makes the demo fail at the end.
set -uo pipefail

build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/quenvar"
[ -x "$tool" ] || tool="$root/$build/quenvar"
if [ ! -x "$tool" ]; then
  echo "demo: no quenvar tool in '$build'; build it first (make build)" >&2
  exit 1
fi

tool="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"  # steps may run in out/

cd "$root"
mkdir -p out
failed=0
crashed=0

step() {
  local title=$1
  shift
  printf '\n=== %s\n$ quenvar %s\n' "$title" "$*"
  "$tool" --answer yes "$@" 2>&1
  local status=$?
  case $status in
    0) ;;
    1 | 2) echo "--- step failed (exit status $status), going on"; failed=$((failed + 1)) ;;
    *) echo "--- the tool crashed (exit status $status)"; crashed=$((crashed + 1)) ;;
  esac
  return 0
}

step "Plane network: input check" check examples/plane.txt
step "Plane network: summary" info examples/plane.txt
step "Height network: summary" info examples/height.txt
step "Plane network: approximate coordinates" calc xy examples/plane.txt
step "Height network: approximate heights" calc h examples/height.txt
step "Plane network: adjustment" adjust xy examples/plane.txt --method iterated --iterations 5 \
  --direction-sigma 1.5 --distance-sigma 2 --distance-ppm 2 \
  --report out/plane-precision.txt -o out/plane-adjusted.txt
step "Height network: adjustment" adjust h examples/height.txt --method iterated --iterations 5 \
  --level-sigma 2 --trig-sigma 10 \
  --report out/height-precision.txt -o out/height-adjusted.txt
step "Plane network: listing, JSON and database" adjust xy examples/plane.txt --direction-sigma 1.5 \
  --distance-sigma 2 --distance-ppm 2 --listing - --json out/plane.json -o out/plane.db
step "Plane network: picture with error ellipses" plot out/plane.db -o out/plane.svg
# The adjustment window without a terminal: the method dialog is accepted as shown, the plane
# and then the height network are adjusted and the save question is answered yes.
step "Adjustment window, headless" edit examples/survey.txt out/survey-adjusted.txt </dev/null
step "Plane network: point, pair and gross-error reports" adjust xy examples/plane.txt --direction-sigma 1.5 \
  --distance-sigma 2 --distance-ppm 2 --points-report out/plane-points.txt --pairs-report out/plane-pairs.txt \
  --reliability-report out/plane-gross-errors.txt
# The third-class analysis leaves its files optim0.dat, optim1.dat and optim2.dat in the
# current directory: it runs in out/.
step "Planned network: general design" design xy examples/design.txt --direction-sigma 1 \
  --distance-sigma 2 --distance-ppm 2 --pairs-report out/design-pairs.txt
cd out
step "Planned network: third-class analysis" design xy ../examples/design.txt --method third \
  --direction-sigma 1 --distance-sigma 2 --distance-ppm 2 --reliability-report design-reliability.txt
cd "$root"
# Closures before adjusting: the table, the report with every loop's details and one SVG chart
# per loop (north up, with the map scale).
mkdir -p out/plane-charts out/closures-charts
step "Plane network: closures" closures xy examples/plane.txt -r out/plane-closures.txt --charts out/plane-charts
step "Height network: closures" closures h examples/height.txt -r out/height-closures.txt
step "Closure network: direction loops, baseline condition and traverse" closures xy examples/closures.txt \
  -r out/closures-plane.txt --charts out/closures-charts
step "Closure network: levelling loops and route" closures h examples/closures.txt -r out/closures-height.txt
[ -f out/closures-plane.txt ] && step "Report out/closures-plane.txt" show out/closures-plane.txt
for report in out/plane-points.txt out/plane-gross-errors.txt out/design-pairs.txt out/design-reliability.txt; do
  [ -f "$report" ] && step "Report $report" show "$report"
done
for report in out/plane-precision.txt out/height-precision.txt; do
  [ -f "$report" ] && step "Report $report" show "$report"
done

printf '\n=== demo finished: %d step(s) failed, %d crash(es); results in out/\n' "$failed" "$crashed"
[ "$crashed" -eq 0 ]
