#include "Upload.h"

#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include "ftp/HostClient.h"
#include "ftp/FtpSession.h"
#include "ftp/KnownHosts.h"
#include "ftp/PassOutcome.h"
#include "ftp/ServerProbe.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::batch {
namespace {

// The window's status panel as lines on stderr. Repeating the text it already shows would not
// change the panel, so a repeat is not printed again.
class StatusLines {
 public:
  void Status(const std::string& text) {
    if (text == last_) return;
    last_ = text;
    Print(text);
  }
  void Message(const std::string& text) {
    last_.clear();
    Print(text);
  }

 private:
  static void Print(std::string_view text) {
    // Some error statuses end in a line break and a blank that the panel does not show.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  std::string last_;
};

}  // namespace

int UploadModeFromText(const std::string& text) {
  if (text.size() == 3 && (text[0] | 0x20) == 't' && (text[1] | 0x20) == 'x' && (text[2] | 0x20) == 't')
    return ftp::kUploadTxt;
  if (text == "999") return ftp::kUpload999;
  if (text == "000") return ftp::kUpload000;
  return ftp::kUploadNone;
}

int UploadOutputs(const UploadOptions& options, const std::string& password, const std::string& outputDir,
                  const NextUploadPass& next) {
  StatusLines lines;
  ftp::HostClient client;
  client.SetCaFile(options.CaFile);
  // Without a window nobody can be asked: a key not in the file is refused.
  client.SetSshSettings(ftp::SshSettings{
      options.KeyFile, options.KnownHosts.empty() ? ftp::DefaultKnownHostsPath() : options.KnownHosts, nullptr});
  std::string shownFolder = options.RemoteDir;  // ComboCurrDir's text
  ftp::ConnectionTarget target{options.Host, options.User, password, {}};
  const auto showMessage = [&lines](const std::string& text) { lines.Message(text); };

  ftp::FtpSession* session = nullptr;
  const auto openInternet = [&] { return ftp::OpenInternetSession(*session, nullptr, showMessage); };
  const auto ensureConnection = [&] {
    target.ShownFolder = shownFolder;
    return ftp::EnsureConnection(*session, target, openInternet, showMessage);
  };
  ftp::FtpSessionHooks hooks;
  hooks.ShowStatus = [&lines](const std::string& text) { lines.Status(text); };
  hooks.ShowMessage = showMessage;
  hooks.ShownFolder = [&shownFolder] { return shownFolder; };
  hooks.EnsureConnection = ensureConnection;
  ftp::FtpSession ftpSession(client, hooks);
  session = &ftpSession;

  const auto showRemoteFolder = [&] {
    std::string path;
    if (ftpSession.GetCurrentDirectory(path)) {
      lines.Status(ftp::FolderCountStatus(ftpSession.RemoteFileCount(), ftpSession.RemoteDirCount()));
      shownFolder = path;
    } else {
      shownFolder.clear();
    }
  };

  if (!openInternet()) return kExitNoConnection;
  if (!ftpSession.Open(options.Host, options.User, password)) {
    showMessage(ftp::kHostOpenFailed);
    return kExitNoConnection;
  }
  // Files go into the folder asked for or nowhere.
  std::string remoteDir = options.RemoteDir;
  if (!ftp::EnterRememberedFolder(ftpSession, remoteDir)) {
    std::fprintf(stderr, "zuntext-batch: remote folder %s cannot be entered; nothing uploaded\n",
                 options.RemoteDir.c_str());
    ftpSession.Close();
    return kExitNotSent;
  }
  if (ftpSession.List()) showRemoteFolder();

  const auto source = ftp::UploadSourceForMode(options.Mode, outputDir, JoinPath(outputDir, "999"),
                                               JoinPath(outputDir, "000"));
  if (!source) {
    ftpSession.Close();
    return kExitNotSent;
  }
  ftpSession.SetLocalDirectory(source->UploadDir);

  std::vector<ftp::UploadEntry> entries;
  ftp::UploadPlan plan;
  ftp::UploadPassResult pass;
  ftp::SentFiles onServer;
  ftp::ServerProbe probe;
  bool awaitingServer = false;  // a pass timed out: the next waits until the server greets again
  bool skipped = false;
  do {
    skipped = !ftp::PassMayGo(awaitingServer, probe, options.Host, time(nullptr));
    if (skipped) {
      // Nothing is sent into the silence: the cycle goes on writing the outputs meanwhile.
      pass = ftp::UploadPassResult{};
      pass.ConnectionFailure = {ftp::kFtpTimeout, {}};
      continue;
    }
    if (!ensureConnection()) {
      showMessage(ftp::kReconnectFailed);
      awaitingServer = ftpSession.LastError().code == ftp::kFtpTimeout;
    }
    entries.clear();
    if (options.Mode == ftp::kUpload999) {
      std::vector<DirectoryEntry> listing;
      ListDirectory(source->UploadDir, "*.csv", listing);
      for (const DirectoryEntry& e : listing) entries.push_back({e.name, false});
    }
    plan = ftp::PlanUpload(options.Mode, source->UploadDir, source->UploadFilePath.value_or(std::string()), entries,
                           -1);
    pass = ftp::SendUploadPlan(ftpSession, plan, onServer, true);
    if (plan.Kind != ftp::UploadKind::Nothing && pass.ConnectionFailure.ok() && ftpSession.List()) showRemoteFolder();
    if (pass.ConnectionFailure.ok()) awaitingServer = false;
    if (pass.ConnectionFailure.code == ftp::kFtpTimeout) awaitingServer = true;
  } while (next && next([&] {
             ftp::PassOutcome outcome = ftp::OutcomeOf(plan, pass);
             outcome.AwaitingServer = skipped;
             return outcome;
           }()));
  // A file left out holds its bytes on the server already: it counts as sent.
  const int sent = pass.Sent + pass.Unchanged;
  const std::string remoteFolder = shownFolder;
  ftpSession.Close();

  if (plan.Files.empty()) {
    std::fprintf(stderr, "zuntext-batch: nothing to upload in %s\n", source->UploadDir.c_str());
    return 0;
  }
  // The files the pass went through; those past its limit wait for the next pass.
  const size_t planned = static_cast<size_t>(ftp::OutcomeOf(plan, pass).Planned);
  if (pass.Deferred > 0)
    std::fprintf(stderr, "zuntext-batch: %zu CSV files in %s; at most %d are sent in one pass\n", plan.Files.size(),
                 source->UploadDir.c_str(), ftp::kMaxUploadFiles);
  std::fprintf(stderr, "zuntext-batch: %d of %zu files sent to %s\n", sent, planned,
               remoteFolder.empty() ? "the login folder" : remoteFolder.c_str());
  for (const std::string& refused : pass.Refused) std::fprintf(stderr, "zuntext-batch: refused %s\n", refused.c_str());
  if (pass.ConnectionFailure.code == ftp::kFtpFolderUnavailable) {
    std::fprintf(stderr, "zuntext-batch: remote folder %s cannot be entered; nothing uploaded\n",
                 ftpSession.UnavailableFolder().c_str());
    return kExitNotSent;
  }
  if (!pass.ConnectionFailure.ok()) {
    std::fprintf(stderr, "zuntext-batch: connection lost (%d %s); the files not sent were not tried\n",
                 pass.ConnectionFailure.code, pass.ConnectionFailure.message.c_str());
    return kExitNoConnection;
  }
  return static_cast<size_t>(sent) == planned ? 0 : kExitNotSent;
}

}  // namespace zun::batch
