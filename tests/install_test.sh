#!/bin/sh
# Installs the build into a scratch prefix and uses it as an operator and an ERP
# developer would: the programs run from there with the sample company, and the example
# builds against the installed headers through find_package(CL) and through pkg-config.
# Usage: install_test.sh <build dir> <source dir>
set -eu
build="$1"
src="$2"
raiz="$(mktemp -d)"
trap 'rm -rf "$raiz"' EXIT
p="$raiz/prefix"
falha() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$p" >/dev/null
lib="$p/lib"
[ -f "$lib/libzqmensagens.so" ] || lib="$(dirname "$(find "$p" -name libzqmensagens.so | head -n 1)")"
readelf -d "$lib/libcl.so" | grep -q 'SONAME.*libcl\.so\.[0-9]' || falha "libcl.so has no versioned SONAME"
for f in etc/cl/cl.conf share/cl/sample/sample-company.json share/cl/mensagens.tsv; do
  [ -f "$p/$f" ] || falha "$f not installed"
done
grep -q '^ProtectSystem=strict' "$(find "$p" -name clhost.service)" || falha "unit not hardened"
# Every key the programs read is documented in the installed configuration.
for chave in $(grep -rhoE '(Get|GetInteiro|Diretorio)\("[a-z_.]+"' "$src/src" | sed 's/.*("//; s/"//' | sort -u); do
  grep -q "^#$chave =" "$p/etc/cl/cl.conf" || falha "key $chave not documented in cl.conf"
done

# The programs, from the installed tree only (the build directory out of reach).
env -u LD_LIBRARY_PATH "$p/bin/cl" --version | grep -q '^cl [0-9]' || falha "cl --version"
env -u LD_LIBRARY_PATH "$p/bin/clhost" --version | grep -q '^clhost [0-9]' || falha "clhost --version"
estado="$raiz/estado"
mkdir -p "$estado"
cp "$p/share/cl/sample/MockExtratoTavorin.ofx" "$p/share/cl/sample/MockExtratoBancoBrasil.json" "$estado/"
export CL_CONFIG="$p/etc/cl/cl.conf" CL_LOCAL_ORBEL="$estado" CL_BANCO="sqlite:$estado/cl.db"
unset CL_BIBLIOTECA_MENSAGENS
"$p/bin/cl" init >/dev/null || falha "cl init"
"$p/bin/cl" load-company "$p/share/cl/sample/sample-company.json" >/dev/null || falha "cl load-company"
empresa="$(sed -n 's/.*"codigo": *"\([^"]*\)".*/\1/p' "$p/share/cl/sample/sample-company.json" | head -n 1)"
s=0
"$p/bin/clhost" --once --empresa "$empresa" --agora "04/12/2026 09:00:00" >"$raiz/host.log" 2>&1 || s=$?
[ "$s" -eq 0 ] || { cat "$raiz/host.log" >&2; falha "clhost --once exit $s"; }

# An ERP program against the installed package, both ways.
cmake -S "$src/examples" -B "$raiz/ex" -G Ninja -DCMAKE_PREFIX_PATH="$p" >/dev/null || falha "find_package(CL)"
cmake --build "$raiz/ex" >/dev/null || falha "example does not build against the installed headers"
"$raiz/ex/le_extrato" "$p/share/cl/sample/MockExtratoBancoBrasil.json" | grep -q '^lines [1-9]' ||
  falha "example did not read the sample statement"
# The whole day's work through the library and the installed store: import, post, reconcile.
rm -f "$estado/dia.db"
"$raiz/ex/concilia_dia" "sqlite:$estado/dia.db" "$p/share/cl/sample/sample-company.json" "$empresa" \
  "04/12/2026 09:00:00" >"$raiz/dia.log" 2>&1 || { cat "$raiz/dia.log" >&2; falha "concilia_dia"; }
grep -q '^reconciliation: 0, [1-9]' "$raiz/dia.log" || { cat "$raiz/dia.log" >&2; falha "concilia_dia reconciled no account"; }
grep -q '^lines [1-9][0-9]* reconciled [1-9]' "$raiz/dia.log" || { cat "$raiz/dia.log" >&2; falha "concilia_dia reconciled nothing"; }
PKG_CONFIG_PATH="$lib/pkgconfig" c++ -o "$raiz/le_pc" "$src/examples/le_extrato.cc" \
  $(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs cl) -Wl,-rpath,"$lib" ||
  falha "example does not build through pkg-config"
"$raiz/le_pc" "$p/share/cl/sample/MockExtratoBancoBrasil.json" >/dev/null || falha "pkg-config build does not run"
echo "install: 1 passed, 0 failed"
