#!/usr/bin/env python3
"""/healthz against the largest PNG on one polling thread (bench/README.md,
"dexmora-serve: health while drawing"):
  1. one largest allowed PNG alone: its time (median of 5, each new data);
  2. 8 of them in flight at once (each new data, so none comes from the cache)
     on --threads 1: /healthz's time meanwhile (median of the probes made
     while work was queued), the ratio of the two (target: below 0.25), and
     the queue wait /metrics shows (target: above 0);
  3. the same with --max-in-flight 2: some answers are 503 with Retry-After.
   bench/serve_health_ratio.py [DEXMORA_SERVE]   (default: build/bin/dexmora-serve)
Not a test: the figures depend on the machine. Exits 1 when a target is missed.
"""
import http.client
import os
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVE = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "bin", "dexmora-serve")
# The largest PNG the default limits allow: 144x144 at 33 pixels a module.
LARGEST = "/v1/datamatrix?size=144&module=33&data="
IN_FLIGHT = 8


class Server:
    def __init__(self, *args):
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen([SERVE, "--listen", "127.0.0.1:0", "--access-log", "off", *args],
                                        stderr=self.log, stdin=subprocess.DEVNULL)
        self.port = None
        for _ in range(500):
            self.log.seek(0)
            found = re.search(rb"listening on 127\.0\.0\.1:(\d+)", self.log.read())
            if found:
                self.port = int(found.group(1))
                break
            time.sleep(0.01)
        if self.port is None:
            self.stop()
            sys.exit("serve_health_ratio: the server did not start")

    def get(self, path):
        """(status, headers, seconds) of one GET on a connection of its own."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        start = time.perf_counter()
        connection.request("GET", path)
        response = connection.getresponse()
        response.read()
        seconds = time.perf_counter() - start
        connection.close()
        return response.status, dict(response.getheaders()), seconds

    def metric(self, name):
        body = self.get_body("/metrics")
        found = re.search(r"^%s (\S+)$" % re.escape(name), body, re.M)
        return float(found.group(1)) if found else -1.0

    def get_body(self, path):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        connection.request("GET", path)
        body = connection.getresponse().read().decode()
        connection.close()
        return body

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=60)


def largest(n):
    return LARGEST + "ratio-%d-%d" % (os.getpid(), n)


def burst(server, first):
    """Starts IN_FLIGHT largest PNGs at once; the threads and their results."""
    results = [None] * IN_FLIGHT

    def one(i):
        results[i] = server.get(largest(first + i))

    threads = [threading.Thread(target=one, args=(i,)) for i in range(IN_FLIGHT)]
    for thread in threads:
        thread.start()
    return threads, results


def main():
    missed = False
    server = Server("--threads", "1", "--cache", "0")
    alone = statistics.median(server.get(largest(n))[2] for n in range(5))
    threads, results = burst(server, 100)
    probes = []
    # Probes while work is queued: /metrics says so before and after each.
    while any(thread.is_alive() for thread in threads):
        if server.metric("dexmora_queue_depth") < 1:
            continue
        status, _, seconds = server.get("/healthz")
        if status == 200 and server.metric("dexmora_queue_depth") >= 1:
            probes.append(seconds)
    for thread in threads:
        thread.join()
    waited = server.metric("dexmora_queue_wait_seconds_sum")
    server.stop()
    ok = sum(1 for status, _, _ in results if status == 200)
    health = statistics.median(probes) if probes else float("nan")
    ratio = health / alone
    print("dexmora-serve: /healthz while %d of the largest PNGs are in flight, --threads 1, %d cores"
          % (IN_FLIGHT, os.cpu_count()))
    print("  one largest PNG alone (144x144, 33 px a module): %.1f ms (median of 5)" % (alone * 1000))
    print("  /healthz meanwhile: %.2f ms (median of %d probes while work was queued); %d of %d PNGs 200"
          % (health * 1000, len(probes), ok, IN_FLIGHT))
    print("  ratio /healthz / PNG: %.3f; queue wait in all: %.3f s" % (ratio, waited))

    limited = Server("--threads", "1", "--max-in-flight", "2", "--cache", "0")
    threads, results = burst(limited, 200)
    for thread in threads:
        thread.join()
    limited.stop()
    busy = sum(1 for status, headers, _ in results if status == 503 and headers.get("Retry-After") == "1")
    print("  --max-in-flight 2, %d at once: %d answered 503 with Retry-After, %d 200"
          % (IN_FLIGHT, busy, sum(1 for status, _, _ in results if status == 200)))

    for what, met in (("/healthz below a quarter of one PNG's time", probes and ratio < 0.25),
                      ("queue wait above 0", waited > 0),
                      ("every PNG made", ok == IN_FLIGHT),
                      ("503 with Retry-After past --max-in-flight", busy > 0)):
        print("  %-6s %s" % ("ok" if met else "MISSED", what))
        missed = missed or not met
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
