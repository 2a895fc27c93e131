#!/bin/sh
# Installs what is missing, builds, and runs the main job on the embedded SQLite store
# with the bundled sample company. Everything it writes stays under ./run-sample/.
# With --serve it ends by serving the operator console over that store (on 127.0.0.1).
set -eu
SERVE=0
if [ "${1:-}" = "--serve" ]; then SERVE=1; fi
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what the run needs: the tests are built by the test command.
ninja -C build cl cl_tool clhost zqmensagens

RAIZ="$(pwd)/run-sample"
mkdir -p "$RAIZ"
export CL_LOCAL_ORBEL="$RAIZ"
export CL_BANCO="sqlite:$RAIZ/cl.db"
export CL_BIBLIOTECA_MENSAGENS="$(pwd)/build/libzqmensagens.so"

CL=build/cl
if [ ! -x "$CL" ]; then
  echo "the command-line tool was not built" >&2
  exit 1
fi
rm -f "$RAIZ/cl.db"
"$CL" init
"$CL" load-company data/sample-company.json
"$CL" statements --account 113 --from 01/01/2026 --to 31/12/2026

# Test mode: the sample statements in the installation directory answer for the banks.
cp data/MockExtratoTavorin.ofx data/MockExtratoBancoBrasil.json "$RAIZ/"
EMPRESA="$(sed -n 's/.*"codigo": *"\([^"]*\)".*/\1/p' data/sample-company.json | head -n 1)"
# The sample statements are of the week up to Friday 04/12/2026: the services run as of
# that day at 09:00, when the head office's daily rule (07:30, business days) and
# Campinas' every-cycle rule are due.
AGORA="04/12/2026 09:00:00"

# One cycle of the import service: 0 work done, 3 nothing due, 1 a failure (see the host log above).
status=0
build/clhost --once --servico importacao --empresa "$EMPRESA" --agora "$AGORA" || status=$?
echo "clhost --once --servico importacao: exit status $status"
# What each account got.
"$CL" executions --date 04/12/2026
for conta in 111 113 114; do
  "$CL" statements --account "$conta" --from 27/11/2026 --to 04/12/2026
done

# One cycle of both scheduled services.
status=0
build/clhost --once --empresa "$EMPRESA" --agora "$AGORA" || status=$?
echo "clhost --once: exit status $status"
# What the reconciliation service left in the head office's accounts: the lines with their
# marks (L posted, A paired with open treasury entries) and the reconciliation logs.
for conta in 111 113; do
  "$CL" statements --account "$conta" --from 27/11/2026 --to 04/12/2026
  "$CL" reconciliation-logs --account "$conta"
done
if [ "$status" -eq 1 ]; then
  echo "a scheduled service failed: see the host log above" >&2
  exit 1
fi
echo "Store: $RAIZ/cl.db; error logs under $RAIZ/log"
if [ "$SERVE" -eq 1 ]; then
  echo "Operator console: open the address below in a browser; Ctrl-C stops it."
  exec "$CL" serve
fi
