#pragma once
// Publishing the outputs of zuntext-batch: one connection, one login, then the files the window's
// upload button sends in the chosen mode with nothing selected and nothing ticked.
#include <functional>
#include <string>

#include "ftp/PassOutcome.h"
#include "ftp/UploadWorkflow.h"

namespace zun::batch {

constexpr int kExitNoConnection = 4;
constexpr int kExitNotSent = 5;

inline constexpr const char* kPasswordVariable = "ZUNTEXT_FTP_PASSWORD";

struct UploadOptions {
  int Mode = ftp::kUploadNone;  // kUploadNone: no upload asked for
  std::string Host;             // "name" or "name:port"
  std::string User;
  std::string RemoteDir;  // empty: the login folder
  std::string CaFile;     // ftps:// hosts: certificates checked against it; empty: the system's store
  std::string KeyFile;     // sftp:// hosts: log in with this private key (the password is its passphrase)
  std::string KnownHosts;  // sftp:// hosts: the host key must be in this file; empty: ~/.ssh/known_hosts
};

// "TXT", "999" or "000" (the letters in any case); kUploadNone for anything else.
int UploadModeFromText(const std::string& text);

// Called after each pass; true sends the mode's files again over the same connection.
using NextUploadPass = std::function<bool(const ftp::PassOutcome&)>;

// Connects, enters the remote folder, sends the mode's files from `outputDir` (again as long as
// `next` asks for it) and closes. The status texts go to stderr. Returns, of the last pass, 0,
// kExitNoConnection (no connection, or it was lost during the pass) or kExitNotSent (the remote
// folder cannot be entered, or a file was refused).
int UploadOutputs(const UploadOptions& options, const std::string& password, const std::string& outputDir,
                  const NextUploadPass& next = {});

}  // namespace zun::batch
