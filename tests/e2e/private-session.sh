#!/bin/sh
# Runs a command in a D-Bus session of its own, with a runtime folder of its own too: the accessibility
# bus keeps its socket there (or in the shared ~/.cache without one), so tests run side by side would
# otherwise take each other's bus.
set -eu
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime dbus-run-session -- "$@"
