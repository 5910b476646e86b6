#pragma once
// Rules of the remote file browser that do not depend on widgets: sorting the list, going into and
// out of folders, the visited-folder list, and what create, rename and delete do.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/FtpSession.h"

namespace zun::ftp {

inline constexpr const char* kMakeHDirCaption = "ﾘﾓｰﾄﾌｫﾙﾀﾞを作成";
inline constexpr const char* kMakeHDirPrompt = "ﾌｫﾙﾀﾞ名を入力して下さい。";
inline constexpr const char* kRenameCaption = "ﾘﾓｰﾄﾌｧｲﾙ名変更";
inline constexpr const char* kRenamePrompt = "新しいﾌｧｲﾙ名に変更して下さい。";
inline constexpr const char* kDeleteConfirm =
    "削除を実行してもいいですか？\n元には戻せません\n(※ｻﾌﾞﾌｫﾙﾀﾞ及び空でないﾌｫﾙﾀﾞは削除できません。)";

// Column indexes of the remote list.
constexpr int kColumnName = 0;
constexpr int kColumnDate = 1;
constexpr int kColumnSize = 2;

// 0 = ascending next, 1 = descending next, one flag per column index 0..19.
struct RemoteSortState {
  int RemoteSortColumn = 0;
  std::array<uint8_t, 20> RemoteSortFlags{};
};

// The state when the window is shown: every flag set, then the size column's cleared.
RemoteSortState InitialRemoteSortState();

// Byte-wise comparison after folding a..z to capitals; a text that begins the other sorts first.
int CompareText(std::string_view a, std::string_view b);

// The list's compare for the column last clicked, in that column's direction.
int CompareRemoteItems(const RemoteItem& a, const RemoteItem& b, const RemoteSortState& state);

// A click on a column header: sorts `items` by that column and flips its direction flag.
void SortRemoteItemsByColumn(std::vector<RemoteItem>& items, RemoteSortState& state, int column);

// Sorts `items` again as the last click on a column header sorted them (the flag then flipped).
void SortAsLastClicked(std::vector<RemoteItem>& items, const RemoteSortState& state);

// The folder a double click enters: the first selected entry when it is a folder with a name.
// `selected` are item indexes in list order.
std::optional<std::string> FolderToEnter(const std::vector<RemoteItem>& items, const std::vector<int>& selected);

// Going up does nothing while the box shows the root.
bool CanGoUp(std::string_view comboText);

// The history of remote folders: a path is appended once.
void AddFolderHistory(std::vector<std::string>& history, const std::string& path);

// The name to create from the input box's answer; nothing when it is blank (the list is re-read
// either way). The name is sent as typed.
std::optional<std::string> FolderToCreate(const std::string& answer);

// Whether the rename dialog is offered at all.
bool CanRename(bool connected, size_t selectedCount);
// The new name to send, or nothing for a blank answer or the old name unchanged.
std::optional<std::string> RenameTarget(const std::string& oldName, const std::string& answer);

// Whether deleting proceeds after the confirmation.
bool CanDelete(bool confirmed, bool connected, size_t selectedCount);
// Deletes the selected entries in list order: files with DeleteFile, folders with RemoveDirectory;
// a failure is reported by the session and the next entry is tried. Returns how many went.
int DeleteSelectedRemote(FtpSession& session, const std::vector<RemoteItem>& items, const std::vector<int>& selected);

}  // namespace zun::ftp
