#!/usr/bin/env python3
"""A stream of symbol requests through the proxy, each for new data so that no
answer comes from the cache. After --kill-after answers it kills --kill (one
instance behind the proxy); every request before and after must still succeed.
Prints one summary line and exits 1 on any failed request."""
import argparse
import http.client
import os
import signal
import sys
import threading
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--requests", type=int, default=3000)
    parser.add_argument("--threads", type=int, default=8)
    parser.add_argument("--kill", type=int, required=True, help="process to kill with SIGKILL")
    parser.add_argument("--kill-after", type=int, default=1000)
    parser.add_argument("--seconds", type=float, default=120, help="give up after this long")
    args = parser.parse_args()

    lock = threading.Lock()
    state = {"next": 0, "done": 0, "killed_at": None}
    failures = []
    deadline = time.monotonic() + args.seconds

    def take():
        with lock:
            if state["next"] >= args.requests or time.monotonic() > deadline:
                return None
            state["next"] += 1
            return state["next"]

    def finished():
        with lock:
            state["done"] += 1
            if state["done"] == args.kill_after:
                os.kill(args.kill, signal.SIGKILL)
                state["killed_at"] = state["done"]

    def fail(number, what):
        with lock:
            failures.append(f"request {number}: {what}")

    def worker():
        connection = http.client.HTTPConnection("127.0.0.1", args.port, timeout=10)
        while (number := take()) is not None:
            path = f"/v1/datamatrix?data=stream+{number}%25%23&format=svg"
            try:
                connection.request("GET", path)
                response = connection.getresponse()
                body = response.read()
                kind = response.getheader("Content-Type", "")
                if response.status != 200 or not kind.startswith("image/svg+xml") or b"<svg" not in body:
                    fail(number, f"status {response.status}, {kind}, {body[:120]!r}")
            except (OSError, http.client.HTTPException) as error:
                fail(number, f"{type(error).__name__}: {error}")
                connection.close()
                connection = http.client.HTTPConnection("127.0.0.1", args.port, timeout=10)
            finished()
        connection.close()

    started = time.monotonic()
    threads = [threading.Thread(target=worker) for _ in range(args.threads)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    seconds = time.monotonic() - started

    print(f"stream: {state['done']} requests in {seconds:.1f} s over {args.threads} connections, "
          f"instance killed after {state['killed_at']}, {len(failures)} failed")
    for line in failures[:10]:
        print("  " + line, file=sys.stderr)
    if state["done"] < args.requests:
        print(f"stream: only {state['done']} of {args.requests} requests before the time limit", file=sys.stderr)
        return 1
    if state["killed_at"] is None:
        print("stream: the instance was never killed", file=sys.stderr)
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
