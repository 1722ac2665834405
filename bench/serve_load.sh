#!/usr/bin/env bash
# Load on dexmora-serve over loopback with wrk, against the figures in
# bench/README.md ("dexmora-serve under load"):
#   1. /healthz, /v1/datamatrix?data=123456&format=svg and /healthz again,
#      256 connections, 10 s each on the same server: no non-2xx answer, no
#      socket error, and the symbol's throughput at least 0.7 x that of /healthz;
#   2. 60 s of symbols in every format, after 10 s of the same: the server's
#      resident memory grows by less than 5 MB.
#   bench/serve_load.sh [DEXMORA_SERVE]      (default: build/bin/dexmora-serve)
# DEXMORA_LOAD_SECONDS and DEXMORA_SOAK_SECONDS shorten the runs for a try.
# Not a test: the figures depend on the machine. Exits 1 when a target is missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
serve=${1:-$root/build/bin/dexmora-serve}
load_seconds=${DEXMORA_LOAD_SECONDS:-10}
soak_seconds=${DEXMORA_SOAK_SECONDS:-60}
connections=256
. "$root/cmake/packages.sh"
"$root/cmake/install-deps.sh" $LOAD_PACKAGES
[ -x "$serve" ] || { echo "serve_load: no $serve (cmake --build build --target dexmora-serve)" >&2; exit 1; }

work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$serve" --listen 127.0.0.1:0 --access-log off 2>"$work/serve.log" &
server=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/serve.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$work/serve.log" >&2; echo "serve_load: the server did not start" >&2; exit 1; }
base="http://127.0.0.1:$port"

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$server/status"; }

# Runs wrk; sets rate (requests/s), bad (non-2xx or 3xx) and errors (socket errors).
load() {  # seconds, url, then wrk's other arguments
  local seconds=$1 url=$2 out
  shift 2
  out=$(wrk -t2 -c"$connections" -d"${seconds}s" "$@" "$url")
  rate=$(awk '/^Requests\/sec:/ { print $2 }' <<<"$out")
  bad=$(awk '/Non-2xx or 3xx responses:/ { print $NF }' <<<"$out")
  errors=$(awk '/Socket errors:/ { gsub(",", ""); print $4 + $6 + $8 + $10 }' <<<"$out")
  bad=${bad:-0}
  errors=${errors:-0}
  if [ "$errors" -gt 0 ]; then echo "  socket errors at $url:$(sed -n 's/.*Socket errors://p' <<<"$out")" >&2; fi
}

missed=0
judge() {  # what, condition as an awk expression on its own
  if awk "BEGIN { exit !($2) }"; then echo "  ok    $1"; else echo "  MISSED $1"; missed=1; fi
}

wrk -t1 -c8 -d1s "$base/v1/datamatrix?data=123456&format=svg" >/dev/null  # warm-up

# /healthz before and after the symbols: on a shared machine the mean of the
# two cancels a drift in what else runs.
load "$load_seconds" "$base/healthz"
health_rate=$rate health_bad=$bad health_errors=$errors
load "$load_seconds" "$base/v1/datamatrix?data=123456&format=svg"
svg_rate=$rate svg_bad=$bad svg_errors=$errors
load "$load_seconds" "$base/healthz"
health_rate=$(awk -v a="$health_rate" -v b="$rate" 'BEGIN { printf "%.2f", (a + b) / 2 }')
health_bad=$((health_bad + bad)) health_errors=$((health_errors + errors))
ratio=$(awk -v a="$svg_rate" -v b="$health_rate" 'BEGIN { printf "%.2f", a / b }')

cat >"$work/fresh.lua" <<'LUA'
-- Every request asks for new data, in turn in every format.
local formats = { "svg", "png", "json", "pdf", "eps", "txt" }
local n = 0
request = function()
  n = n + 1
  return wrk.format("GET", "/v1/datamatrix?data=load-" .. n .. "-%2B%25&format=" .. formats[n % #formats + 1])
end
LUA
# The same mix for 10 s first: the heap and 256 connections' buffers reach
# their working size, which is not growth.
load 10 "$base/v1/datamatrix" -s "$work/fresh.lua"
warm_bad=$bad warm_errors=$errors
rss_before=$(rss_kb)
load "$soak_seconds" "$base/v1/datamatrix" -s "$work/fresh.lua"
soak_rate=$rate soak_bad=$((bad + warm_bad)) soak_errors=$((errors + warm_errors))
rss_after=$(rss_kb)
growth=$(awk -v a="$rss_after" -v b="$rss_before" 'BEGIN { printf "%.1f", (a - b) / 1024 }')

echo "dexmora-serve under load: $connections connections, wrk on loopback, $(nproc) cores"
printf '  %-44s %10s req/s  non-2xx %s  socket errors %s\n' \
  "/healthz (2 x ${load_seconds} s, mean)" "$health_rate" "$health_bad" "$health_errors" \
  "/v1/datamatrix?data=123456&format=svg (${load_seconds} s)" "$svg_rate" "$svg_bad" "$svg_errors" \
  "new data, every format (${soak_seconds} s)" "$soak_rate" "$soak_bad" "$soak_errors"
echo "  symbol / healthz throughput: $ratio"
echo "  resident memory: $((rss_before / 1024)) MB after a 10 s warm-up, $((rss_after / 1024)) MB after the ${soak_seconds} s run ($growth MB)"
judge "no non-2xx answer" "$health_bad + $svg_bad + $soak_bad == 0"
judge "no socket error" "$health_errors + $svg_errors + $soak_errors == 0"
judge "symbol throughput >= 0.7 x /healthz" "$ratio >= 0.7"
judge "memory growth < 5 MB" "$growth < 5"
exit "$missed"
