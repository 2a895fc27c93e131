#!/bin/sh
# Mutation testing: plants realistic faults in the given sources one at a time and
# reports how many the tests catch. docs/mutants.md has the usage and the baseline scores.
exec python3 "$(dirname "$0")/mutants.py" "$@"
