#!/bin/sh
# Builds the libFuzzer targets (clang, in build-fuzz/) and runs each for a while.
#
#   scripts/fuzz.sh [-t SECONDS | -r RUNS] [-j JOBS] [TARGET...]
#
# Targets: ofx arquivo_extrato extrato_bb arquivo_empresa configuracao (all when none is named).
# Each target runs for SECONDS (default 600) or RUNS executions. The corpus grows in
# $CL_FUZZ_DIR/corpus/<target> (default /var/tmp/cl-fuzz, outside the checkout),
# seeded from fuzz/corpus/<target>; crashes, leaks and time-outs land in
# $CL_FUZZ_DIR/artefatos/<target>, libFuzzer's output in $CL_FUZZ_DIR/<target>.log. A
# finding exits non-zero: reproduce it with
# build-fuzz/fuzz/fuzz_<target> <file>, then add it to the target's test suite.
set -eu
cd "$(dirname "$0")/.."

TEMPO=600
EXECUCOES=""
JOBS=1
while getopts "t:r:j:" opcao; do
  case "$opcao" in
    t) TEMPO="$OPTARG" ;;
    r) EXECUCOES="$OPTARG" ;;
    j) JOBS="$OPTARG" ;;
    *) echo "uso: $0 [-t segundos | -r execuções] [-j processos] [alvo...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
ALVOS="${*:-ofx arquivo_extrato extrato_bb arquivo_empresa configuracao}"
DIR="${CL_FUZZ_DIR:-/var/tmp/cl-fuzz}"
BUILD="${CL_FUZZ_BUILD:-build-fuzz}"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ não encontrado: rode scripts/install-deps.sh" >&2
  exit 2
fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCL_FUZZ=ON -DCL_BUILD_TESTS=OFF -DCL_BUILD_BENCH=OFF >/dev/null
ninja -C "$BUILD" -j "${JOBS_BUILD:-2}" $(for a in $ALVOS; do printf 'fuzz_%s ' "$a"; done)

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
falhou=0
for alvo in $ALVOS; do
  corpus="$DIR/corpus/$alvo"
  artefatos="$DIR/artefatos/$alvo"
  mkdir -p "$corpus" "$artefatos"
  opcoes="-max_len=65536 -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix=$artefatos/"
  if [ -f "fuzz/$alvo.dict" ]; then opcoes="$opcoes -dict=fuzz/$alvo.dict"; fi
  if [ -n "$EXECUCOES" ]; then opcoes="$opcoes -runs=$EXECUCOES"; else opcoes="$opcoes -max_total_time=$TEMPO"; fi
  if [ "$JOBS" -gt 1 ]; then opcoes="$opcoes -fork=$JOBS"; fi
  registro="$DIR/$alvo.log"
  # shellcheck disable=SC2086
  if "$BUILD/fuzz/fuzz_$alvo" $opcoes "$corpus" "fuzz/corpus/$alvo" >"$registro" 2>&1; then
    # The last status line: executions, coverage (cov: edges, ft: features), corpus.
    echo "== $alvo: $(grep -E '^#[0-9]+' "$registro" | tail -n 1)"
  else
    tail -n 60 "$registro" >&2
    echo "!! $alvo: achado em $artefatos (registro completo: $registro)" >&2
    falhou=1
  fi
done
exit $falhou
