#!/usr/bin/env bash
# Installs what is missing, builds the agent and starts it. When the demo trading service
# (tarvo-service) is part of the build, it runs on 127.0.0.1 for as long as the agent does, with
# a demo account, and the agent talks to it.
#
#   TARVO_DEMO_PORT   port of the demo service (default 8080)
#   TARVO_SERVICE_HOST   without the demo service: the service the agent talks to
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(tarvo-agent)
if cmake --build build --target help | grep -q '^tarvo-service:'; then
  targets+=(tarvo-service)
fi
cmake --build build -j "$(nproc)" --target "${targets[@]}"

agent=build/app/tarvo-agent
service=build/tools/tarvo-service
service_pid=
stop_service() { [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true; }
trap stop_service EXIT

if [ -x "$service" ]; then
  port=${TARVO_DEMO_PORT:-8080}
  mkdir -p build/demo-service
  "$service" --port "$port" --data build/demo-service --account demo:demo &
  service_pid=$!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    kill -0 "$service_pid" 2>/dev/null || { echo "run.sh: the demo service did not start" >&2; exit 1; }
    sleep 0.1
  done
  export TARVO_SERVICE_HOST="127.0.0.1:$port"
  echo "Demo trading service: http://$TARVO_SERVICE_HOST/ (login demo, password demo)"
else
  echo "The agent talks to ${TARVO_SERVICE_HOST:-the service host built in}."
fi
echo "Settings are kept in $(dirname "$agent")/agent.kvb."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No desktop display found: the window opens on a virtual display (xvfb-run)."
  xvfb-run -a "$agent"
else
  "$agent"
fi
