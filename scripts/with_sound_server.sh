#!/usr/bin/env bash
# Runs a command with a private sound server for the tests that need real audio.
set -euo pipefail
"$@"
