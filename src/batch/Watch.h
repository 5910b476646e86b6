#pragma once
// zuntext-batch --watch: the window's automation cycle without a window. It looks at the zunText
// file and its flag file as soon as the kernel says one changed, and once a second as well; on a
// change it reloads, rewrites the outputs and, with an upload mode, sends them over the one
// connection it keeps.
#include <string>

#include "Upload.h"
#include "live/LiveCycle.h"

namespace zun::batch {

struct WatchOptions {
  std::string ZunTextPath;
  OutputTargets Targets;
  UploadOptions Upload;
  std::string Password;
  std::string OutputDir;
};

// Runs until SIGINT or SIGTERM, which end it after the cycle in progress; returns 0 then.
// `live` holds the first load; its outputs are written at the start.
int RunWatch(LiveCycle& live, const WatchOptions& options);

}  // namespace zun::batch
