#!/usr/bin/python3
"""The live demo: an FTP server on 127.0.0.1, a race that appends a reading every second, and the
program set up to publish to that server. Everything started here stops when the window closes.

    scripts/demo.py BUILD_DIR [--seconds N] [--secure ftps]
      N: close by itself after N seconds, for a smoke run
      --secure ftps: publish over FTPS to vsftpd (TLS required, a certificate of its own; needs root)
"""
import argparse
import hashlib
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

DEMO_USER = "demo"
DEMO_PASSWORD = "demo"
REMOTE_DIR = "/results"


def rc4(key: bytes, data: bytes) -> bytes:
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out = bytearray()
    i = j = 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


def stored_password(password: str) -> bytes:
    """The host file's form of a password: the cipher output up to its first zero byte."""
    key = hashlib.sha1(b"lorqentu").digest()[:16]
    out = rc4(key, password.encode("cp932") + b"\0")
    return out.split(b"\0", 1)[0]


def host_record(host, user, password, local_dir, remote_dir) -> bytes:
    def field(text):
        raw = text if isinstance(text, bytes) else text.encode("cp932")
        return raw[:80].ljust(80, b"\0")
    return b"\1" + field(host) + field(user) + field(stored_password(password)) + field(local_dir) + field(remote_dir)


def start_ftp_server(root, port=0):
    """Starts pyftpdlib on 127.0.0.1 and PORT (0: a free one); returns the process and its port."""
    server = subprocess.Popen(
        ["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", str(port), "-w", "-d", root,
         "-u", DEMO_USER, "-P", DEMO_PASSWORD],
        stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True)
    deadline = time.time() + 15
    while time.time() < deadline:
        line = server.stderr.readline()
        match = re.search(r"starting FTP server on 127\.0\.0\.1:(\d+)", line)
        if match:
            threading.Thread(target=lambda: server.stderr.read(), daemon=True).start()
            return server, int(match.group(1))
        if server.poll() is not None:
            break
    server.kill()
    return None, 0


class FtpServer:
    """The demo's FTP server. It keeps its port for the whole demo: killed (to try an outage), it
    is started again on the same port after `restart_after` seconds, so the window finds it again.
    Its process id is kept in PID_FILE for kill -STOP / -CONT / kill."""

    def __init__(self, root, pid_file, restart_after):
        self.root, self.pid_file, self.restart_after = root, pid_file, restart_after
        self.stop = threading.Event()
        self.process, self.port = start_ftp_server(root)
        if self.process is None:
            sys.exit("demo: the FTP server did not start (is python3-pyftpdlib installed?)")
        self.host, self.user, self.password, self.ca_file = "127.0.0.1:%d" % self.port, DEMO_USER, DEMO_PASSWORD, ""
        self.write_pid()
        threading.Thread(target=self.watch, daemon=True).start()

    def write_pid(self):
        with open(self.pid_file, "w") as f:
            f.write("%d\n" % self.process.pid)

    def watch(self):
        while not self.stop.is_set():
            if self.process.poll() is None:
                self.stop.wait(0.5)
                continue
            print("demo: the FTP server has stopped; it starts again on port %d in %d s"
                  % (self.port, self.restart_after), flush=True)
            if self.stop.wait(self.restart_after):
                return
            while not self.stop.is_set():
                process, _ = start_ftp_server(self.root, self.port)
                if process is not None:
                    self.process = process
                    self.write_pid()
                    print("demo: the FTP server is back on port %d (pid %d)" % (self.port, process.pid), flush=True)
                    break
                self.stop.wait(2)  # the port is not free yet

    def close(self):
        self.stop.set()
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()


FTPS_USER = "zuntestftp"  # the account the FTPS test fixtures use too
FTPS_PASSWORD = "zun-Test-ftps-4711"
UNPACKED_SERVERS = "/opt/zuntext-test-ftpd"  # where scripts/install-deps unpacks them


class FtpsServer:
    """vsftpd as hosts run it: TLS required for the login and every data connection, a certificate
    of its own (named in the window's FtpCaFile). Needs root, as vsftpd does."""

    def __init__(self, root, work):
        if os.geteuid() != 0:
            sys.exit("demo: --secure ftps starts vsftpd, which needs root")
        vsftpd = next((p for p in ("/usr/sbin/vsftpd", UNPACKED_SERVERS + "/usr/sbin/vsftpd")
                       if os.access(p, os.X_OK)), None)
        if not vsftpd:
            sys.exit("demo: vsftpd is missing (scripts/install-deps unpacks it)")
        # No shell, and barred from the machine's own FTP servers: only this vsftpd lets it in.
        subprocess.run("id -u {0} >/dev/null 2>&1 || useradd --system -M -d / -s /usr/sbin/nologin {0}; "
                       "grep -qx {0} /etc/ftpusers 2>/dev/null || echo {0} >> /etc/ftpusers".format(FTPS_USER),
                       shell=True, check=True)
        subprocess.run(["chpasswd"], input="%s:%s\n" % (FTPS_USER, FTPS_PASSWORD), text=True, check=True)
        for dirpath, _, files in os.walk(root):
            for name in [dirpath] + [os.path.join(dirpath, f) for f in files]:
                shutil.chown(name, FTPS_USER)
        os.chmod(os.path.dirname(root), 0o755)
        os.makedirs(os.path.join(work, "empty"))
        self.ca_file, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                        self.ca_file, "-days", "7", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        conf = os.path.join(work, "vsftpd.conf")
        with open(conf, "w") as f:
            f.write("listen=YES\nlisten_address=127.0.0.1\nlisten_port=%d\nbackground=NO\nanonymous_enable=NO\n"
                    "local_enable=YES\nwrite_enable=YES\nlocal_umask=022\nchroot_local_user=YES\n"
                    "allow_writeable_chroot=YES\nlocal_root=%s\nsecure_chroot_dir=%s\n"
                    "pam_service_name=zuntext-test-ftp\nseccomp_sandbox=NO\nssl_enable=YES\n"
                    "force_local_logins_ssl=YES\nforce_local_data_ssl=YES\nrsa_cert_file=%s\n"
                    "rsa_private_key_file=%s\nvsftpd_log_file=%s\n"
                    % (self.port, root, os.path.join(work, "empty"), self.ca_file, key,
                       os.path.join(work, "vsftpd.log")))
        self.host, self.user, self.password = "ftps://127.0.0.1:%d" % self.port, FTPS_USER, FTPS_PASSWORD
        self.process = subprocess.Popen([vsftpd, conf], stdout=subprocess.DEVNULL)
        deadline = time.time() + 15
        while time.time() < deadline and self.process.poll() is None:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1) as c:
                    if c.recv(3) == b"220":
                        return
            except OSError:
                time.sleep(0.1)
        self.process.kill()
        sys.exit("demo: vsftpd did not start")

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=5)


def packed(ms):
    h, m, s, f = ms // 3600000, (ms // 60000) % 60, (ms // 1000) % 60, ms % 1000
    return h * 10000000 + m * 100000 + s * 1000 + f


class Race:
    """Appends readings of a lap race: now and then a duplicate, a re-read and a repeated first lap."""

    def __init__(self, path, runners=24, seed=7):
        self.path = path
        self.rng = random.Random(seed)
        self.clock_ms = 0
        self.runners = [{"bib": 101 + i, "div1": 1 + i % 3, "div2": 1 + i % 2, "lap": 0,
                         "next": 20000 + self.rng.randint(0, 40000)} for i in range(runners)]
        self.stop = threading.Event()

    def line(self, r, lap, ms):
        return "%d,%d,%d,%d,%d,%d,%d\r\n" % (r["div1"], r["div2"], r["bib"], lap, packed(ms),
                                              packed(ms // 1000 * 1000), packed(9 * 3600000 + ms))

    def step(self):
        """One second of race time (sped up: the field laps in about half a minute)."""
        self.clock_ms += 1000
        out = []
        for r in self.runners:
            if r["next"] > self.clock_ms * 20:
                continue
            r["lap"] += 1
            ms = r["next"]
            out.append(self.line(r, r["lap"], ms))
            roll = self.rng.random()
            if roll < 0.10:
                out.append(self.line(r, r["lap"], ms + 150))            # a duplicate reading
            elif roll < 0.18:
                out.append(self.line(r, r["lap"], ms + 2000))           # re-read within 3 s
            elif roll < 0.21 and r["lap"] == 2:
                out.append(self.line(r, 1, ms + 400))                   # lap counter restarted
            r["next"] += 240000 + self.rng.randint(-30000, 30000)
        if out:
            with open(self.path, "a", newline="") as f:
                f.writelines(out)

    def run(self):
        while not self.stop.wait(1.0):
            self.step()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--seconds", type=float, default=0)
    parser.add_argument("--screenshot", default="")
    parser.add_argument("--restart-after", type=float, default=30,
                        help="seconds between the FTP server's death and its restart on the same port")
    parser.add_argument("--secure", choices=["ftps"], default="",
                        help="publish over FTPS to vsftpd with TLS required (needs root)")
    args = parser.parse_args()

    program = os.path.join(args.build_dir, "src", "gui", "zuntexteditor")
    if not os.access(program, os.X_OK):
        sys.exit("demo: %s is missing; build first" % program)
    top = tempfile.mkdtemp(prefix="zuntext-demo-")
    app_dir, ftp_dir, race_dir = (os.path.join(top, d) for d in ("app", "ftp", "race"))
    for d in (app_dir, ftp_dir + REMOTE_DIR, race_dir):
        os.makedirs(d)
    # The program enters a remembered remote folder only when it holds something.
    with open(os.path.join(ftp_dir + REMOTE_DIR, "about.txt"), "w") as f:
        f.write("Results of the demo race, published by zunTextEditor.\n")
    # A copy of the program of its own, so its settings and host list stay in the demo folder.
    shutil.copy2(program, app_dir)
    demo_program = os.path.join(app_dir, "zuntexteditor")
    text_dir = os.path.join(app_dir, "TXT")

    pid_file = os.path.join(top, "ftp-server.pid")
    if args.secure == "ftps":
        server = FtpsServer(ftp_dir, os.path.join(top, "server"))
    else:
        server = FtpServer(ftp_dir, pid_file, args.restart_after)
    host = server.host
    race_file = os.path.join(race_dir, "race.txt")
    race = Race(race_file)
    for _ in range(3):
        race.step()
    with open(os.path.join(app_dir, "zuntexteditor.INI"), "w", newline="") as f:
        f.write("[WorkFiles]\r\nTextFilePath=%s\r\nNeedCSV=1\r\nignoreFR=1\r\n" % text_dir)
        f.write("[Params]\r\nHostName=%s\r\nUserID=%s\r\nLastHDir=%s\r\nLastLDir=%s\r\n"
                "prvZunTextName=%s\r\nUpLDOpt=0\r\n" % (host, server.user, REMOTE_DIR, text_dir, race_file))
        if server.ca_file:
            f.write("FtpCaFile=%s\r\n" % server.ca_file)
    hostfile = os.path.join(app_dir, "zuntexteditor.H$$")
    with open(hostfile, "wb") as f:
        f.write(host_record(host, server.user, server.password, text_dir, REMOTE_DIR))
    os.chmod(hostfile, 0o600)

    print("demo folder:  %s" % top)
    print("FTP server:   %s  user %s  password %s  folder %s" % (host, server.user, server.password, REMOTE_DIR))
    if server.ca_file:
        print("certificate:  %s (FtpCaFile in zuntexteditor.INI)" % server.ca_file)
    print("race file:    %s (a reading about every second)" % race_file)
    if not args.secure:
        print("""
To try an outage (the window's state panel shows it, publishing resumes by itself):
  kill -STOP $(cat %s)   # a server that hangs; kill -CONT $(cat %s) wakes it
  kill $(cat %s)         # a server that dies; the demo starts it again on port %d after %d s"""
              % (pid_file, pid_file, pid_file, server.port, args.restart_after))
    print("""
In the window:
  1. ﾘﾌﾚｯｼｭGrid (or ZunTextを開く) shows the race; it grows while the race runs.
  2. 接続 connects to the demo server (host, user and password are filled in) and enters %s.
  3. ﾋﾟｭｱﾃｷｽﾄ出力 writes the pure text and the ranking files; ｱﾌﾟﾛｰﾄﾞ sends the pure text once by hand.
  4. Tick ﾘﾌﾚｯｼｭGrid, ﾋﾟｭｱﾃｷｽﾄ出力 and FTP under 自動化ｵﾌﾟｼｮﾝ: from now on every new reading is
     reloaded, written and uploaded within a second; the server's files show on the right.
Close the window to stop the demo.
""" % REMOTE_DIR)
    threading.Thread(target=race.run, daemon=True).start()
    window = subprocess.Popen([demo_program], cwd=app_dir)
    try:
        if args.seconds > 0:
            try:
                window.wait(timeout=args.seconds)
            except subprocess.TimeoutExpired:
                if args.screenshot:
                    subprocess.run(["import", "-window", "root", args.screenshot], check=False)
                window.send_signal(signal.SIGTERM)
                window.wait(timeout=10)
        else:
            window.wait()
    finally:
        race.stop.set()
        server.close()
        published = sorted(os.listdir(ftp_dir + REMOTE_DIR))
        print("files on the server in %s: %s" % (REMOTE_DIR, ", ".join(published) or "(none)"))


if __name__ == "__main__":
    main()
