#!/bin/sh
# Installs the packages the build, the tests and the tools need; packages already
# present are left alone, so running it again is harmless. pkgconf: the install test
# builds the example through cl.pc. chromium, its driver and selenium: the console's
# browser test.
set -eu

PACOTES="build-essential cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev \
libsoci-dev libpq-dev postgresql nlohmann-json3-dev libcurl4-openssl-dev libcli11-dev libsqlite3-dev sqlite3 \
mingw-w64-common clang clang-format libclang-rt-dev pkgconf \
libcpp-httplib-dev libssl-dev chromium chromium-driver python3-selenium"

faltando=""
for pacote in $PACOTES; do
  if ! dpkg-query -W -f='${Status}' "$pacote" 2>/dev/null | grep -q "install ok installed"; then
    faltando="$faltando $pacote"
  fi
done

if [ -z "$faltando" ]; then
  echo "Todas as dependências já estão instaladas."
  exit 0
fi

echo "Instalando:$faltando"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $faltando
