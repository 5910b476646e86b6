#!/usr/bin/python3
"""Append -> site latency of the live cycle against a pyftpdlib server on the loopback.

A writer appends RATE readings a second to a zunText file of 10,000 readings (a share SPLIT of
them written in two pieces, the second 20 to 200 ms after the first); a watcher reads the
server's folder every 10 ms and notes when each reading is there. Prints p50, p99 and max from
the moment a reading's last byte was written, with the machine's load (uptime) before and after.

  bench/latency_bench.py BUILD_DIR watch-txt|watch-999|window-txt [SECONDS] [RATE] [SPLIT]
"""
import os, random, re, subprocess, sys, tempfile, threading, time

BIBS = 2000


def packed(ms):
    h, m, s, f = ms // 3600000, (ms // 60000) % 60, (ms // 1000) % 60, ms % 1000
    return h * 10000000 + m * 100000 + s * 1000 + f


def reading(i):
    """Reading i: bib, lap, the line, the text of its line in the pure text and in its count file."""
    bib, lap = 1 + i % BIBS, 1 + i // BIBS
    t = packed(3600000 + i * 1000)
    line = f"1,1,{bib},{lap},{t},{t // 1000 * 1000},{90000000 + i}"
    return lap, line, f",{90000000 + i}\r\n", f",{bib},{t // 1000 * 1000 // 1000},"


def tail(path, size=32768):
    try:
        with open(path, "rb") as f:
            f.seek(0, 2)
            n = f.tell()
            f.seek(max(0, n - size))
            return f.read().decode("ascii", "replace")
    except OSError:
        return ""


def main():
    build, mode = sys.argv[1], sys.argv[2]
    seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    rate = float(sys.argv[4]) if len(sys.argv) > 4 else 20
    split = float(sys.argv[5]) if len(sys.argv) > 5 else 0.05
    work = tempfile.mkdtemp(prefix="latency_bench")
    root, race, out = f"{work}/root", f"{work}/race/race.txt", f"{work}/out"
    os.makedirs(root), os.makedirs(os.path.dirname(race)), os.makedirs(out)
    first = 10000
    with open(race, "w") as f:
        for i in range(first):
            f.write(reading(i)[1] + "\n")
    server = subprocess.Popen(["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0", "-w", "-d", root,
                               "-u", "bench", "-P", "bench"], stderr=subprocess.PIPE, text=True)
    port = None
    for text in server.stderr:
        m = re.search(r"starting FTP server on 127\.0\.0\.1:(\d+)", text)
        if m:
            port = m.group(1)
            break
    threading.Thread(target=lambda: [None for _ in server.stderr], daemon=True).start()
    host = f"127.0.0.1:{port}"
    env = dict(os.environ, ZUNTEXT_FTP_PASSWORD="bench")
    log = open(f"{work}/target.log", "w")
    if mode.startswith("watch"):
        upload = "TXT" if mode == "watch-txt" else "999"
        cmd = [f"{build}/src/batch/zuntext-batch", "--watch", "--upload", upload, "--host", host, "--user", "bench",
               race, out]
    else:
        cmd = [f"{build}/bench/window_cycle_bench", race, host, "bench", "bench", str(seconds + 15)]
    target = subprocess.Popen(cmd, stderr=log, env=env)
    where = (lambda lap: f"{root}/zuntextpure.txt") if mode.endswith("txt") else (lambda lap: f"{root}/{lap:03d}.csv")
    probe = 2 if mode.endswith("txt") else 3
    deadline = time.time() + 30
    while reading(first - 1)[probe] not in tail(where(reading(first - 1)[0])):
        if time.time() > deadline:
            sys.exit(f"nothing published; see {work}/target.log")
        time.sleep(0.05)
    load_before = os.popen("uptime").read().strip()

    written = {}  # reading -> time its last byte was written
    seen = {}
    stop = threading.Event()

    def writer():
        rng = random.Random(7)
        with open(race, "a") as f:
            start, i = time.monotonic(), first
            while not stop.is_set():
                line = reading(i)[1] + "\n"
                if rng.random() < split:
                    cut = rng.randint(1, len(line) - 1)
                    f.write(line[:cut]), f.flush()
                    time.sleep(rng.uniform(0.02, 0.2))
                    line = line[cut:]
                f.write(line), f.flush()
                written[i] = time.monotonic()
                i += 1
                time.sleep(max(0.0, start + (i - first) / rate - time.monotonic()))

    def watcher():
        while not stop.is_set() or len(seen) < len(written):
            now = time.monotonic()
            pending = [i for i in list(written) if i not in seen]
            texts = {}
            for i in pending:
                lap, _, *probes = reading(i)
                text = texts.setdefault(lap, tail(where(lap)))
                if probes[probe - 2] in text:
                    seen[i] = now
            if stop.is_set() and time.monotonic() > stopped[0] + 10:
                break
            time.sleep(0.01)

    stopped = [0.0]
    threads = [threading.Thread(target=writer), threading.Thread(target=watcher)]
    for t in threads:
        t.start()
    time.sleep(seconds)
    stop.set()
    stopped[0] = time.monotonic()
    for t in threads:
        t.join()
    load_after = os.popen("uptime").read().strip()
    target.terminate()
    target.wait()
    server.terminate()
    server.wait()
    lat = sorted(seen[i] - written[i] for i in seen)
    missing = len(written) - len(seen)
    pct = lambda p: lat[min(len(lat) - 1, int(p * len(lat)))]
    print(f"{mode}: {len(written)} readings in {seconds} s at {rate:g}/s, {split:.0%} in two pieces; "
          f"append -> site p50 {pct(0.5):.3f} s, p99 {pct(0.99):.3f} s, max {lat[-1]:.3f} s, {missing} not seen")
    print(f"  load before: {load_before}\n  load after:  {load_after}")
    log.close()
    with open(f"{work}/target.log") as f:
        lines = f.read().splitlines()
    if lines:
        print("  target's last line: " + lines[-1])


if __name__ == "__main__":
    main()
