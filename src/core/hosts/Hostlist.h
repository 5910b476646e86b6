#pragma once
// The host list: up to 30 remembered FTP hosts in memory (HostTable) and in the host file beside the
// program, and the logic of the host dialog. Nothing here shows anything: every text the operator must
// see comes back as a UTF-8 value for the window to show, in order.
//
// The window's texts (HostFields, dialog rows, messages, paths) are UTF-8; the fields of a HostEntry
// are the code page 932 bytes of the host file.
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zun {

constexpr int kHostSlots = 30;
constexpr size_t kHostEntryBytes = 401;
constexpr size_t kHostFieldBytes = 80;
constexpr size_t kHostTextMaxBytes = 79;      // host, user, folders: bytes before the zero byte
constexpr size_t kHostPasswordMaxBytes = 78;  // its stored form may be one byte longer

// Texts of the dialog and its menu item.
inline constexpr const char* kHostFormCaption = "ホスト一覧";
inline constexpr const char* kHostColumnHost = "ホスト名";
inline constexpr const char* kHostColumnUser = "ユーザー名";
inline constexpr const char* kHostButtonSet = "設定";
inline constexpr const char* kHostButtonDelete = "削除";
inline constexpr const char* kHostButtonCancel = "キャンセル";
inline constexpr const char* kOpenHostListCaption = "ﾎｽﾄﾘｽﾄを開く";

// Messages and questions.
inline constexpr const char* kMsgHostNotChosen = "ホストが指定されていません。";
inline constexpr const char* kMsgHostListWhileConnected = "ホストに接続中はホストの変更はできません。";
inline constexpr const char* kMsgHostInUse = "指定のホストは現在使用中ですので\n削除できませんでした。";
inline constexpr const char* kAskSetHost = "指定のホストに設定してもいいですか？";
inline constexpr const char* kAskDeleteHost = "指定のホストを削除してもいいですか？";

// One slot. Field texts are CP932 bytes without their zero byte; `password` is the stored form of the
// enciphered password. Freeing a slot clears only `used`; the other fields stay until overwritten.
struct HostEntry {
  bool used = false;
  std::string hostName;
  std::string userName;
  std::string password;
  std::string localDir;   // LastLDir when the host was stored
  std::string remoteDir;  // LastHDir when the host was stored
};

// What the last LoadHostTable found. Only after `Read` may a save with no used slot empty the file.
enum class HostLoad { None, Missing, Read, Failed };

struct HostTable {
  std::array<HostEntry, kHostSlots> entries{};  // the 30 slots; not named "slots", which Qt defines as a macro
  HostLoad lastLoad = HostLoad::None;

  int UsedCount() const;
};

// The window's host fields: EHost, EUserId, EPassword and LastLDir (UTF-8), and LastHDir (the FTP
// server's own bytes, kept in the host file unconverted).
struct HostFields {
  std::string host;
  std::string user;
  std::string password;
  std::string lastLDir;
  std::string lastHDir;
};

// The host file: the executable's path with its extension replaced by ".H$$".
std::string HostFilePath();

// The 401-byte record of an entry (used flag 1 or 0, five zero-padded 80-byte fields) and back. A
// field is read up to its first zero byte; `record` must hold kHostEntryBytes bytes.
std::string EncodeHostEntry(const HostEntry& entry);
HostEntry DecodeHostEntry(std::string_view record);

// ---- the host file --------------------------------------------------------------------------------

struct HostLoadResult {
  bool read = false;    // the file was read
  std::string message;  // not empty: show it (the file exists but cannot be read, and not quiet)
};

// Marks every slot free and reads the first (at most 30) whole records of the file into slots 0, 1, ...
// No file: false and no message.
HostLoadResult LoadHostTable(HostTable& table, const std::string& path, bool quiet);
// LoadHostTable on the bytes of a host file already read.
void ReadHostTable(HostTable& table, std::string_view bytes);

enum class HostSave {
  Written,    // the used slots were written
  Emptied,    // the table is empty after a good load: the file now holds no record
  Untouched,  // nothing to write, or the last load failed: the file was left as it was
  Failed,     // could not be written: the file keeps its old content
};

struct HostSaveResult {
  HostSave outcome = HostSave::Untouched;
  std::string message;  // not empty on Failed
};

// Replaces the file whole (temporary file and rename, mode 0600) with the used slots in slot order.
HostSaveResult SaveHostTable(const HostTable& table, const std::string& path);
// The bytes SaveHostTable writes: a record for each used slot, in slot order.
std::string HostFileBytes(const HostTable& table);

// ---- storing and finding hosts -------------------------------------------------------------------

enum class HostStore {
  Blank,    // EHost was blank after trimming: nothing done
  Updated,  // an entry with the same host and user got the password and folders
  Added,    // a new entry in the first free slot
  Full,     // no free slot: the limit message
  Refused,  // a field cannot be held by the host file: the message names it
};

struct HostStoreResult {
  HostStore outcome = HostStore::Blank;
  int slot = -1;  // the slot written
  // The enciphered password, for the window's CipheredPassword; not set when EHost was blank.
  std::optional<std::string> cipheredPassword;
  std::string message;  // not empty on Full and Refused
};

// Stores the host of `fields` into the table (not into the file). Host and user match by exact bytes.
HostStoreResult StoreCurrentHost(HostTable& table, const HostFields& fields);

// The whole "store the current host" sequence of closing and disconnecting: LoadHostTable (not quiet),
// StoreCurrentHost, SaveHostTable. The messages come in the order they are to be shown.
struct RememberHostResult {
  HostStoreResult store;
  std::vector<std::string> messages;
};
RememberHostResult RememberCurrentHost(HostTable& table, const std::string& path, const HostFields& fields);

// The start-up lookup: loads the table quietly and gives the stored password (stored form, bytes) of
// the first used entry whose host and user equal the fields; empty when the user is empty or nothing
// matches. The window sets CipheredPassword to it.
std::string LookupStoredPassword(HostTable& table, const std::string& path, const HostFields& fields);

// The first slot whose host and user equal `host` and `user` (UTF-8), among the used slots or, with
// `includeFree`, among all 30 as they stand; -1 when none.
int FindHostSlot(const HostTable& table, std::string_view host, std::string_view user, bool includeFree);

// Marks every slot free, contents kept (opening an FTP session does this). The table then counts as
// not loaded, so a save before the next load never empties the file.
void MarkAllHostsFree(HostTable& table);

// Stored form <-> the UTF-8 password of the EPassword edit (the cipher works on its CP932 bytes).
std::string PasswordFromStored(std::string_view stored);
std::string StoredFromPassword(std::string_view password);

// The UTF-8 texts of a slot's fields.
HostFields FieldsOfEntry(const HostEntry& entry);

// ---- the host dialog -----------------------------------------------------------------------------

struct HostRow {
  std::string host;  // UTF-8 caption
  std::string user;  // UTF-8 sub-item
};

// The result of a button of the dialog.
struct HostButtonResult {
  std::string message;  // not empty: show it (OK only) before anything else
  bool close = false;   // close the dialog
  bool focusList = true;  // give the focus back to the list
};

// Asks a Yes/No question with the given text; true only for Yes.
using HostConfirm = std::function<bool(const std::string& question)>;

// The dialog without its widgets: its rows and the two tags by which it answers (the row chosen for
// use and the row chosen for deletion; -1 is none). Row index equals slot index.
class HostForm {
 public:
  // FillHostDialog: one row per slot 0, 1, ... while the slot is used.
  void Fill(const HostTable& table);
  const std::vector<HostRow>& Rows() const { return rows_; }

  int Tag() const { return tag_; }
  int DeleteTag() const { return deleteTag_; }
  void ResetTags() { tag_ = deleteTag_ = -1; }

  // `selectedRow` is the list's selected row, -1 when none. Closing by the system menu touches nothing.
  HostButtonResult ButtonSetClick(int selectedRow, const HostConfirm& confirm);
  HostButtonResult ButtonDeleteClick(int selectedRow, const HostConfirm& confirm);
  HostButtonResult ButtonCancelClick();

 private:
  std::vector<HostRow> rows_;
  int tag_ = -1;
  int deleteTag_ = -1;
};

// OpenHostListExecute, in two halves around showing the dialog modally.
struct HostListBegin {
  bool showDialog = false;            // false: refused while connected
  std::vector<std::string> messages;  // to show before the dialog opens
};
HostListBegin BeginOpenHostList(HostTable& table, HostForm& form, const std::string& path, bool connected);

struct HostListEnd {
  bool fieldsChanged = false;         // a host was chosen: `fields` holds its texts (HostEdited follows)
  bool deleted = false;
  std::vector<std::string> messages;  // to show, in order
};
// Reads the dialog's tags: a chosen row fills `fields` from its slot (password deciphered); otherwise a
// deletion row frees its slot unless it is the host in the fields. Then saves the table.
HostListEnd FinishOpenHostList(HostTable& table, const HostForm& form, const std::string& path,
                               HostFields& fields);

}  // namespace zun
