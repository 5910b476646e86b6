#include "FtpTestServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace zun::test {

FtpTestServer::FtpTestServer(std::string root, std::string user, std::string password, std::string logPath)
    : root_(std::move(root)), user_(std::move(user)), password_(std::move(password)), logPath_(std::move(logPath)) {}

FtpTestServer::~FtpTestServer() { Stop(); }

namespace {

const char* kServerScript = R"(
import os, sys, asynchat
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
root, user, password, port, kind = sys.argv[1:6]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm='elradfmwMT')
if os.path.isdir(os.path.join(root, 'readonly')):
    authorizer.override_perm(user, os.path.join(root, 'readonly'), 'elr', recursive=True)
class Handler(FTPHandler):
    pass
if kind in ('listonly', 'cp932'):
    gone = ('MLSD', 'MLST', 'SIZE') if kind == 'cp932' else ('MLSD', 'MLST')
    Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in gone}
if kind == 'cp932':
    class Cp932FS(AbstractedFS):
        def format_list(self, *args, **kwargs):
            for line in super().format_list(*args, **kwargs):
                yield line.decode('utf8').encode('cp932', 'replace')
    class Cp932Handler(Handler):
        abstracted_fs = Cp932FS
        def decode(self, data):
            return data.decode('cp932', 'replace')
        def push(self, s):
            asynchat.async_chat.push(self, s.encode('cp932', 'replace'))
        def ftp_FEAT(self, line):
            self.push('211-Features supported:\r\n MDTM\r\n')
            self.respond('211 End FEAT.')
        def ftp_RNTO(self, path):
            if os.path.exists(path):
                self.respond('550 File exists.')
                return
            return super().ftp_RNTO(path)
    Handler = Cp932Handler
if kind == 'throttled':
    class Slow(ThrottledDTPHandler):
        read_limit = 256 * 1024
    Handler.dtp_handler = Slow
Handler.authorizer = authorizer
server = FTPServer(('127.0.0.1', int(port)), Handler)
sys.stderr.write('starting FTP server on 127.0.0.1:%d\n' % server.address[1])
sys.stderr.flush()
server.serve_forever()
)";

const char* KindName(FtpServerKind kind) {
  switch (kind) {
    case FtpServerKind::ListOnly: return "listonly";
    case FtpServerKind::Cp932: return "cp932";
    case FtpServerKind::Throttled: return "throttled";
    default: return "standard";
  }
}

}  // namespace

bool FtpTestServer::Start(int port, bool withoutMlsd) {
  return Start(withoutMlsd ? FtpServerKind::ListOnly : FtpServerKind::Standard, port);
}

bool FtpTestServer::Start(FtpServerKind kind, int port) {
  Stop();
  const int log = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (log < 0) return false;
  const std::string portText = std::to_string(port);
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // timeout passes it on to the server
    dup2(log, 2);
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    if (kind != FtpServerKind::Standard)
      execl("/usr/bin/timeout", "timeout", "300", "/usr/bin/python3", "-c", kServerScript, root_.c_str(),
            user_.c_str(), password_.c_str(), portText.c_str(), KindName(kind),
            static_cast<char*>(nullptr));
    else
      execl("/usr/bin/timeout", "timeout", "300", "/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
            portText.c_str(), "-w", "-d", root_.c_str(), "-u", user_.c_str(), "-P", password_.c_str(),
            static_cast<char*>(nullptr));
    _exit(127);
  }
  close(log);
  if (pid_ < 0) return false;
  const std::string marker = "starting FTP server on 127.0.0.1:";
  for (int i = 0; i < 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(logPath_);
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    const size_t at = s.find(marker);
    if (at != std::string::npos) {
      port_ = std::atoi(s.c_str() + at + marker.size());
      return port_ > 0;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
  }
  Stop();
  return false;
}

// The server runs under timeout(1); signals go to its child, the interpreter itself.
static void SignalServer(pid_t timeoutPid, int sig) {
  std::ifstream children("/proc/" + std::to_string(timeoutPid) + "/task/" + std::to_string(timeoutPid) + "/children");
  pid_t child = 0;
  if (children >> child && child > 0) kill(child, sig);
}

void FtpTestServer::Stop() {
  if (pid_ <= 0) return;
  SignalServer(pid_, SIGCONT);
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void FtpTestServer::Kill() {
  if (pid_ <= 0) return;
  SignalServer(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void FtpTestServer::Pause() {
  if (pid_ > 0) SignalServer(pid_, SIGSTOP);
}

void FtpTestServer::Resume() {
  if (pid_ > 0) SignalServer(pid_, SIGCONT);
}

}  // namespace zun::test
