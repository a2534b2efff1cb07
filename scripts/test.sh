#!/bin/sh
# Sets up, builds both targets and runs every test: natively, then the
# Windows executables through Wine under a virtual X display.
set -u
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
scripts/build.sh all || exit 1

status=0
echo "== tests: native"
ctest --preset native || status=1
echo "== tests: windows (Wine, Xvfb)"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows || status=1
exit $status
