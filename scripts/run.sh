#!/usr/bin/env bash
# The run command: installs what is missing, builds, starts the local receipt service with sample
# data on 127.0.0.1 and opens the dashboard against it, in the working folder build/demo. The
# service stops when the dashboard ends.
#
#   CUPOM_PRESET=name     build preset (default release)
#   CUPOM_BUILD_DIR=dir   an already configured build folder to use instead of the preset's
#   CUPOM_DEMO_SEED=1     fill the demo user's database with the sample receipts before opening
#                         the dashboard (otherwise they arrive through "Sincronizar")
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
preset=${CUPOM_PRESET:-release}
usuario=demo
senha=demo123
alvos=(cupom-dashboard cupom-service cupom-seed-db)

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

demo="$root/build/demo"
certs="$demo/certs"
mkdir -p "$demo"
"$root/scripts/make-certs.sh" "$certs" >/dev/null

pronto="$demo/service-url"
log="$demo/service.log"
rm -f "$pronto"
"$build/service/cupom-service" --port 0 --cert "$certs/server.pem" --key "$certs/server.key" \
  --user "$usuario" --password "$senha" --ready-file "$pronto" >"$log" 2>&1 &
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
  "$build/app/cupom-seed-db" --user "$usuario"
else
  echo "Os cupons chegam pelo menu Ferramentas > Sincronizar."
  echo "(Para abrir com o banco já preenchido, rode com CUPOM_DEMO_SEED=1.)"
fi

set +e
"$build/app/cupom-dashboard"
status=$?
set -e
exit "$status"
