// Writers killed at random moments: every output is whole afterwards (the old bytes or the new,
// never torn, missing or empty), and the temporary files of killed runs do not pile up.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "TempDir.h"
#include "platform/TextFile.h"

namespace zun {
namespace {

using Clock = std::chrono::steady_clock;
using Files = std::map<std::string, std::string>;  // path below the folder -> bytes

void Collect(const std::string& root, const std::string& below, Files& files, int& temporaries) {
  DIR* dir = opendir((root + below).c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string rel = below + "/" + name;
    struct stat st {};
    if (stat((root + rel).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      Collect(root, rel, files, temporaries);
    else if (name.ends_with(".tmp"))
      ++temporaries;
    else
      files[rel] = test::ReadAll(root + rel);
  }
  closedir(dir);
}

Files Snapshot(const std::string& root, int* temporaries = nullptr) {
  Files files;
  int count = 0;
  Collect(root, "", files, count);
  if (temporaries) *temporaries = count;
  return files;
}

std::string Race(int lines, int seed) {
  std::string text;
  std::mt19937 random(static_cast<unsigned>(seed));
  for (int i = 0; i < lines; ++i) {
    const int bib = 100 + static_cast<int>(random() % 400);
    const int ms = 60000 + i * 37;
    text += "1,1," + std::to_string(bib) + "," + std::to_string(1 + i / 400) + "," + std::to_string(ms) + "," +
            std::to_string(ms / 1000 * 1000) + "," + std::to_string(90000000 + ms) + "\r\n";
  }
  return text;
}

// Starts `args`, kills it with SIGKILL after `delay` unless it ended first; true when killed.
bool RunAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay) {
  const pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  const auto until = Clock::now() + delay;
  int status = 0;
  while (Clock::now() < until) {
    if (waitpid(child, &status, WNOHANG) == child) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(CrashDuringSave, ConverterOutputsAreOldOrNewNeverTorn) {
  test::TempDir dir;
  for (const char* race : {"a", "b"}) mkdir(dir.File(race).c_str(), 0755);
  test::WriteAll(dir.File("a/race.txt"), Race(20000, 1));
  test::WriteAll(dir.File("b/race.txt"), Race(30000, 2));
  test::WriteAll(dir.File("b/zuntext.flg"), "\"1\",\"1\",\"1\",\"100\",\"1\",\"60000\",\"60000\",\"90060000\"\r\n");
  const std::string out = dir.File("out");
  const auto convert = [&](const char* race, const std::string& into) {
    return std::vector<std::string>{ZUN_BATCH_EXE, dir.File(std::string(race) + "/race.txt"), into};
  };

  // The two versions of every file, and how long a whole run takes.
  Files versions[2];
  auto started = Clock::now();
  for (int v = 0; v < 2; ++v) {
    const std::string into = dir.File(v ? "new" : "old");
    ASSERT_FALSE(RunAndKill(convert(v ? "b" : "a", into), std::chrono::seconds(30))) << "a whole run ends by itself";
    versions[v] = Snapshot(into);
  }
  const auto runTime = (Clock::now() - started) / 2;
  const std::string& overall = versions[0].at("/000/000.csv");
  const std::string header = overall.substr(0, overall.find('\n') + 1);
  ASSERT_FALSE(RunAndKill(convert("a", out), std::chrono::seconds(30)));

  std::mt19937 random(12345);
  int kills = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(25);
  for (int round = 0; round < 200 && Clock::now() < deadline; ++round) {
    const Files before = Snapshot(out);
    const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(runTime) * (random() % 1000) / 1000;
    kills += RunAndKill(convert(round % 2 ? "a" : "b", out), delay);
    const Files after = Snapshot(out);
    for (const auto& [name, bytes] : before) ASSERT_TRUE(after.count(name)) << name << " went missing";
    for (const auto& [name, bytes] : after) {
      const bool old = versions[0].count(name) && versions[0].at(name) == bytes;
      const bool fresh = versions[1].count(name) && versions[1].at(name) == bytes;
      // A count file that race "a" does not reach keeps the header alone after a run of "a".
      const bool cleared = name.rfind("/999/", 0) == 0 && bytes == header;
      ASSERT_TRUE(old || fresh || cleared) << name << " is torn after round " << round << " (" << bytes.size() << " bytes)";
    }
  }
  EXPECT_GE(kills, 5) << "too few runs were caught in the middle";

  // The temporary files the killed runs left are swept by the next whole run.
  ASSERT_FALSE(RunAndKill(convert("b", out), std::chrono::seconds(30)));
  int temporaries = -1;
  EXPECT_EQ(Snapshot(out, &temporaries), versions[1]);
  EXPECT_EQ(temporaries, 0);
}

TEST(CrashDuringSave, FlagFileIsOldOrNewNeverTorn) {
  test::TempDir dir;
  const std::string path = dir.File("zuntext.flg");
  std::string texts[2];
  for (int v = 0; v < 2; ++v)
    for (int i = 0; i < 20000 + v * 5000; ++i) texts[v] += "\"1\",\"1\",\"" + std::to_string(i) + "\",\"1\",\"0\",\"0\",\"0\",\"0\"\n";
  ASSERT_EQ(SaveWholeText(path, texts[0], true), SaveResult::Ok);
  const std::string versions[2] = {test::ReadAll(path), [&] {
                                     SaveWholeText(dir.File("b"), texts[1], true);
                                     return test::ReadAll(dir.File("b"));
                                   }()};

  std::mt19937 random(777);
  // A kill inside a save leaves that save's temporary file behind: the children, forked after this
  // process swept the folder, do not sweep it again.
  int caughtInSave = 0, temporaries = 0;
  bool newSeen = false;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  for (int round = 0; round < 300 && Clock::now() < deadline; ++round) {
    const pid_t child = fork();
    if (child == 0) {
      // Every other child starts with the new text, so that one save finishing is enough to show it.
      for (int k = round;; ++k) SaveWholeText(path, texts[k % 2], true);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string bytes = test::ReadAll(path);
    ASSERT_TRUE(bytes == versions[0] || bytes == versions[1]) << "torn flag file after round " << round;
    newSeen = newSeen || bytes == versions[1];
    int now = 0;
    Snapshot(dir.Path(), &now);
    caughtInSave += now > temporaries;
    temporaries = now;
  }
  EXPECT_TRUE(newSeen) << "no save finished between the kills";
  EXPECT_GE(caughtInSave, 20) << "too few kills landed inside a save";
}

}  // namespace
}  // namespace zun
