// Upload passes over the loopback against pyftpdlib, vsftpd without TLS, and vsftpd, ProFTPD and
// Pure-FTPd with TLS required: a pass of the 999 folder with 50 files, then 60 automatic cycles in
// a row. Published uploads (temporary name, size check, rename); on pyftpdlib also a plain store
// under the final name. Prints the time per pass and the logins made. Run as root, it also
// measures SFTP against OpenSSH's sshd.
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

#include "SecureFtpServer.h"
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

struct Target {
  std::string label, host, user, password, caFile;
  std::string knownHosts;  // sftp:// hosts
  std::string loginFolder = "/";
};

// One row per upload kind: the 999 pass by hand, then 60 automatic passes of each mode, each
// checking the connection first as the upload pass does. True when it all took one login.
bool Measure(const Target& t, bool plainToo, const std::vector<UploadEntry>& entries, const std::string& dir999,
             const std::string& textDir) {
  HostClient client;
  client.SetCaFile(t.caFile);
  client.SetSshSettings({"", t.knownHosts, nullptr});
  std::string shown = t.loginFolder;
  FtpSession* sessionPtr = nullptr;
  const ConnectionTarget target{t.host, t.user, t.password, shown};
  FtpSession session(client, FtpSessionHooks{{}, {}, [&] {
                                                return EnsureConnection(*sessionPtr, target,
                                                                        [&] { return sessionPtr->OpenInternet(); }, {});
                                              },
                                              [&] { return shown; }, {}});
  sessionPtr = &session;
  if (!session.OpenInternet() || !session.Open(t.host, t.user, t.password)) {
    std::printf("%-26s could not log in\n", t.label.c_str());
    return false;
  }
  auto pass = [&](bool plain, UploadMode mode, const std::string& dir, const std::string& file) {
    EnsureConnection(session, target, [&] { return session.OpenInternet(); }, {});
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
    if (plain && !plainToo) continue;
    auto t0 = std::chrono::steady_clock::now();
    int sent = pass(plain, UploadMode::CountRankings, dir999, "");
    const double byHand = Ms(std::chrono::steady_clock::now() - t0);
    int total999 = 0, totalTxt = 0;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) total999 += pass(plain, UploadMode::CountRankings, dir999, "");
    const double cycles999 = Ms(std::chrono::steady_clock::now() - t0) / 60;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) totalTxt += pass(plain, UploadMode::PureText, textDir, textDir + "/zuntextpure.txt");
    const double cyclesTxt = Ms(std::chrono::steady_clock::now() - t0) / 60;
    const bool all = sent == 50 && total999 == 3000 && totalTxt == 60;
    std::printf("%-26s %-9s %9.1f ms %13.1f ms %13.1f ms %7d%s\n", t.label.c_str(), plain ? "plain" : "published",
                byHand, cycles999, cyclesTxt, client.LoginCount(), all ? "" : "  (files missing)");
  }
  const bool one = client.LoginCount() == 1;
  session.Close();
  return one;
}

}  // namespace

int main() {
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
  pid_t server = StartServer(root, base + "/server.log", port);
  if (server < 0) {
    std::fprintf(stderr, "server did not start\n");
    return 1;
  }
  std::printf("%-26s %-9s %12s %16s %16s %7s\n", "server", "upload", "999 by hand", "60 x 999 / pass",
              "60 x TXT / pass", "logins");
  bool oneLogin = Measure({"FTP pyftpdlib", "127.0.0.1:" + std::to_string(port), "bench", "bench", "", "", "/"}, true,
                          entries, dir999, textDir);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);

  // The same passes against the servers hosts run: vsftpd without TLS, then each with TLS required.
  using zun::test::SecureFtpServer;
  using zun::test::SecureServerKind;
  for (int k = -1; k < 3; ++k) {
    const SecureServerKind kind = k < 0 ? SecureServerKind::Vsftpd : SecureFtpServer::All()[static_cast<size_t>(k)];
    if (!SecureFtpServer::Installed(kind)) continue;
    const std::string secureRoot = base + "/root" + std::to_string(k + 1);
    fs::create_directories(secureRoot);
    SecureFtpServer secure(kind, secureRoot, base + "/server" + std::to_string(k + 1));
    if (!secure.Start(zun::test::CertKind::Valid, k >= 0)) {
      std::fprintf(stderr, "%s did not start\n", SecureFtpServer::Name(kind));
      continue;
    }
    const std::string label = std::string(k < 0 ? "FTP " : "FTPS ") + SecureFtpServer::Name(kind);
    oneLogin &= Measure({label, k < 0 ? secure.Host() : secure.Url(), SecureFtpServer::User(),
                         SecureFtpServer::Password(), k < 0 ? "" : secure.CaFile(), "", "/"},
                        false, entries, dir999, textDir);
  }
  zun::test::SshTestServer sshd(base, base + "/sftproot");
  if (sshd.Start())
    oneLogin &= Measure({"SFTP OpenSSH", sshd.Host(), zun::test::SshTestServer::kUser,
                         zun::test::SshTestServer::kPassword, "", sshd.KnownHostsFile(), base + "/sftproot"},
                        false, entries, dir999, textDir);
  sshd.Stop();
  fs::remove_all(base);
  return oneLogin ? 0 : 2;
}
