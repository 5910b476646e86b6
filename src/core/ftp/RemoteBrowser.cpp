#include "ftp/RemoteBrowser.h"

#include <algorithm>

#include "platform/Text.h"

namespace zun::ftp {
namespace {

unsigned char Fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

// Sizes as numbers; a text that is not a number counts as 0.
int64_t SizeOf(const std::string& text) {
  if (text.empty() || text.size() > 18) return 0;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

RemoteSortState InitialRemoteSortState() {
  RemoteSortState s;
  s.RemoteSortFlags.fill(1);
  s.RemoteSortFlags[kColumnSize] = 0;
  return s;
}

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = static_cast<int>(Fold(a[i])) - static_cast<int>(Fold(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int CompareRemoteItems(const RemoteItem& a, const RemoteItem& b, const RemoteSortState& state) {
  const int column = state.RemoteSortColumn;
  const bool descending = column >= 0 && column < 20 && state.RemoteSortFlags[column] != 0;
  const RemoteItem& x = descending ? b : a;
  const RemoteItem& y = descending ? a : b;
  switch (column) {
    case kColumnName: return CompareText(x.Caption, y.Caption);
    case kColumnDate: return CompareText(x.Date, y.Date);
    case kColumnSize: {
      const int64_t sx = SizeOf(x.Size), sy = SizeOf(y.Size);
      return sx < sy ? -1 : (sx > sy ? 1 : 0);
    }
    default: return 0;
  }
}

void SortRemoteItemsByColumn(std::vector<RemoteItem>& items, RemoteSortState& state, int column) {
  if (column < 0 || column >= 20) return;
  state.RemoteSortColumn = column;
  std::stable_sort(items.begin(), items.end(), [&](const RemoteItem& a, const RemoteItem& b) {
    return CompareRemoteItems(a, b, state) < 0;
  });
  state.RemoteSortFlags[column] = state.RemoteSortFlags[column] ? 0 : 1;
}

void SortAsLastClicked(std::vector<RemoteItem>& items, const RemoteSortState& state) {
  const int column = state.RemoteSortColumn;
  if (column < 0 || column >= 20) return;
  RemoteSortState before = state;
  before.RemoteSortFlags[column] = state.RemoteSortFlags[column] ? 0 : 1;
  std::stable_sort(items.begin(), items.end(), [&](const RemoteItem& a, const RemoteItem& b) {
    return CompareRemoteItems(a, b, before) < 0;
  });
}

std::optional<std::string> FolderToEnter(const std::vector<RemoteItem>& items, const std::vector<int>& selected) {
  if (selected.empty()) return std::nullopt;
  const int first = *std::min_element(selected.begin(), selected.end());
  if (first < 0 || static_cast<size_t>(first) >= items.size()) return std::nullopt;
  const RemoteItem& item = items[first];
  if (item.Name.empty() || item.ImageIndex != kFolderImage) return std::nullopt;
  return item.Name;
}

bool CanGoUp(std::string_view comboText) { return Trim(comboText) != "/"; }

void AddFolderHistory(std::vector<std::string>& history, const std::string& path) {
  if (std::find(history.begin(), history.end(), path) == history.end()) history.push_back(path);
}

std::optional<std::string> FolderToCreate(const std::string& answer) {
  if (Trim(answer).empty()) return std::nullopt;
  return answer;
}

bool CanRename(bool connected, size_t selectedCount) { return connected && selectedCount == 1; }

std::optional<std::string> RenameTarget(const std::string& oldName, const std::string& answer) {
  if (Trim(answer).empty() || answer == oldName) return std::nullopt;
  return answer;
}

bool CanDelete(bool confirmed, bool connected, size_t selectedCount) {
  return confirmed && connected && selectedCount > 0;
}

int DeleteSelectedRemote(FtpSession& session, const std::vector<RemoteItem>& items, const std::vector<int>& selected) {
  std::vector<int> order = selected;
  std::sort(order.begin(), order.end());
  order.erase(std::unique(order.begin(), order.end()), order.end());
  int done = 0;
  for (int index : order) {
    if (index < 0 || static_cast<size_t>(index) >= items.size()) continue;
    const RemoteItem& item = items[index];
    bool ok = false;
    if (item.ImageIndex == kFileImage)
      ok = session.DeleteFile(item.Name);
    else if (item.ImageIndex == kFolderImage)
      ok = session.RemoveDirectory(item.Name);
    if (ok) ++done;
  }
  return done;
}

}  // namespace zun::ftp
