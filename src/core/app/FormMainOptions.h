#pragma once
// What the program or a test gives the main window: where it runs, its clock and its FTP client.
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "ftp/FtpClient.h"
#include "platform/Paths.h"

namespace zun {

struct FormMainOptions {
  std::string ExecutablePath;  // the settings file and the default output folder sit beside it
  // The zunText file's stamp as the automation tick takes it; empty: the file system.
  std::function<FileStamp(const std::string&)> StampOf;
  // The folder relative names are resolved against (the open dialog's "vekData"); empty: the
  // process's current directory.
  std::string CurrentDirectory;
  // Makes the FTP client of the window's one session; empty: the libcurl client.
  std::function<std::unique_ptr<ftp::FtpClient>()> MakeFtpClient = nullptr;
  // The wall clock for the times the cycle's state shows; empty: the system clock.
  std::function<std::time_t()> Now = nullptr;
  // Set: the FTP session works on a thread of its own, which calls this when the window has
  // events of it to deliver (DeliverRemoteEvents). Empty: every remote step runs to its end where
  // it is started.
  std::function<void()> WakeForFtp = nullptr;
};

}  // namespace zun
