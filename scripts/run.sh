#!/usr/bin/env bash
# The run command: installs what is missing, builds, starts the local receipt service with sample
# data on 127.0.0.1 and opens the dashboard against it, in the working folder build/demo. The
# service stops when the dashboard ends.
#
# The demo keeps everything in its folder: the database, and its own settings (the dashboard runs
# with HOME at build/demo/home), so its login lasts from one run to the next (the service keeps
# the tokens it issued in build/demo/service-tokens) and a login stored in the person's own HOME
# is never read nor replaced.
#
#   CUPOM_PRESET=name     build preset (default release)
#   CUPOM_BUILD_DIR=dir   an already configured build folder to use instead of the preset's
#   CUPOM_DEMO_SEED=1     fill the demo user's database with the sample receipts before opening
#                         the dashboard (otherwise they arrive through "Sincronizar")
#   CUPOM_DEMO_DIR=dir    the demo's folder (default build/demo)
#   CUPOM_RUN_INSTEAD=cmd for tests: take CUPOM_BUILD_DIR as built (no package check, no build,
#                         no display needed), prepare the demo as usual and run cmd in place of
#                         the dashboard, with the dashboard's environment and working folder
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
preset=${CUPOM_PRESET:-release}
usuario=demo
senha=demo123
alvos=(cupom-dashboard cupom-service cupom-seed-db cupom-importar)

if [ -n "${CUPOM_RUN_INSTEAD:-}" ]; then
  build=$(cd "${CUPOM_BUILD_DIR:?CUPOM_RUN_INSTEAD pede CUPOM_BUILD_DIR}" && pwd)
else
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Sem display gráfico: rode numa sessão gráfica (ou com xvfb-run)." >&2
    exit 1
  fi

  "$root/scripts/install-deps.sh"

  if [ -n "${CUPOM_BUILD_DIR:-}" ]; then
    build=$(cd "$CUPOM_BUILD_DIR" && pwd)
    cmake --build "$build" -j"$(nproc)" --target "${alvos[@]}"
  else
    (cd "$root" && cmake --preset "$preset" && cmake --build --preset "$preset" -j"$(nproc)" --target "${alvos[@]}")
    build="$root/build/$preset"
  fi
fi

demo=${CUPOM_DEMO_DIR:-$root/build/demo}
certs="$demo/certs"
mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
home_demo="$demo/home"
mkdir -p -m 700 "$home_demo"
"$root/scripts/make-certs.sh" "$certs" >/dev/null

# The sample receipts end now; the service and the database filler take the same moment.
fim=$(date +%Y-%m-%dT%H:%M:%S)

pronto="$demo/service-url"
log="$demo/service.log"
rm -f "$pronto"
"$build/service/cupom-service" --port 0 --cert "$certs/server.pem" --key "$certs/server.key" \
  --user "$usuario" --password "$senha" --end-date "$fim" --ready-file "$pronto" \
  --tokens-file "$demo/service-tokens" >"$log" 2>&1 &
servico=$!

parar_servico() {
  if kill -0 "$servico" 2>/dev/null; then
    kill "$servico" 2>/dev/null || true
    wait "$servico" 2>/dev/null || true
  fi
}
trap parar_servico EXIT
trap 'exit 130' INT TERM

# The service writes its URL once it is listening; wait for it, at most 30 seconds.
for _ in $(seq 1 300); do
  [ -s "$pronto" ] && break
  if ! kill -0 "$servico" 2>/dev/null; then
    echo "O serviço local não iniciou:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -s "$pronto" ]; then
  echo "O serviço local não respondeu em 30 segundos (veja $log)." >&2
  exit 1
fi

export CUPOM_SERVICE_URL
CUPOM_SERVICE_URL=$(head -n 1 "$pronto")
export SSL_CERT_FILE="$certs/ca.pem"

echo "Serviço local de cupons em $CUPOM_SERVICE_URL"
echo "  usuário: $usuario"
echo "  senha:   $senha"

cd "$demo"
if [ "${CUPOM_DEMO_SEED:-0}" = 1 ]; then
  echo "CUPOM_DEMO_SEED=1: preenchendo o banco do usuário $usuario com os cupons de exemplo."
  "$build/app/cupom-seed-db" --user "$usuario" --end-date "$fim"
else
  echo "Os cupons chegam pelo menu Ferramentas > Sincronizar."
  echo "(Para abrir com o banco já preenchido, rode com CUPOM_DEMO_SEED=1.)"
fi

painel=("$build/app/cupom-dashboard")
[ -n "${CUPOM_RUN_INSTEAD:-}" ] && painel=("$CUPOM_RUN_INSTEAD")
set +e
HOME="$home_demo" "${painel[@]}"
status=$?
set -e
exit "$status"
