#!/usr/bin/env bash
# The run command's demo, with a stand-in for the dashboard: the person's own stored login stays
# untouched, the dashboard gets a HOME of the demo's, and a login stored there is still accepted
# by the service the next run starts.   test_run_demo.sh <source folder> <build folder>
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/pessoa" CUPOM_BUILD_DIR=$2 CUPOM_DEMO_DIR="$tmp/demo" CUPOM_RUN_INSTEAD="$tmp/painel"
mkdir -p "$HOME"
printf '[Login]\nId=id\nUsuario=pessoa\nToken=token-da-pessoa\n' | tee "$tmp/antes" >"$HOME/.CupomZelkariDashboard"

# Logs in as the demo user and stores the token in its HOME as the dashboard does, or, once one
# is stored, asks the service whether it still accepts it.
cat >"$CUPOM_RUN_INSTEAD" <<'FIM'
#!/usr/bin/env bash
pedir() {  # method, path, body, extra header line
  printf '%s %s HTTP/1.1\r\nHost: x\r\nContent-Length: %s\r\n%sConnection: close\r\n\r\n%s' \
    "$1" "$2" "${#3}" "$4" "$3" | openssl s_client -quiet -verify_return_error \
    -CAfile "$SSL_CERT_FILE" -connect "${CUPOM_SERVICE_URL#https://}" 2>/dev/null
}
echo "HOME=$HOME PWD=$PWD"
if [ -f "$HOME/.CupomZelkariDashboard" ]; then
  token=$(sed -n 's/^Token=//p' "$HOME/.CupomZelkariDashboard")
  pedir GET /cupom/api.php "" "secret-key: $token"$'\r\n' | head -n 1
else
  pedir POST /cupom/usuario.php '{"funcao":"login","nome":"demo","senha":"demo123"}' "" |
    sed -n 's/.*"secret":"\([0-9a-f]*\)".*/[Login]\nToken=\1/p' >"$HOME/.CupomZelkariDashboard"
fi
FIM
chmod +x "$CUPOM_RUN_INSTEAD"

CUPOM_DEMO_SEED=1 "$1/scripts/run.sh" | tee "$tmp/primeira"
"$1/scripts/run.sh" | tee "$tmp/segunda"
grep -qx "HOME=$tmp/demo/home PWD=$tmp/demo" "$tmp/primeira"
grep -q '^HTTP/1.1 200' "$tmp/segunda"
ls "$tmp"/demo/*.db >/dev/null
cmp "$tmp/antes" "$HOME/.CupomZelkariDashboard"
[ "$(ls -A "$HOME")" = .CupomZelkariDashboard ]
