#pragma once
// Folder listings as FTP servers send them: MLSD facts, and the LIST lines of Unix and DOS servers.
#include <string_view>
#include <vector>

#include "ftp/FtpClient.h"

namespace zun::ftp {

// "type=file;size=3;modify=20040305060708; name". False for the folder itself and its parent
// (type cdir, pdir) and for lines that are not facts.
bool ParseMlsdLine(std::string_view line, FtpEntry& entry);

// One LIST line in the Unix form ("-rw-r--r-- 1 u g 123 Mar  5 06:07 name") or the DOS form
// ("03-05-04  06:07AM  <DIR>  name"). `now` supplies the year Unix lines leave out. False for
// lines that are neither ("total 12").
bool ParseListLine(std::string_view line, const FtpTime& now, FtpEntry& entry);

// A whole listing, line by line (CR LF or LF), in the server's order.
std::vector<FtpEntry> ParseMlsdListing(std::string_view text);
std::vector<FtpEntry> ParseListListing(std::string_view text, const FtpTime& now);

// The time now in UTC, for `now` above.
FtpTime CurrentUtcTime();

}  // namespace zun::ftp
