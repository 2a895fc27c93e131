#!/bin/sh
# Builds the Debian package from this build and checks it as dpkg would lay it down:
# its control fields and maintainer scripts, the files at the system's places, and the
# programs run from the unpacked root (cl --version, cl init, the sample company,
# clhost --once). The maintainer scripts are not run: they create a system user.
# Usage: package_test.sh <build dir>        Exit 77 (skipped) without dpkg-deb.
set -eu
build="$1"
command -v dpkg-deb >/dev/null 2>&1 || { echo "dpkg-deb not found: package test skipped"; exit 77; }
raiz="$(mktemp -d)"
trap 'rm -rf "$raiz"' EXIT
falha() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$raiz/pacote" \
  -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$raiz/cpack.log" 2>&1 || { cat "$raiz/cpack.log" >&2; falha "cpack"; }
deb="$(ls "$raiz"/pacote/cl_*_amd64.deb)"
depende="$(dpkg-deb -f "$deb" Depends)"
for d in adduser libsoci-sqlite3 libsoci-postgresql libcurl; do
  echo "$depende" | grep -q "$d" || falha "Depends lacks $d: $depende"
done
dpkg-deb -e "$deb" "$raiz/controle"
for s in postinst prerm postrm; do
  [ -x "$raiz/controle/$s" ] || falha "$s missing or not executable"
  sh -n "$raiz/controle/$s" || falha "$s does not parse"
done
grep -qx /etc/cl/cl.conf "$raiz/controle/conffiles" || falha "cl.conf is not a conffile (an upgrade would overwrite it)"

r="$raiz/raiz"
dpkg-deb -x "$deb" "$r"
for f in etc/cl/cl.conf lib/systemd/system/clhost.service usr/bin/cl usr/bin/clhost usr/share/cl/mensagens.tsv \
         usr/share/cl/sample/sample-company.json; do
  [ -f "$r/$f" ] || falha "/$f not in the package"
done
grep -q '^ExecStart=/usr/bin/clhost' "$r/lib/systemd/system/clhost.service" || falha "unit does not start /usr/bin/clhost"
lib="$(dirname "$(find "$r/usr" -name 'libcl.so.*' | head -n 1)")"
[ -f "$lib/libzqmensagens.so" ] || falha "message library not beside libcl.so"

# The programs from the unpacked root, as the service would run them.
export LD_LIBRARY_PATH="$lib" CL_CONFIG="$r/etc/cl/cl.conf" CL_LOCAL_ORBEL="$raiz/estado"
export CL_BANCO="sqlite:$raiz/estado/cl.db"
unset CL_BIBLIOTECA_MENSAGENS
mkdir -p "$raiz/estado"
amostra="$r/usr/share/cl/sample"
cp "$amostra/MockExtratoTavorin.ofx" "$amostra/MockExtratoBancoBrasil.json" "$raiz/estado/"
"$r/usr/bin/cl" --version | grep -q '^cl [0-9]' || falha "cl --version"
"$r/usr/bin/cl" init >/dev/null || falha "cl init"
"$r/usr/bin/cl" load-company "$amostra/sample-company.json" >/dev/null || falha "cl load-company"
empresa="$(sed -n 's/.*"codigo": *"\([^"]*\)".*/\1/p' "$amostra/sample-company.json" | head -n 1)"
s=0
"$r/usr/bin/clhost" --once --empresa "$empresa" --agora "04/12/2026 09:00:00" >"$raiz/host.log" 2>&1 || s=$?
[ "$s" -eq 0 ] || { cat "$raiz/host.log" >&2; falha "clhost --once exit $s"; }
echo "package: 1 passed, 0 failed ($(basename "$deb"), $(du -k "$deb" | cut -f1) KiB)"
