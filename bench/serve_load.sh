#!/usr/bin/env bash
# Load on dexmora-serve over loopback with wrk, against the figures in
# bench/README.md ("dexmora-serve under load"):
#   1. /healthz and /v1/datamatrix?data=...&format=svg with new data for every
#      request (so each is encoded, none comes from the cache), 256 connections,
#      10 s each on the same server, in turns of 2 s: no non-2xx answer, no
#      socket error, and the symbol's throughput at least 0.7 x that of /healthz;
#   2. 60 s of symbols in every format, after 10 s of the same: the server's
#      resident memory, sampled every second, grows by less than 5 MB from
#      the first 10 s to the last 10 s.
#   bench/serve_load.sh [DEXMORA_SERVE]      (default: build/bin/dexmora-serve)
# DEXMORA_LOAD_SECONDS and DEXMORA_SOAK_SECONDS shorten the runs for a try;
# DEXMORA_SERVE_ARGS adds server flags (e.g. "--cache 0").
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

# Every connection may have a symbol queued: with the default limit (16 per
# worker) the rest would be answered 503, the limit doing its job, not a failure.
# shellcheck disable=SC2086 # DEXMORA_SERVE_ARGS is split into words on purpose
"$serve" --listen 127.0.0.1:0 --access-log off --max-in-flight "$connections" ${DEXMORA_SERVE_ARGS:-} \
  2>"$work/serve.log" &
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

cat >"$work/svg.lua" <<'LUA'
-- New data for every request: each one is encoded.
local n = 0
request = function()
  n = n + 1
  return wrk.format("GET", "/v1/datamatrix?data=" .. n .. "-" .. math.random(1000000) .. "&format=svg")
end
LUA

# The two URLs take turns, 5 slices of each making up the run: on a shared
# machine what else runs changes by the second, and the median of the five
# ratios does not follow one slice that it disturbed.
slices=5
slice_seconds=$(( load_seconds / slices > 0 ? load_seconds / slices : 1 ))
health_bad=0 health_errors=0 svg_bad=0 svg_errors=0 health_rates="" svg_rates="" ratios=""
for _ in $(seq "$slices"); do
  load "$slice_seconds" "$base/healthz"
  health_rates="$health_rates $rate" health_bad=$((health_bad + bad)) health_errors=$((health_errors + errors))
  health_slice=$rate
  load "$slice_seconds" "$base/v1/datamatrix" -s "$work/svg.lua"
  svg_rates="$svg_rates $rate" svg_bad=$((svg_bad + bad)) svg_errors=$((svg_errors + errors))
  ratios="$ratios $(awk -v a="$rate" -v b="$health_slice" 'BEGIN { printf "%.3f", a / b }')"
done
mean() { awk '{ for (i = 1; i <= NF; ++i) sum += $i; printf "%.0f", sum / NF }' <<<"$1"; }
health_rate=$(mean "$health_rates")
svg_rate=$(mean "$svg_rates")
ratio=$(tr ' ' '\n' <<<"$ratios" | sed '/^$/d' | sort -n | awk '{ r[NR] = $1 } END { printf "%.2f", r[int((NR + 1) / 2)] }')

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
# Resident memory once a second: the buffers of the requests in flight come
# and go, so growth is the median of the last 10 samples over that of the first 10.
(while kill -0 "$server" 2>/dev/null; do rss_kb; sleep 1; done) >"$work/rss.txt" &
sampler=$!
load "$soak_seconds" "$base/v1/datamatrix" -s "$work/fresh.lua"
kill "$sampler" && wait "$sampler" 2>/dev/null || true
soak_rate=$rate soak_bad=$((bad + warm_bad)) soak_errors=$((errors + warm_errors))
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
rss_before=$(head -n 10 "$work/rss.txt" | median)
rss_after=$(tail -n 10 "$work/rss.txt" | median)
growth=$(awk -v a="$rss_after" -v b="$rss_before" 'BEGIN { printf "%.1f", (a - b) / 1024 }')
rss_range=$(sort -n "$work/rss.txt" | sed -n '1p;$p' | awk '{ printf "%s%.1f", (NR > 1 ? "-" : ""), $1 / 1024 }')

echo "dexmora-serve under load: $connections connections, wrk on loopback, $(nproc) cores"
printf '  %-44s %10s req/s  non-2xx %s  socket errors %s\n' \
  "/healthz ($slices x $slice_seconds s, mean)" "$health_rate" "$health_bad" "$health_errors" \
  "symbol, svg, new data each (same)" "$svg_rate" "$svg_bad" "$svg_errors" \
  "new data, every format (${soak_seconds} s)" "$soak_rate" "$soak_bad" "$soak_errors"
echo "  slices, req/s: /healthz$health_rates; symbol$svg_rates"
echo "  symbol / healthz throughput: $ratio (median of$ratios)"
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
echo "  resident memory over the ${soak_seconds} s run (after 10 s of warm-up): first 10 s $(mb "$rss_before") MB," \
  "last 10 s $(mb "$rss_after") MB (medians), growth $growth MB; range $rss_range MB"
judge "no non-2xx answer" "$health_bad + $svg_bad + $soak_bad == 0"
judge "no socket error" "$health_errors + $svg_errors + $soak_errors == 0"
judge "symbol throughput >= 0.7 x /healthz" "$ratio >= 0.7"
judge "memory growth < 5 MB" "$growth < 5"
exit "$missed"
