#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh) and checks it: the package holds exactly the
# expected files; its desktop entry and AppStream metadata validate; lintian reports no error and
# no warning; and the program unpacked from it, started under Xvfb with an empty HOME, opens its
# login window with the window class its desktop entry names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
id=br.com.zelkari.CupomDashboard
titulo="Login - Dashboard"

# Under Xvfb: start the unpacked program through its desktop entry's Exec line, from the home
# folder as the application menu does, wait at most 30 s for its login window, check that it
# runs in its own data folder (for its owner only), print the window's class, close the program.
if [ "${1:-}" = --janela ]; then
  raiz=$2
  cd "$HOME"
  read -ra comando <<<"$(sed -n 's/^Exec=//p' "$raiz/usr/share/applications/$id.desktop")"
  comando[-1]="$raiz/usr/bin/${comando[-1]}"
  "${comando[@]}" &
  programa=$!
  janela=
  for _ in $(seq 1 150); do
    janela=$(xwininfo -root -tree | awk -v t="\"$titulo\":" 'index($0, t) {print $1; exit}')
    [ -n "$janela" ] && break
    kill -0 "$programa" 2>/dev/null || break
    sleep 0.2
  done
  status=0
  pasta="$HOME/.local/share/cupom-dashboard"
  if [ -n "$janela" ]; then
    if [ "$(readlink "/proc/$programa/cwd")" != "$pasta" ] || [ "$(stat -c %a "$pasta")" != 700 ]; then
      echo "Iniciado pelo menu, o programa não está em $pasta (0700): $(readlink "/proc/$programa/cwd")" >&2
      status=1
    fi
    xprop -id "$janela" WM_CLASS || status=1
  else
    echo "A janela \"$titulo\" não apareceu em 30 segundos." >&2
    status=1
  fi
  kill "$programa" 2>/dev/null || true
  wait "$programa" 2>/dev/null || true
  exit "$status"
fi

"$root/scripts/package.sh"
debs=("$root"/build/package/cupom-dashboard_*.deb)
deb=${debs[0]}

trabalho=$(mktemp -d)
trap 'rm -rf "$trabalho"' EXIT

echo "== files in $(basename "$deb")"
esperados="usr/bin/cupom-dashboard
usr/bin/cupom-importar
usr/bin/cupom-relatorios
usr/share/applications/$id.desktop
usr/share/doc/cupom-dashboard/changelog.gz
usr/share/doc/cupom-dashboard/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/lintian/overrides/cupom-dashboard
usr/share/man/man1/cupom-dashboard.1.gz
usr/share/man/man1/cupom-importar.1.gz
usr/share/man/man1/cupom-relatorios.1.gz
usr/share/metainfo/$id.metainfo.xml"
diff -u <(echo "$esperados" | sort) \
  <(dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ {sub(/^\.\//, "", $6); print $6}' | sort)
echo ok

raiz="$trabalho/raiz"
dpkg -x "$deb" "$raiz"
echo "== desktop-file-validate"
desktop-file-validate "$raiz/usr/share/applications/$id.desktop"
echo ok
echo "== appstreamcli validate"
appstreamcli validate --no-net "$raiz/usr/share/metainfo/$id.metainfo.xml"

echo "== lintian"
lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2)
echo ok

echo "== the unpacked program under Xvfb"
mkdir "$trabalho/home"
classe=$(HOME="$trabalho/home" CUPOM_SERVICE_URL=https://127.0.0.1:9 \
  xvfb-run -a -s "-screen 0 1280x800x24" "$0" --janela "$raiz")
echo "\"$titulo\" apareceu; $classe"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$raiz/usr/share/applications/$id.desktop")
if [[ "$classe" != *"\"$wmclass\""* ]]; then
  echo "StartupWMClass=$wmclass não é a classe da janela ($classe)." >&2
  exit 1
fi
echo "ok; the package stage took $SECONDS s"
