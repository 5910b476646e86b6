#pragma once
// Messages the window shows from more than one of its files.

namespace zun {

inline constexpr const char* kMsgCannotOpen = "ファイルがオープン出来ませんでした。";

}  // namespace zun
