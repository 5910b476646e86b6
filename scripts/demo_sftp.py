"""The demo's SSH server for `scripts/demo --secure sftp`: OpenSSH's sshd on 127.0.0.1 and a free
port, SFTP only, with its own host key and configuration in the demo folder, for a system user
"zundemo" (password "demo") made once on the machine. Needs root."""
import os
import pwd
import socket
import subprocess
import sys
import time

USER = "zundemo"
PASSWORD = "demo"


def ensure_user():
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", USER], check=True)
    subprocess.run(["chpasswd"], input="%s:%s\n" % (USER, PASSWORD), text=True, check=True)
    return pwd.getpwnam(USER)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SshServer:
    """sshd with `root` as the login folder; its port and host key fingerprint."""

    def __init__(self, top, root):
        self.process, self.port, self.fingerprint = start(top, root)
        self.host = "sftp://127.0.0.1:%d" % self.port
        self.user, self.password, self.ca_file = USER, PASSWORD, ""

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()


def start(top, root):
    """Starts sshd with `root` as the login folder; returns the process, its port and key's fingerprint."""
    if os.geteuid() != 0:
        sys.exit("demo: --secure sftp starts its own sshd and needs root")
    if not os.access("/usr/sbin/sshd", os.X_OK):
        sys.exit("demo: /usr/sbin/sshd is missing (openssh-server)")
    user = ensure_user()
    os.makedirs("/run/sshd", exist_ok=True)
    os.chmod(top, 0o711)  # the user passes through to its folder
    for folder, _, _ in os.walk(root):
        os.chown(folder, user.pw_uid, -1)
    ssh_dir = os.path.join(top, "sshd")
    os.makedirs(ssh_dir)
    key = os.path.join(ssh_dir, "host_ed25519")
    subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "zuntext-demo", "-f", key], check=True)
    port = free_port()
    config = os.path.join(ssh_dir, "sshd_config")
    with open(config, "w") as f:
        f.write("ListenAddress 127.0.0.1:%d\nHostKey %s\nPidFile none\nUsePAM no\n"
                "PasswordAuthentication yes\nKbdInteractiveAuthentication no\nAllowUsers %s\n"
                "Subsystem sftp internal-sftp -d %s\nForceCommand internal-sftp -d %s\n"
                "AllowTcpForwarding no\nX11Forwarding no\n" % (port, key, USER, root, root))
    server = subprocess.Popen(["/usr/sbin/sshd", "-D", "-f", config, "-E", os.path.join(ssh_dir, "sshd.log")])
    deadline = time.time() + 15
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                if s.recv(4) == b"SSH-":
                    fingerprint = subprocess.run(["ssh-keygen", "-l", "-E", "sha256", "-f", key + ".pub"],
                                                 capture_output=True, text=True).stdout.split()[1]
                    return server, port, fingerprint
        except OSError:
            time.sleep(0.1)
        if server.poll() is not None:
            break
    server.kill()
    sys.exit("demo: sshd did not start; see %s" % os.path.join(ssh_dir, "sshd.log"))
