#!/bin/sh
# The tests' share of the code: non-blank lines of the tracked code files (C++, Python,
# shell, CMake, web assets, scripts/, .ci/), and of those the lines under tests/ other
# than sample inputs under fixtures/. The house aims at 25-33%; this exits 1 above the
# limit given (default 35), so the share cannot creep up as capabilities land.
set -eu
cd "$(dirname "$0")/.."
limite="${1:-35}"
git rev-parse --git-dir >/dev/null 2>&1 || { echo "test-share: not a git checkout, not measured"; exit 0; }
codigo='\.(cc|cpp|cxx|c|h|hpp|hh|inc|py|sh|cmake|js|mjs|ts|html|css)$|(^|/)CMakeLists\.txt$|^scripts/|^\.ci/'
linhas() { xargs -r -d '\n' cat 2>/dev/null | grep -cv '^[[:space:]]*$' || true; }
resto=$(git ls-files | grep -E "$codigo" | grep -v '/fixtures/' | grep -v '^tests/' | linhas)
testes=$(git ls-files -- tests | grep -v '/fixtures/' | linhas)
total=$((resto + testes))
pct=$((100 * testes / total))
echo "tests: $testes of $total lines of code ($pct%; the limit is $limite%)"
[ "$pct" -le "$limite" ]
