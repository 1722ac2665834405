#!/usr/bin/env bash
# nginx in front of two dexmora-serve instances on loopback, as docs/deploy.md
# describes: nginx starts first, then the instances; a stream of requests runs
# through nginx while one instance is killed, and no request fails. Also:
# answers cached by ETag, 304 from the cache, the body limit and the timeout
# for a client that stalls mid-header are nginx's.
# The configuration in docs/deploy.md must pass `nginx -t` too.
#   scale_out.sh DEXMORA_SERVE DEPLOY_MD
# Exits 77 (skipped) when nginx or python3 is missing.
set -euo pipefail
serve=$1
deploy_md=$2
here=$(cd "$(dirname "$0")" && pwd)
nginx=$(command -v nginx || echo /usr/sbin/nginx)
[ -x "$nginx" ] || { echo "nginx is not installed: skipped"; exit 77; }
command -v python3 >/dev/null || { echo "python3 is not installed: skipped"; exit 77; }
command -v curl >/dev/null || { echo "curl is not installed: skipped"; exit 77; }

# The cache takes a file for each of the stream's answers: memory is quicker to fill and remove.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work=$(mktemp -d -p /dev/shm); else work=$(mktemp -d); fi
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "scale_out: $*" >&2
  for log in "$work"/logs/error.log "$work"/serve-*.log; do
    [ -s "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
  done
  exit 1
}

# Three free loopback ports: nginx's and one for each instance.
read -r port port_a port_b < <(python3 -c '
import socket
held = [socket.socket() for _ in range(3)]
for s in held: s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in held))')

mkdir -p "$work/logs" "$work/cache" "$work/temp"
# The error_page lines and the named locations they send to, from the
# documented configuration: the test runs the lines readers copy.
awk '/^```nginx$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$deploy_md" |
  awk '/^  error_page / { print; next } /^  location @/ { named = 1 } named { print } named && /^  }$/ { named = 0 }' \
  >"$work/error_pages.conf"
grep -q '^  error_page 429' "$work/error_pages.conf" || fail "no error_page for 429 in $deploy_md"
sed -e "s|@PREFIX@|$work|g" -e "s|@USER@|$(id -un)|" -e "s|@GROUP@|$(id -gn)|" \
    -e "s|@PORT@|$port|" -e "s|@PORT_A@|$port_a|" -e "s|@PORT_B@|$port_b|" \
    -e "/@ERROR_PAGES@/{r $work/error_pages.conf" -e "d}" \
    "$here/nginx.conf.in" >"$work/nginx.conf"
# Workers run as the test's user; only root may say so.
[ "$(id -u)" -eq 0 ] || sed -i '/^user /d' "$work/nginx.conf"
"$nginx" -p "$work" -c "$work/nginx.conf" -e "$work/logs/error.log" -t -q || fail "nginx refuses the configuration"
{
  printf 'pid %s/doc.pid;\nevents {}\nhttp {\n' "$work"
  printf 'access_log %s/logs/doc-access.log;\n' "$work"   # this prefix's paths, not /var's
  sed -n '/_temp_path /p' "$work/nginx.conf"
  awk '/^```nginx$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$deploy_md" |
    sed -e "s|/var/cache/nginx/dexmora|$work/doc-cache|" -e '/listen \[::\]:80;/d' \
        -e "s|listen 80;|listen 127.0.0.1:$port;|"   # nginx -t binds: a port the test may use
  printf '}\n'
} >"$work/doc.conf"
grep -q proxy_next_upstream "$work/doc.conf" || fail "no nginx configuration in $deploy_md"
"$nginx" -p "$work" -c "$work/doc.conf" -e "$work/logs/error.log" -t -q || fail "nginx refuses the configuration in $deploy_md"
"$nginx" -p "$work" -c "$work/nginx.conf" -e "$work/logs/error.log" &
pids+=($!)

# Waits until URL answers with STATUS (up to 10 s).
await() {
  local url=$1 status=$2 got
  for _ in $(seq 100); do
    got=$(curl -s -o /dev/null -w '%{http_code}' "$url" || true)
    [ "$got" = "$status" ] && return 0
    sleep 0.1
  done
  fail "$url answered $got, not $status"
}
base="http://127.0.0.1:$port"
await "$base/healthz" 502   # nginx is up; no instance yet

# What nginx refuses itself reads like the service's own errors: JSON with a
# stable name, and Retry-After.
json_error() {  # url, status, error name
  local answer
  answer=$(curl -s -D - "$1" | tr -d '\r')
  grep -q "^HTTP/1.1 $2 " <<<"$answer" || fail "$1 did not answer $2: $answer"
  grep -qi '^content-type: application/json' <<<"$answer" || fail "$1's $2 is not JSON: $answer"
  grep -qi '^retry-after: ' <<<"$answer" || fail "$1's $2 has no Retry-After: $answer"
  python3 -c 'import json, sys; body = json.loads(sys.stdin.read().split("\n\n", 1)[1]); sys.exit(0 if body["error"] == sys.argv[1] and body["message"] else 1)' \
    "$3" <<<"$answer" || fail "$1's $2 is not the error $3: $answer"
}
json_error "$base/healthz" 502 unavailable

"$serve" --listen "127.0.0.1:$port_a" --access-log off 2>"$work/serve-a.log" &
pid_a=$!
pids+=("$pid_a")
"$serve" --listen "127.0.0.1:$port_b" --access-log off 2>"$work/serve-b.log" &
pids+=($!)
await "http://127.0.0.1:$port_a/healthz" 200
await "http://127.0.0.1:$port_b/healthz" 200
await "$base/healthz" 200

status=$(curl -s -o /dev/null -w '%{http_code}' "$base/v1/openapi.json")
[ "$status" = 200 ] || fail "the first request to the rate-limited path gave $status"
json_error "$base/v1/openapi.json" 429 rate_limited

# Caching by ETag: the second answer is the cache's, and a client holding the
# ETag gets 304 from nginx.
header() {  # name, then curl's arguments: that response header's value
  local name=$1
  shift
  curl -s -o /dev/null -D - "$@" | tr -d '\r' | sed -n "s/^$name: *//Ip" | head -n 1
}
symbol="$base/v1/datamatrix?data=cached+%23%25&format=png"
[ "$(header X-Cache-Status "$symbol")" = MISS ] || fail "the first request was not a cache miss"
[ "$(header X-Cache-Status "$symbol")" = HIT ] || fail "the second request was not a cache hit"
etag=$(header ETag "$symbol")
[ -n "$etag" ] || fail "no ETag through the proxy"
status=$(curl -s -o /dev/null -w '%{http_code}' -H "If-None-Match: $etag" "$symbol")
[ "$status" = 304 ] || fail "If-None-Match through the proxy gave $status, not 304"
bad="$base/v1/datamatrix?data=x&size=abc"
status=$(curl -s -o /dev/null -w '%{http_code}' "$bad")
[ "$status" = 400 ] || fail "a bad size gave $status, not 400"
[ "$(header X-Cache-Status "$bad")" != HIT ] || fail "an error answer came from the cache"

# The body limit and the header timeout are the proxy's.
status=$(head -c 100000 /dev/zero | curl -s -o /dev/null -w '%{http_code}' --data-binary @- \
  "$base/v1/datamatrix?format=svg")
[ "$status" = 413 ] || fail "a 100 kB body gave $status, not 413"
python3 - "$port" <<'PY' || fail "a client stalled mid-header was not closed by nginx"
import socket, sys, time
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
s.sendall(b"GET /healthz HTTP/1.1\r\nHost: x\r\n")
s.settimeout(10)
start = time.monotonic()
while s.recv(4096):
    pass
sys.exit(0 if time.monotonic() - start < 8 else 1)
PY

# bash reports the killed job on its own standard error; only the stream's is shown.
exec 3>&2 2>/dev/null
python3 "$here/stream.py" --port "$port" --requests 10000 --threads 8 --kill "$pid_a" --kill-after 2000 2>&3 ||
  fail "requests failed while an instance was killed"
wait "$pid_a" && fail "the killed instance exited normally"
exec 2>&3 3>&-

# The access log shows the failover: requests retried on the other instance
# (two upstream addresses), and after the kill every answer from B.
python3 - "$work/logs/access.log" "$port_a" "$port_b" <<'PY' || fail "the access log does not show the failover"
import sys
path, a, b = sys.argv[1], "127.0.0.1:" + sys.argv[2], "127.0.0.1:" + sys.argv[3]
stream = [line for line in open(path) if line.startswith("/v1/datamatrix?data=stream")]
retried = [line for line in stream if line.split('"')[1].count(",") >= 1]
final = [line.split('"')[1].split(", ")[-1] for line in stream]
from_a, from_b = final.count(a), final.count(b)
print(f"access log: {len(stream)} stream requests, {from_a} answered by A, {from_b} by B, {len(retried)} retried on the other")
sys.exit(0 if from_a > 0 and from_b > from_a and retried else 1)
PY
echo "scale_out: no failed request while one of two instances was killed"
