#!/usr/bin/env bash
# Runs the command-line tool on the bundled example networks.
set -euo pipefail
build=${1:-build}
echo "quenvar demo: no example jobs yet"
