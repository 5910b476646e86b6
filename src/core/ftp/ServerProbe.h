#pragma once
// Whether an FTP server greets a new connection, asked on a thread of its own. While a server
// that stopped answering is away, the automatic passes wait for its greeting here instead of each
// holding the cycle for a timeout.
#include <ctime>
#include <memory>
#include <string>

namespace zun::ftp {

// Blocking: connects to the server of a host field ("host", "host:port", "ftp://", "ftps://")
// and waits up to `timeoutSeconds` for its 220 greeting. A refusal, any other reply or silence
// is false.
bool ServerGreets(const std::string& host, int timeoutSeconds);

class ServerProbe {
 public:
  enum class Result { None, Waiting, Answered, Silent };

  // For the pass about to go to a server that stopped answering: true once a probe heard it
  // greet (the answer is then used up); else a probe starts, unless one is still waiting or the
  // last began less than kQuietRetrySeconds before `now`.
  bool Answered(const std::string& host, std::time_t now);

  // Asks `host` unless a probe is still waiting for its answer.
  void Start(const std::string& host, int timeoutSeconds);
  // Never blocks.
  Result Poll() const;
  // Forgets the answer. A probe still waiting ends on its own: nobody waits for a silent server.
  void Clear() { shared_.reset(); }

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::time_t startedAt_ = 0;
};

}  // namespace zun::ftp
