#include "ftp/ServerProbe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "ftp/CurlFtpClient.h"
#include "ftp/CurlSftpClient.h"
#include "ftp/PublishHealth.h"
#include "platform/Seconds.h"

namespace zun::ftp {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until the deadline; false on silence or an error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int n = poll(&p, 1, MillisecondsLeft(deadline));
    if (n > 0) return true;
    if (n == 0 || errno != EINTR) return false;
  }
}

bool Greets(const addrinfo& address, bool ssh, Clock::time_point deadline) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, deadline)) return false;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return false;
  }
  char reply[4];
  size_t got = 0;
  while (got < sizeof reply) {
    if (!WaitFor(fd, POLLIN, deadline)) return false;
    const ssize_t n = recv(fd, reply + got, sizeof reply - got, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  if (ssh) return std::string_view(reply, 4) == "SSH-";
  const bool greeted = reply[0] == '2' && reply[1] == '2' && reply[2] == '0' && (reply[3] == ' ' || reply[3] == '-');
  if (greeted) send(fd, "QUIT\r\n", 6, MSG_NOSIGNAL);
  return greeted;
}

}  // namespace

bool ServerGreets(const std::string& host, int timeoutSeconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  FtpHostSpec spec;
  SftpHostSpec sftp;
  const bool ssh = ParseSftpHost(host, sftp);
  if (ssh) {
    spec.name = sftp.name;
    spec.port = sftp.port;
  } else if (!ParseFtpHost(host, spec)) {
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(spec.name.c_str(), std::to_string(spec.port).c_str(), &hints, &found) != 0) return false;
  bool greeted = false;
  for (const addrinfo* a = found; a != nullptr && !greeted && MillisecondsLeft(deadline) > 0; a = a->ai_next)
    greeted = Greets(*a, ssh, deadline);
  freeaddrinfo(found);
  return greeted;
}

struct ServerProbe::Shared {
  std::atomic<Result> result{Result::Waiting};
};

void ServerProbe::Start(const std::string& host, int timeoutSeconds) {
  if (Poll() == Result::Waiting) return;
  shared_ = std::make_shared<Shared>();
  std::thread([shared = shared_, host, timeoutSeconds] {
    shared->result = ServerGreets(host, timeoutSeconds) ? Result::Answered : Result::Silent;
  }).detach();
}

bool ServerProbe::Answered(const std::string& host, std::time_t now) {
  switch (Poll()) {
    case Result::Answered:
      Clear();
      return true;
    case Result::Waiting: return false;
    case Result::None:
    case Result::Silent: break;
  }
  if (SecondsPassed(startedAt_, now, kQuietRetrySeconds)) {
    startedAt_ = now;
    Start(host, kServerProbeSeconds);
  }
  return false;
}

ServerProbe::Result ServerProbe::Poll() const { return shared_ ? shared_->result.load() : Result::None; }

}  // namespace zun::ftp
