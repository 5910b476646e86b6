// Upload passes over the loopback against a pyftpdlib server: a pass of the 999 folder with 50
// files, then 60 automatic cycles in a row, each checking the connection first as the upload
// pass does. Each is timed with the published upload (temporary name, size check, rename) and
// with a plain store under the final name. Prints the time per pass and the logins made.
// With --sftp the server is OpenSSH's sshd (run as root) and the host sftp://.
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "SshTestServer.h"
#include "ftp/HostClient.h"
#include "ftp/FtpSession.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Text.h"

using namespace zun::ftp;
namespace fs = std::filesystem;

namespace {

pid_t StartServer(const std::string& root, const std::string& log, int& port) {
  pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    freopen(log.c_str(), "w", stderr);
    execl("/usr/bin/timeout", "timeout", "300", "/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0",
          "-w", "-d", root.c_str(), "-u", "bench", "-P", "bench", static_cast<char*>(nullptr));
    _exit(127);
  }
  const std::string marker = "starting FTP server on 127.0.0.1:";
  for (int i = 0; i < 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(log);
    std::stringstream s;
    s << in.rdbuf();
    size_t at = s.str().find(marker);
    if (at != std::string::npos) {
      port = std::atoi(s.str().c_str() + at + marker.size());
      return pid;
    }
  }
  kill(pid, SIGTERM);
  return -1;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const bool sftp = argc > 1 && std::string(argv[1]) == "--sftp";
  char pattern[] = "/tmp/zunbench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string base = pattern;
  const std::string root = base + "/root", dir999 = base + "/999", textDir = base + "/txt";
  fs::create_directories(root);
  fs::create_directories(dir999);
  fs::create_directories(textDir);
  std::vector<UploadEntry> entries;
  for (int i = 1; i <= 50; ++i) {
    const std::string name = zun::Format("%03d.csv", i);
    std::ofstream out(dir999 + "/" + name, std::ios::binary);
    for (int row = 0; row < 60; ++row) out << row + 1 << ",1,2," << 1000 + row << ",12345678\r\n";
    entries.push_back({name, false});
  }
  {
    std::ofstream out(textDir + "/zuntextpure.txt", std::ios::binary);
    for (int row = 0; row < 2000; ++row) out << "1,2," << row << ",3,12345678,12345,0\r\n";
  }
  int port = 0;
  zun::test::SshTestServer sshd(base, root);
  pid_t server = sftp ? (sshd.Start() ? 0 : -1) : StartServer(root, base + "/server.log", port);
  if (server < 0) {
    std::fprintf(stderr, "server did not start %s\n", sshd.Why().c_str());
    return 1;
  }
  const std::string host = sftp ? sshd.Host() : "127.0.0.1:" + std::to_string(port);
  const std::string user = sftp ? zun::test::SshTestServer::kUser : "bench";
  const std::string password = sftp ? zun::test::SshTestServer::kPassword : "bench";

  HostClient client;
  if (sftp) client.SetSshSettings({"", sshd.KnownHostsFile(), nullptr});
  std::string shown = sftp ? root : "/";
  FtpSession* sessionPtr = nullptr;
  FtpSession session(client, FtpSessionHooks{{}, {}, [&] {
                                                return EnsureConnection(*sessionPtr, {host, user, password, shown},
                                                                        [&] { return sessionPtr->OpenInternet(); }, {});
                                              },
                                              [&] { return shown; }, {}});
  sessionPtr = &session;
  if (!session.OpenInternet() || !session.Open(host, user, password)) return 1;

  auto pass = [&](bool plain, int mode, const std::string& dir, const std::string& file) {
    EnsureConnection(session, {host, user, password, shown}, [&] { return session.OpenInternet(); }, {});
    const UploadPlan plan = PlanUpload(mode, dir, file, entries, -1);
    int sent = 0;
    if (plain) {
      for (const UploadFile& f : plan.Files) sent += client.PutFile(f.LocalPath, f.RemoteName).ok();
    } else {
      sent = SendUploadPlan(session, plan).Sent;
    }
    session.List();
    return sent;
  };

  for (bool plain : {true, false}) {
    const char* kind = plain ? "plain" : "published";
    auto t0 = std::chrono::steady_clock::now();
    int sent = pass(plain, kUpload999, dir999, "");
    auto t1 = std::chrono::steady_clock::now();
    std::printf("%-9s 999 pass by hand: %d files, %.1f ms\n", kind, sent, Ms(t1 - t0));

    int total = 0;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) total += pass(plain, kUpload999, dir999, "");
    t1 = std::chrono::steady_clock::now();
    std::printf("%-9s 60 automatic 999 passes: %d files, %.1f ms per pass\n", kind, total, Ms(t1 - t0) / 60);

    total = 0;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) total += pass(plain, kUploadTxt, textDir, textDir + "/zuntextpure.txt");
    t1 = std::chrono::steady_clock::now();
    std::printf("%-9s 60 automatic TXT passes: %d files, %.1f ms per pass\n", kind, total, Ms(t1 - t0) / 60);
  }
  std::printf("logins in all: %d\n", client.LoginCount());

  session.Close();
  if (server > 0) {
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
  }
  sshd.Stop();
  fs::remove_all(base);
  return client.LoginCount() == 1 ? 0 : 2;
}
