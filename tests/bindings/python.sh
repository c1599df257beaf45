#!/usr/bin/env bash
# The Python package as a host installs it: into a fresh virtual environment, from the
# checkout, with no package index (setuptools and pytest from the system's Python); then its
# tests against the library just built.
#   python.sh PYTHON PACKAGE_DIR TESTS LIBRARY WORK_DIR
set -euo pipefail
python=$1 package=$2 tests=$3 library=$4 work=$5
rm -rf "$work"
mkdir -p "$work"
# pip builds in the folder it is given: a copy keeps the checkout clean.
cp -r "$package" "$work/package"
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-index --no-build-isolation --quiet "$work/package"
cd "$work"
VIEWERSETTINGS_LIBRARY=$library PYTHONDONTWRITEBYTECODE=1 \
  "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$tests"
