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

const char* kServerWithoutMlsd = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, user, password, port = sys.argv[1:5]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm='elradfmwMT')
class Handler(FTPHandler):
    proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in ('MLSD', 'MLST')}
Handler.authorizer = authorizer
server = FTPServer(('127.0.0.1', int(port)), Handler)
sys.stderr.write('starting FTP server on 127.0.0.1:%d\n' % server.address[1])
sys.stderr.flush()
server.serve_forever()
)";

}  // namespace

bool FtpTestServer::Start(int port, bool withoutMlsd) {
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
    if (withoutMlsd)
      execl("/usr/bin/timeout", "timeout", "300", "/usr/bin/python3", "-c", kServerWithoutMlsd, root_.c_str(),
            user_.c_str(), password_.c_str(), portText.c_str(), static_cast<char*>(nullptr));
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

void FtpTestServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace zun::test
