#!/usr/bin/env bash
# Installs, from Debian 12's packages, everything the program, its tests, its benchmarks and its
# Debian package need.
# Idempotent; run as root. Nothing is fetched from anywhere else.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev libsqlite3-dev nlohmann-json3-dev libcurl4-openssl-dev libcpp-httplib-dev libssl-dev zlib1g-dev libpugixml-dev
  wx3.2-i18n
  googletest libgtest-dev
  xvfb xauth openssl locales
  clang libclang-rt-14-dev
  librsvg2-bin dpkg-dev desktop-file-utils appstream lintian x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Faltam pacotes (${missing[*]}); rode este script como root." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The tests run in the user's real locale, Brazilian Portuguese, which the program also sets up for
# the toolkits' own texts (wx3.2-i18n holds wxWidgets' translations; GTK's come with GTK).
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(pt_BR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^pt_BR.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
  else
    echo "A localidade pt_BR.UTF-8 falta; rode este script como root." >&2
    exit 1
  fi
fi
