#include "hosts/Hostlist.h"

#include <algorithm>

#include "hosts/Ecypt.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace zun {

namespace {

constexpr unsigned kHostFileMode = 0600;

std::string OpenFailedMessage(const std::string& path) { return path + "\nを開けませんでした。"; }

std::string LimitMessage() {
  return Format("登録できるホストは %d 個までです。\n不要なホストを削除して下さい。", kHostSlots);
}

void PutField(std::string& record, size_t offset, const std::string& text) {
  record.replace(offset, std::min(text.size(), kHostFieldBytes), text, 0, kHostFieldBytes);
}

std::string GetField(std::string_view record, size_t offset) {
  std::string_view field = record.substr(offset, kHostFieldBytes);
  const size_t end = field.find('\0');
  if (end != std::string_view::npos) field = field.substr(0, end);
  return std::string(field);
}

// The CP932 bytes of an edit's text; nullopt when a character has no CP932 code.
std::optional<std::string> Cp932Of(std::string_view utf8) {
  bool ok = true;
  std::string bytes = Cp932FromUtf8(utf8, &ok);
  if (!ok) return std::nullopt;
  return bytes;
}

int FindSlotBytes(const HostTable& table, std::string_view host, std::string_view user, bool includeFree) {
  for (int i = 0; i < kHostSlots; ++i) {
    const HostEntry& e = table.entries[static_cast<size_t>(i)];
    if ((e.used || includeFree) && e.hostName == host && e.userName == user) return i;
  }
  return -1;
}

// The CP932 form of one field to store, or the message why it cannot be stored.
struct FieldCheck {
  std::string bytes;
  std::string message;
};

FieldCheck CheckField(std::string_view utf8, const char* name, size_t maxBytes) {
  FieldCheck check;
  std::optional<std::string> bytes = Cp932Of(utf8);
  if (!bytes) {
    check.message = Format("%sに Shift-JIS で表せない文字があるため、\nホストを登録できませんでした。", name);
  } else if (bytes->size() > maxBytes) {
    check.message =
        Format("%sが長すぎるため、ホストを登録できませんでした。\n%sは %zu バイトまでです。", name, name, maxBytes);
  } else {
    check.bytes = std::move(*bytes);
  }
  return check;
}

// The remote folder is the server's own bytes (CP932 or UTF-8) and is stored as it is.
FieldCheck CheckRemoteFolder(const std::string& bytes) {
  FieldCheck check;
  if (bytes.size() > kHostTextMaxBytes)
    check.message = Format("%sが長すぎるため、ホストを登録できませんでした。\n%sは %zu バイトまでです。", "リモートフォルダ",
                           "リモートフォルダ", kHostTextMaxBytes);
  else
    check.bytes = bytes;
  return check;
}

}  // namespace

int HostTable::UsedCount() const {
  return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const HostEntry& e) { return e.used; }));
}

std::string HostFilePath() { return ReplaceExtension(ExecutablePath(), ".H$$"); }

std::string EncodeHostEntry(const HostEntry& entry) {
  std::string record(kHostEntryBytes, '\0');
  record[0] = entry.used ? 1 : 0;
  PutField(record, 1, entry.hostName);
  PutField(record, 1 + kHostFieldBytes, entry.userName);
  PutField(record, 1 + 2 * kHostFieldBytes, entry.password);
  PutField(record, 1 + 3 * kHostFieldBytes, entry.localDir);
  PutField(record, 1 + 4 * kHostFieldBytes, entry.remoteDir);
  return record;
}

HostEntry DecodeHostEntry(std::string_view record) {
  HostEntry entry;
  if (record.size() < kHostEntryBytes) return entry;
  entry.used = record[0] == 1;
  entry.hostName = GetField(record, 1);
  entry.userName = GetField(record, 1 + kHostFieldBytes);
  entry.password = GetField(record, 1 + 2 * kHostFieldBytes);
  entry.localDir = GetField(record, 1 + 3 * kHostFieldBytes);
  entry.remoteDir = GetField(record, 1 + 4 * kHostFieldBytes);
  return entry;
}

HostLoadResult LoadHostTable(HostTable& table, const std::string& path, bool quiet) {
  HostLoadResult result;
  for (HostEntry& e : table.entries) e.used = false;
  if (!FileExists(path)) {
    table.lastLoad = HostLoad::Missing;
    return result;
  }
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) {
    table.lastLoad = HostLoad::Failed;
    if (!quiet) result.message = OpenFailedMessage(path);
    return result;
  }
  ReadHostTable(table, bytes);
  result.read = true;
  return result;
}

void ReadHostTable(HostTable& table, std::string_view bytes) {
  for (HostEntry& e : table.entries) e.used = false;
  const size_t records = std::min(bytes.size() / kHostEntryBytes, static_cast<size_t>(kHostSlots));
  for (size_t i = 0; i < records; ++i) table.entries[i] = DecodeHostEntry(bytes.substr(i * kHostEntryBytes, kHostEntryBytes));
  table.lastLoad = HostLoad::Read;
}

std::string HostFileBytes(const HostTable& table) {
  std::string bytes;
  for (const HostEntry& e : table.entries) {
    if (e.used) bytes += EncodeHostEntry(e);
  }
  return bytes;
}

HostSaveResult SaveHostTable(const HostTable& table, const std::string& path) {
  HostSaveResult result;
  // After a failed load the table does not hold what the file holds: writing would lose hosts.
  if (table.lastLoad == HostLoad::Failed) return result;
  const std::string bytes = HostFileBytes(table);
  if (bytes.empty() && table.lastLoad != HostLoad::Read) return result;
  if (ReplaceFile(path, bytes, true, kHostFileMode, true) != SaveResult::Ok) {
    result.outcome = HostSave::Failed;
    result.message = OpenFailedMessage(path);
    return result;
  }
  result.outcome = bytes.empty() ? HostSave::Emptied : HostSave::Written;
  return result;
}

HostStoreResult StoreCurrentHost(HostTable& table, const HostFields& fields) {
  HostStoreResult result;
  if (Trim(fields.host).empty()) return result;
  const std::optional<std::string> passwordBytes = Cp932Of(fields.password);
  result.cipheredPassword = EncipherPassword(passwordBytes.value_or(std::string()));

  const FieldCheck checks[] = {
      CheckField(fields.host, "ホスト名", kHostTextMaxBytes),
      CheckField(fields.user, "ユーザー名", kHostTextMaxBytes),
      CheckField(fields.password, "パスワード", kHostPasswordMaxBytes),
      CheckField(fields.lastLDir, "ローカルフォルダ", kHostTextMaxBytes),
      CheckRemoteFolder(fields.lastHDir),
  };
  for (const FieldCheck& check : checks) {
    if (!check.message.empty()) {
      result.outcome = HostStore::Refused;
      result.message = check.message;
      return result;
    }
  }
  const std::string& host = checks[0].bytes;
  const std::string& user = checks[1].bytes;

  int slot = FindSlotBytes(table, host, user, false);
  if (slot >= 0) {
    result.outcome = HostStore::Updated;
  } else {
    for (int i = 0; i < kHostSlots && slot < 0; ++i) {
      if (!table.entries[static_cast<size_t>(i)].used) slot = i;
    }
    if (slot < 0) {
      result.outcome = HostStore::Full;
      result.message = LimitMessage();
      return result;
    }
    HostEntry& fresh = table.entries[static_cast<size_t>(slot)];
    fresh.hostName = host;
    fresh.userName = user;
    fresh.used = true;
    result.outcome = HostStore::Added;
  }
  HostEntry& entry = table.entries[static_cast<size_t>(slot)];
  entry.password = *result.cipheredPassword;
  entry.localDir = checks[3].bytes;
  entry.remoteDir = checks[4].bytes;
  result.slot = slot;
  return result;
}

RememberHostResult RememberCurrentHost(HostTable& table, const std::string& path, const HostFields& fields) {
  RememberHostResult result;
  HostLoadResult load = LoadHostTable(table, path, false);
  if (!load.message.empty()) result.messages.push_back(std::move(load.message));
  result.store = StoreCurrentHost(table, fields);
  if (!result.store.message.empty()) result.messages.push_back(result.store.message);
  HostSaveResult save = SaveHostTable(table, path);
  if (!save.message.empty()) result.messages.push_back(std::move(save.message));
  return result;
}

std::string LookupStoredPassword(HostTable& table, const std::string& path, const HostFields& fields) {
  if (!LoadHostTable(table, path, true).read) return {};
  if (fields.user.empty()) return {};
  const int slot = FindHostSlot(table, fields.host, fields.user, false);
  return slot < 0 ? std::string() : table.entries[static_cast<size_t>(slot)].password;
}

int FindHostSlot(const HostTable& table, std::string_view host, std::string_view user, bool includeFree) {
  const std::optional<std::string> hostBytes = Cp932Of(host);
  const std::optional<std::string> userBytes = Cp932Of(user);
  if (!hostBytes || !userBytes) return -1;
  return FindSlotBytes(table, *hostBytes, *userBytes, includeFree);
}

void MarkAllHostsFree(HostTable& table) {
  for (HostEntry& e : table.entries) e.used = false;
  table.lastLoad = HostLoad::None;
}

std::string PasswordFromStored(std::string_view stored) { return Utf8FromCp932(DecipherPassword(stored)); }

std::string StoredFromPassword(std::string_view password) { return EncipherPassword(Cp932FromUtf8(password)); }

HostFields FieldsOfEntry(const HostEntry& entry) {
  HostFields fields;
  fields.host = Utf8FromCp932(entry.hostName);
  fields.user = Utf8FromCp932(entry.userName);
  fields.password = PasswordFromStored(entry.password);
  fields.lastLDir = Utf8FromCp932(entry.localDir);
  fields.lastHDir = entry.remoteDir;
  return fields;
}

// ---- the dialog ----------------------------------------------------------------------------------

void HostForm::Fill(const HostTable& table) {
  rows_.clear();
  for (const HostEntry& e : table.entries) {
    if (!e.used) break;
    rows_.push_back({Utf8FromCp932(e.hostName), Utf8FromCp932(e.userName)});
  }
}

HostButtonResult HostForm::ButtonSetClick(int selectedRow, const HostConfirm& confirm) {
  HostButtonResult result;
  if (selectedRow < 0 || selectedRow >= static_cast<int>(rows_.size())) {
    result.message = kMsgHostNotChosen;
  } else if (confirm(kAskSetHost)) {
    deleteTag_ = -1;
    tag_ = selectedRow;
    result.close = true;
  }
  return result;
}

HostButtonResult HostForm::ButtonDeleteClick(int selectedRow, const HostConfirm& confirm) {
  HostButtonResult result;
  if (selectedRow < 0 || selectedRow >= static_cast<int>(rows_.size())) {
    result.message = kMsgHostNotChosen;
  } else if (confirm(kAskDeleteHost)) {
    deleteTag_ = selectedRow;
    tag_ = -1;
    result.close = true;
  }
  return result;
}

HostButtonResult HostForm::ButtonCancelClick() {
  HostButtonResult result;
  tag_ = -1;
  result.close = true;
  result.focusList = false;
  return result;
}

HostListBegin BeginOpenHostList(HostTable& table, HostForm& form, const std::string& path, bool connected) {
  HostListBegin begin;
  if (connected) {
    begin.messages.push_back(kMsgHostListWhileConnected);
    return begin;
  }
  HostLoadResult load = LoadHostTable(table, path, false);
  if (!load.message.empty()) begin.messages.push_back(std::move(load.message));
  form.ResetTags();
  form.Fill(table);
  begin.showDialog = true;
  return begin;
}

HostListEnd FinishOpenHostList(HostTable& table, const HostForm& form, const std::string& path,
                               HostFields& fields) {
  HostListEnd end;
  auto usedSlot = [&](int row) { return row >= 0 && row < kHostSlots && table.entries[static_cast<size_t>(row)].used; };
  const int chosen = form.Tag();
  const int doomed = form.DeleteTag();
  if (chosen >= 0) {
    if (usedSlot(chosen)) {
      fields = FieldsOfEntry(table.entries[static_cast<size_t>(chosen)]);
      end.fieldsChanged = true;
    }
  } else if (usedSlot(doomed)) {
    const HostEntry& entry = table.entries[static_cast<size_t>(doomed)];
    if (entry.hostName == Cp932FromUtf8(fields.host) && entry.userName == Cp932FromUtf8(fields.user)) {
      end.messages.push_back(kMsgHostInUse);
    } else {
      table.entries[static_cast<size_t>(doomed)].used = false;
      end.deleted = true;
    }
  }
  HostSaveResult save = SaveHostTable(table, path);
  if (!save.message.empty()) end.messages.push_back(std::move(save.message));
  return end;
}

}  // namespace zun
