#pragma once
// One transfer of an easy handle on a multi handle of the client's own, shared by the FTP and the
// SFTP client.
#include <functional>

namespace zun::ftp {

// Runs `easy` on `multi` to its end and returns its CURLcode; `betweenPolls` runs after each wait.
int DriveOnMulti(void* multi, void* easy, const std::function<void()>& betweenPolls);

}  // namespace zun::ftp
