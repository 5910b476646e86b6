// The window's cycle without a screen: FormMain opens a zunText file, connects to an FTP server,
// uploads once by hand and then ticks its Timer1 once a second, as the window does, for the given
// time. latency_bench.py writes the readings and watches the server's folder.
//   window_cycle_bench ZUNTEXT_FILE HOST:PORT USER PASSWORD SECONDS
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "FakePrompter.h"
#include "app/FormMain.h"
#include "ftp/CurlFtpClient.h"

namespace {
volatile sig_atomic_t g_stop = 0;
void OnStop(int) { g_stop = 1; }
}  // namespace

int main(int argc, char** argv) {
  signal(SIGTERM, OnStop);
  if (argc != 6) {
    std::fprintf(stderr, "usage: window_cycle_bench ZUNTEXT_FILE HOST:PORT USER PASSWORD SECONDS\n");
    return 2;
  }
  const std::string race = argv[1];
  char folder[] = "/tmp/window_cycle_benchXXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  zun::test::FakePrompter prompter;
  zun::FormMainOptions options{std::string(folder) + "/zuntexteditor", {}, folder, [] {
                                 return std::make_unique<zun::ftp::CurlFtpClient>(zun::ftp::CurlTimeouts{5, 5, 5});
                               }};
  zun::FormMain form(prompter, std::move(options));
  form.FormShow();
  prompter.files.push_back(race);
  form.ActionOpenZunTextExecute();
  form.EHost.text = argv[2];
  form.EUserId.text = argv[3];
  form.EPassword.text = argv[4];
  form.EHostChange();
  form.ActionPutCleanTextExecute();
  form.ActionConnectHostExecute();
  form.ActionUploadExecute();
  if (!form.UploadedOnce) {
    std::fprintf(stderr, "window_cycle_bench: the upload by hand failed\n");
    return 1;
  }
  form.CBAuto.checked = form.CBPure.checked = form.CBFtp.checked = true;
  form.CBAutoClick();
  form.Timer1Timer();  // the first tick takes the file's snapshot, as when the operator ticks the boxes
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const int seconds = std::atoi(argv[5]);
  std::vector<double> ms;
  for (int tick = 1; tick <= seconds && !g_stop; ++tick) {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(form.Timer1.interval) * tick);
    const auto from = Clock::now();
    form.Timer1Timer();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - from).count());
  }
  std::sort(ms.begin(), ms.end());
  for (const std::string& text : prompter.messages) std::fprintf(stderr, "shown: %s\n", text.c_str());
  std::fprintf(stderr, "window_cycle_bench: %zu ticks, median %.0f ms, max %.0f ms, %d logins\n", ms.size(),
               ms[ms.size() / 2], ms.back(), form.FtpClientOf().LoginCount());
  return 0;
}
