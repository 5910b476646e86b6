// zuntext-batch: the load pipeline and the writers of the window, without a window.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Upload.h"
#include "Watch.h"
#include "ftp/HostClient.h"
#include "output/PureText.h"
#include "output/Ranking.h"
#include "platform/OutputNames.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/TextLineReader.h"
#include "live/LiveCycle.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitTooBig = 3;

struct Options {
  bool csv = true;
  bool watch = false;
  std::string gridFile;
  std::string zunTextFile;
  std::string outputDir;
  zun::batch::UploadOptions upload;
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: zuntext-batch [--watch] [--no-csv] [--grid GRIDFILE] [--upload TXT|999|000 --host HOST[:PORT] "
               "--user USER [--remote-dir DIR] [--ca-file FILE] [--key-file FILE] [--known-hosts FILE]] "
               "ZUNTEXT_FILE OUTPUT_DIR\n"
               "       HOST may be ftps://HOST[:PORT] for TLS with a verified certificate,\n"
               "       or sftp://HOST[:PORT] for SSH, its key checked against ~/.ssh/known_hosts or --known-hosts\n"
               "       the FTP password (or the passphrase of --key-file) is taken from the environment variable %s\n",
               zun::batch::kPasswordVariable);
}

// "--name VALUE" or "--name=VALUE": true when argv[i] is that option; `missing` when VALUE is not there.
bool OptionValue(const std::string& name, int argc, char** argv, int& i, std::string& value, bool& missing) {
  const std::string arg = argv[i];
  if (arg == name) {
    if (i + 1 >= argc) {
      missing = true;
      return true;
    }
    value = argv[++i];
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

bool CheckUploadOptions(const Options& options, bool uploadGiven, const std::string& modeText) {
  const zun::batch::UploadOptions& up = options.upload;
  if (!uploadGiven)
    return up.Host.empty() && up.User.empty() && up.RemoteDir.empty() && up.CaFile.empty() && up.KeyFile.empty() &&
           up.KnownHosts.empty();
  if (up.Mode == zun::ftp::UploadMode::None) {
    std::fprintf(stderr, "zuntext-batch: unknown upload mode '%s'\n", modeText.c_str());
    return false;
  }
  if (up.Host.empty() || up.User.empty() || !zun::ftp::HostFieldValid(up.Host)) return false;
  if (!options.csv && up.Mode != zun::ftp::UploadMode::PureText) {
    // Whatever CSV files are there would be from an earlier run.
    std::fprintf(stderr, "zuntext-batch: --no-csv writes no CSV files to upload\n");
    return false;
  }
  return true;
}

bool ParseArguments(int argc, char** argv, Options& options) {
  std::vector<std::string> positional;
  bool uploadGiven = false, missing = false;
  std::string modeText;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (OptionValue("--upload", argc, argv, i, modeText, missing)) {
      uploadGiven = true;
      options.upload.Mode = zun::batch::UploadModeFromText(modeText);
    } else if (OptionValue("--host", argc, argv, i, options.upload.Host, missing) ||
               OptionValue("--user", argc, argv, i, options.upload.User, missing) ||
               OptionValue("--remote-dir", argc, argv, i, options.upload.RemoteDir, missing) ||
               OptionValue("--ca-file", argc, argv, i, options.upload.CaFile, missing) ||
               OptionValue("--key-file", argc, argv, i, options.upload.KeyFile, missing) ||
               OptionValue("--known-hosts", argc, argv, i, options.upload.KnownHosts, missing)) {
      if (missing) return false;
    } else if (arg == "--watch") {
      options.watch = true;
    } else if (arg == "--no-csv") {
      options.csv = false;
    } else if (arg == "--grid") {
      if (i + 1 >= argc) return false;
      options.gridFile = argv[++i];
    } else if (arg.rfind("--grid=", 0) == 0) {
      options.gridFile = arg.substr(7);
    } else if (arg == "--") {
      for (++i; i < argc; ++i) positional.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2 || positional[0].empty() || positional[1].empty()) return false;
  if (options.gridFile.empty() && std::find(argv, argv + argc, std::string("--grid")) != argv + argc) return false;
  if (missing || !CheckUploadOptions(options, uploadGiven, modeText)) return false;
  options.zunTextFile = positional[0];
  options.outputDir = positional[1];
  return true;
}

// Every row, ten quoted cells joined by ",", CR LF after each row.
std::string GridText(const zun::ResultGrid& grid) {
  std::string text;
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < zun::kGridColumns; ++c) {
      if (c > 0) text += ',';
      text += '"';
      for (char ch : grid.Cell(c, r)) {
        if (ch == '"') text += '"';
        text += ch;
      }
      text += '"';
    }
    text += "\r\n";
  }
  return text;
}

bool MakeFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return zun::DirectoryExists(path);
}

int CountCells(const zun::ResultGrid& grid, int col, std::string_view text) {
  int n = 0;
  for (int r = 1; r < grid.RowCount(); ++r) n += grid.Cell(col, r) == text;
  return n;
}

// The password of --upload, from the environment; false (said) when the login lacks what it needs.
bool ReadPassword(const Options& options, std::string& password) {
  const char* fromEnvironment = std::getenv(zun::batch::kPasswordVariable);
  password = fromEnvironment ? fromEnvironment : "";
  // A key file without a passphrase needs no password.
  const bool keyLogin = zun::ftp::IsSftpHost(options.upload.Host) && !options.upload.KeyFile.empty();
  if (auto missing = zun::ftp::MissingConnectInput(options.upload.Host, options.upload.User, password, !keyLogin)) {
    std::fprintf(stderr, "%s\nzuntext-batch: set %s for --upload\n", missing->c_str(), zun::batch::kPasswordVariable);
    return false;
  }
  return true;
}

// Writes the outputs of the loaded race once and prints what was read; kExitFailed (said) when a
// file could not be written.
int WriteOnce(zun::LiveCycle& live, const zun::OutputTargets& targets, int& filesWritten) {
  const zun::OutputReport written = live.WriteOutputs(targets);
  if (written.pureText != zun::SaveResult::Ok) {
    std::fprintf(stderr, "zuntext-batch: cannot write %s\n", targets.PureTextPath.c_str());
    return kExitFailed;
  }
  ++filesWritten;

  const zun::RankingReport& ranking = written.ranking;
  if (written.rankingsWritten) {
    if (!ranking.overallWritten) {
      std::fprintf(stderr, "zuntext-batch: cannot write %s\n", zun::JoinPath(targets.Dir000, zun::kOverallRankingFileName).c_str());
      return kExitFailed;
    }
    filesWritten += 1 + ranking.countFilesWritten;
    if (ranking.countFileFailed) {
      std::fprintf(stderr, "zuntext-batch: cannot write count ranking file %03d.csv in %s\n",
                   ranking.countFilesWritten + 1, targets.Dir999.c_str());
      return kExitFailed;
    }
  }

  const zun::ResultGrid& grid = live.Data.Grid;
  std::printf("rows read %d, marked z %d, R %d, x %d, passages listed %d, files written %d\n", grid.RowCount() - 1,
              CountCells(grid, zun::ColZFlg, "z"), CountCells(grid, zun::ColZFlg, "R"),
              CountCells(grid, zun::ColXFlg, "x"), ranking.passagesListed, filesWritten);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zuntext-batch %s\n", ZUN_VERSION);
    return 0;
  }
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    PrintUsage();
    return kExitUsage;
  }
  const bool upload = options.upload.Mode != zun::ftp::UploadMode::None;
  std::string password;
  if (upload && !ReadPassword(options, password)) return kExitUsage;
  const std::string zunPath = zun::AbsolutePath(options.zunTextFile);
  {
    zun::TextLineReader probe;
    if (!probe.Open(zunPath)) {
      std::fprintf(stderr, "zuntext-batch: cannot open zunText file %s\n", zunPath.c_str());
      return kExitFailed;
    }
  }

  zun::LiveCycle live(/*appendable=*/options.watch);
  const zun::LoadReport load = live.Load(zunPath);
  const zun::ResultData& data = live.Data;
  if (!load.fileOpened) {
    std::fprintf(stderr, "zuntext-batch: cannot open zunText file %s\n", zunPath.c_str());
    return kExitFailed;
  }
  if (load.tooBig) std::fprintf(stderr, "grid is too big!!!\n");
  if (load.flagFile == zun::FlagFileRead::OpenFailed)
    std::fprintf(stderr, "zuntext-batch: cannot read flag file %s; no row is marked x\n",
                 zun::FlagFilePathFor(zunPath).c_str());

  const std::string outputDir = zun::AbsolutePath(options.outputDir);
  const std::string dir000 = zun::JoinPath(outputDir, "000");
  const std::string dir999 = zun::JoinPath(outputDir, "999");
  for (const std::string& folder : {outputDir, dir000, dir999}) {
    if (!MakeFolders(folder)) {
      std::fprintf(stderr, "zuntext-batch: cannot create folder %s\n", folder.c_str());
      return kExitFailed;
    }
  }

  int filesWritten = 0;
  if (!options.gridFile.empty()) {
    const std::string gridPath = zun::AbsolutePath(options.gridFile);
    if (zun::ReplaceFile(gridPath, GridText(data.Grid)) != zun::SaveResult::Ok) {
      std::fprintf(stderr, "zuntext-batch: cannot write grid file %s\n", gridPath.c_str());
      return kExitFailed;
    }
    ++filesWritten;
  }

  const std::string purePath = zun::JoinPath(outputDir, zun::kPureTextFileName);
  if (options.watch) {
    std::fflush(stdout);
    const zun::OutputTargets targets{purePath, options.csv, dir000, dir999};
    return zun::batch::RunWatch(live, zun::batch::WatchOptions{zunPath, targets, options.upload, password, outputDir});
  }
  const int failed = WriteOnce(live, zun::OutputTargets{purePath, options.csv, dir000, dir999}, filesWritten);
  if (failed != kExitOk) return failed;
  if (load.tooBig) {
    // Without the flag file applied, the pure text still holds the readings marked invalid.
    if (upload) std::fprintf(stderr, "zuntext-batch: the grid is too big; nothing uploaded\n");
    return kExitTooBig;
  }
  if (!upload) return kExitOk;
  std::fflush(stdout);
  return zun::batch::UploadOutputs(options.upload, password, outputDir);
}
