#!/bin/sh
# Remakes operations/help/*.mht: pictures of the program under Xvfb, then the archives.
# Usage: tools/helppages/make_pages.sh BUILD_DIR (a build with qrv4-helpshots in it)
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
# The X libraries keep memory until exit, which a sanitized build would report.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} xvfb-run -a -s "-screen 0 1280x1024x24" "$1/qrv4-helpshots" "$shots"
python3 "$root/tools/helppages/make_pages.py" "$shots" "$root/operations/help"
