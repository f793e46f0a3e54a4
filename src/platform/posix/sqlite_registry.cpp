#include "platform/posix/sqlite_registry.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace plumo {
namespace {

// Keys hold the folded (upper-case) path for lookups and the last component as first written
// for listings. Values keep their row order, which is the order they were first written.
constexpr const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS keys("
    "  root INTEGER NOT NULL, path BLOB NOT NULL, parent BLOB NOT NULL, name BLOB NOT NULL,"
    "  PRIMARY KEY(root, path)) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(root, parent);"
    "CREATE TABLE IF NOT EXISTS vals("
    "  root INTEGER NOT NULL, path BLOB NOT NULL, folded BLOB NOT NULL, name BLOB NOT NULL,"
    "  kind INTEGER NOT NULL, data BLOB NOT NULL,"
    "  UNIQUE(root, path, folded));";

constexpr int kBusyTimeoutMs = 5000;
// Big values are read from the database each time rather than held twice in memory.
constexpr size_t kMaxCachedValue = 256 * 1024;
constexpr size_t kMaxCacheBytes = 16 * 1024 * 1024;
constexpr size_t kWalHeaderSize = 48;

OsError NotFound(const char* call) {
  return OsError(call, oscode::kFileNotFound, "The system cannot find the file specified.");
}

// A key path split into its components, as shown and folded.
struct KeyPath {
  std::vector<std::string> parts;
  std::string shown;   // "A\\B\\C"
  std::string folded;  // "A\\B\\C" upper-cased
};

KeyPath SplitKey(const std::string& key) {
  KeyPath k;
  std::string cur;
  auto flush = [&] {
    if (cur.empty()) return;
    if (!k.shown.empty()) k.shown.push_back('\\');
    k.shown += cur;
    k.parts.push_back(std::move(cur));
    cur.clear();
  };
  for (char c : key) {
    if (c == '\\')
      flush();
    else
      cur.push_back(c);
  }
  flush();
  k.folded = ToUpperAnsi(k.shown);
  return k;
}

std::string ParentOf(const std::string& folded) {
  size_t cut = folded.rfind('\\');
  return cut == std::string::npos ? std::string() : folded.substr(0, cut);
}

void BindBlob(sqlite3_stmt* s, int i, const std::string& v) {
  // A zero-length blob must still be a blob, not NULL.
  sqlite3_bind_blob(s, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

std::string ColumnBlob(sqlite3_stmt* s, int i) {
  const void* p = sqlite3_column_blob(s, i);
  int n = sqlite3_column_bytes(s, i);
  return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

// Resets the statement when the scope ends, whatever happened.
class Use {
 public:
  explicit Use(sqlite3_stmt* s) : s_(s) {}
  ~Use() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  sqlite3_stmt* operator->() const { return s_; }
  sqlite3_stmt* get() const { return s_; }

 private:
  sqlite3_stmt* s_;
};

std::string CacheKey(RegRoot root, const std::string& foldedKey, const std::string& name) {
  std::string k;
  k.reserve(foldedKey.size() + name.size() + 6);
  uint32_t r = static_cast<uint32_t>(root);
  k.append(reinterpret_cast<const char*>(&r), sizeof(r));
  k += foldedKey;
  k.push_back('\0');
  k += ToUpperAnsi(name);
  return k;
}

}  // namespace

struct SqliteRegistry::Statements {
  sqlite3_stmt* selectKey = nullptr;
  sqlite3_stmt* insertKey = nullptr;
  sqlite3_stmt* selectValue = nullptr;
  sqlite3_stmt* upsertValue = nullptr;
  sqlite3_stmt* deleteValue = nullptr;
  sqlite3_stmt* deleteKeyRange = nullptr;
  sqlite3_stmt* deleteValueRange = nullptr;
  sqlite3_stmt* listValues = nullptr;
  sqlite3_stmt* listSubkeys = nullptr;
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* commit = nullptr;
  sqlite3_stmt* rollback = nullptr;
  sqlite3_stmt* dataVersion = nullptr;

  ~Statements() {
    for (sqlite3_stmt* s : {selectKey, insertKey, selectValue, upsertValue, deleteValue, deleteKeyRange,
                            deleteValueRange, listValues, listSubkeys, begin, commit, rollback, dataVersion})
      sqlite3_finalize(s);
  }
};

SqliteRegistry::SqliteRegistry(sqlite3* db) : db_(db), st_(std::make_unique<Statements>()) {}

SqliteRegistry::~SqliteRegistry() {
  st_.reset();
  sqlite3_close_v2(db_);
}

OsError SqliteRegistry::Error(const char* call) const {
  return OsError(call, static_cast<uint32_t>(sqlite3_extended_errcode(db_)), sqlite3_errmsg(db_));
}

std::unique_ptr<SqliteRegistry> SqliteRegistry::Open(const std::string& path, OsError* error) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    *error = OsError("sqlite3_open_v2", static_cast<uint32_t>(rc),
                     db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    return nullptr;
  }
  std::unique_ptr<SqliteRegistry> reg(new SqliteRegistry(db));
  *error = reg->Prepare();
  if (!error->ok()) return nullptr;
  return reg;
}

OsError SqliteRegistry::Prepare() {
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // journal_mode answers with the mode in force; anything but WAL would serialise readers
  // behind writers and make the change detection below blind.
  sqlite3_stmt* mode = nullptr;
  if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode=WAL", -1, &mode, nullptr) != SQLITE_OK)
    return Error("sqlite3_prepare_v2");
  int rc = sqlite3_step(mode);
  std::string got = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)) : "";
  sqlite3_finalize(mode);
  if (rc != SQLITE_ROW) return Error("PRAGMA journal_mode");
  if (!EqualsNoCase(got, "wal"))
    return OsError("PRAGMA journal_mode", SQLITE_ERROR, "the database cannot use write-ahead logging");
  if (sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK)
    return Error("PRAGMA synchronous");
  std::string schema = std::string("BEGIN IMMEDIATE;") + kSchema + "COMMIT;";
  if (sqlite3_exec(db_, schema.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    OsError e = Error("CREATE TABLE");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return e;
  }
  struct {
    sqlite3_stmt** slot;
    const char* sql;
  } statements[] = {
      {&st_->selectKey, "SELECT 1 FROM keys WHERE root=?1 AND path=?2"},
      {&st_->insertKey, "INSERT OR IGNORE INTO keys(root, path, parent, name) VALUES(?1, ?2, ?3, ?4)"},
      {&st_->selectValue, "SELECT kind, data FROM vals WHERE root=?1 AND path=?2 AND folded=?3"},
      {&st_->upsertValue,
       "INSERT INTO vals(root, path, folded, name, kind, data) VALUES(?1, ?2, ?3, ?4, ?5, ?6) "
       "ON CONFLICT(root, path, folded) DO UPDATE SET kind=excluded.kind, data=excluded.data"},
      {&st_->deleteValue, "DELETE FROM vals WHERE root=?1 AND path=?2 AND folded=?3"},
      {&st_->deleteKeyRange, "DELETE FROM keys WHERE root=?1 AND (path=?2 OR (path>=?3 AND path<?4))"},
      {&st_->deleteValueRange, "DELETE FROM vals WHERE root=?1 AND (path=?2 OR (path>=?3 AND path<?4))"},
      {&st_->listValues, "SELECT name FROM vals WHERE root=?1 AND path=?2 ORDER BY rowid"},
      {&st_->listSubkeys, "SELECT name FROM keys WHERE root=?1 AND parent=?2 AND path<>?2 ORDER BY path"},
      {&st_->begin, "BEGIN IMMEDIATE"},
      {&st_->commit, "COMMIT"},
      {&st_->rollback, "ROLLBACK"},
      {&st_->dataVersion, "PRAGMA data_version"},
  };
  for (auto& s : statements)
    if (sqlite3_prepare_v3(db_, s.sql, -1, SQLITE_PREPARE_PERSISTENT, s.slot, nullptr) != SQLITE_OK)
      return Error("sqlite3_prepare_v3");
  return OsError::Ok();
}

OsError SqliteRegistry::Exec(const char* call, sqlite3_stmt* stmt) {
  Use s(stmt);
  int rc = sqlite3_step(s.get());
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) return Error(call);
  return OsError::Ok();
}

OsError SqliteRegistry::InTransaction(const std::function<OsError()>& work) {
  if (OsError e = Exec("BEGIN IMMEDIATE", st_->begin); !e.ok()) return e;
  OsError e = work();
  if (e.ok()) e = Exec("COMMIT", st_->commit);
  if (!e.ok()) (void)Exec("ROLLBACK", st_->rollback);  // the first failure is the one to report
  return e;
}

bool SqliteRegistry::KeyRowExists(RegRoot root, const std::string& folded) {
  if (folded.empty()) return true;  // the root itself
  Use s(st_->selectKey);
  sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
  BindBlob(s.get(), 2, folded);
  return sqlite3_step(s.get()) == SQLITE_ROW;
}

OsError SqliteRegistry::EnsureKey(RegRoot root, const std::string& folded, const std::string& shown) {
  if (KeyRowExists(root, folded)) return OsError::Ok();
  // Each missing ancestor gets its row; the folded and shown paths split at the same places.
  size_t pos = 0;
  for (;;) {
    size_t cut = folded.find('\\', pos);
    std::string path = folded.substr(0, cut);
    std::string name = shown.substr(pos, cut == std::string::npos ? std::string::npos : cut - pos);
    Use s(st_->insertKey);
    sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
    BindBlob(s.get(), 2, path);
    BindBlob(s.get(), 3, ParentOf(path));
    BindBlob(s.get(), 4, name);
    if (sqlite3_step(s.get()) != SQLITE_DONE) return Error("INSERT keys");
    if (cut == std::string::npos) return OsError::Ok();
    pos = cut + 1;
  }
}

void SqliteRegistry::ValidateCache() {
  unsigned char now[2][kWalHeaderSize];
  bool haveHeader = false;
  if (walIndex_) {
    for (size_t i = 0; i < 2 * kWalHeaderSize; ++i) now[i / kWalHeaderSize][i % kWalHeaderSize] = walIndex_[i];
    std::atomic_thread_fence(std::memory_order_acquire);
    haveHeader = std::memcmp(now[0], now[1], kWalHeaderSize) == 0;
    if (haveHeader && std::memcmp(now[0], walHeader_, kWalHeaderSize) == 0) return;
  }
  // The header read above is older than what data_version now reports, so a commit that
  // slips in between is caught by the next call.
  int64_t version = -1;
  {
    Use s(st_->dataVersion);
    if (sqlite3_step(s.get()) == SQLITE_ROW) version = sqlite3_column_int64(s.get(), 0);
  }
  if (version < 0 || version != dataVersion_) {
    cache_.clear();
    cacheBytes_ = 0;
    dataVersion_ = version;
    ++changes_;
  }
  if (haveHeader) {
    std::memcpy(walHeader_, now[0], kWalHeaderSize);
  } else {
    std::memset(walHeader_, 0, kWalHeaderSize);  // a real header never reads all zero
  }
  if (!walIndex_) {
    // The WAL index is shared memory that every connection's commit updates; SQLite has it
    // mapped once a read transaction has run.
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file &&
        file->pMethods && file->pMethods->iVersion >= 2 && file->pMethods->xShmMap) {
      volatile void* region = nullptr;
      if (file->pMethods->xShmMap(file, 0, 32768, 0, &region) == SQLITE_OK && region)
        walIndex_ = static_cast<const volatile unsigned char*>(region);
    }
  }
}

OsError SqliteRegistry::CreateKey(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(mu_);
  KeyPath k = SplitKey(key);
  if (k.folded.empty()) return OsError::Ok();
  ++changes_;
  return InTransaction([&] { return EnsureKey(root, k.folded, k.shown); });
}

bool SqliteRegistry::KeyExists(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(mu_);
  return KeyRowExists(root, SplitKey(key).folded);
}

OsError SqliteRegistry::DeleteKeyTree(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(mu_);
  KeyPath k = SplitKey(key);
  if (k.folded.empty()) return OsError("RegDeleteTreeA", oscode::kAccessDenied, "Access is denied.");
  // Below "A\B" lie exactly the paths from "A\B\" up to (not including) "A\B]".
  std::string low = k.folded + '\\', high = k.folded + static_cast<char>('\\' + 1);
  OsError e = InTransaction([&]() -> OsError {
    if (!KeyRowExists(root, k.folded)) return NotFound("RegDeleteTreeA");
    for (sqlite3_stmt* stmt : {st_->deleteValueRange, st_->deleteKeyRange}) {
      Use s(stmt);
      sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
      BindBlob(s.get(), 2, k.folded);
      BindBlob(s.get(), 3, low);
      BindBlob(s.get(), 4, high);
      if (sqlite3_step(s.get()) != SQLITE_DONE) return Error("DELETE");
    }
    return OsError::Ok();
  });
  cache_.clear();
  cacheBytes_ = 0;
  ++changes_;
  return e;
}

OsError SqliteRegistry::ReadValue(RegRoot root, const std::string& key, const std::string& name,
                                  RegValue* out) {
  std::lock_guard<std::mutex> lock(mu_);
  KeyPath k = SplitKey(key);
  ValidateCache();
  std::string ck = CacheKey(root, k.folded, name);
  if (auto it = cache_.find(ck); it != cache_.end()) {
    if (!it->second) return NotFound("RegQueryValueExA");
    *out = *it->second;
    return OsError::Ok();
  }
  Use s(st_->selectValue);
  sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
  BindBlob(s.get(), 2, k.folded);
  BindBlob(s.get(), 3, ToUpperAnsi(name));
  int rc = sqlite3_step(s.get());
  std::optional<RegValue> found;
  if (rc == SQLITE_ROW) {
    found.emplace();
    found->kind = static_cast<RegKind>(sqlite3_column_int64(s.get(), 0));
    found->data = ColumnBlob(s.get(), 1);
  } else if (rc != SQLITE_DONE) {
    return Error("SELECT vals");
  }
  size_t size = ck.size() + (found ? found->data.size() : 0);
  if (size <= kMaxCachedValue) {
    if (cacheBytes_ + size > kMaxCacheBytes) {
      cache_.clear();
      cacheBytes_ = 0;
    }
    cacheBytes_ += size;
    cache_[ck] = found;
  }
  if (!found) return NotFound("RegQueryValueExA");
  *out = std::move(*found);
  return OsError::Ok();
}

OsError SqliteRegistry::WriteValue(RegRoot root, const std::string& key, const std::string& name,
                                   const RegValue& value) {
  std::lock_guard<std::mutex> lock(mu_);
  KeyPath k = SplitKey(key);
  std::string folded = ToUpperAnsi(name);
  OsError e = InTransaction([&]() -> OsError {
    if (!k.folded.empty())
      if (OsError e = EnsureKey(root, k.folded, k.shown); !e.ok()) return e;
    Use s(st_->upsertValue);
    sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
    BindBlob(s.get(), 2, k.folded);
    BindBlob(s.get(), 3, folded);
    BindBlob(s.get(), 4, name);
    sqlite3_bind_int64(s.get(), 5, static_cast<int64_t>(value.kind));
    BindBlob(s.get(), 6, value.data);
    if (sqlite3_step(s.get()) != SQLITE_DONE) return Error("INSERT vals");
    return OsError::Ok();
  });
  ++changes_;
  std::string ck = CacheKey(root, k.folded, name);
  if (auto it = cache_.find(ck); it != cache_.end()) {
    // Our own commits do not move data_version, so the entry is kept current here.
    if (e.ok() && value.data.size() + ck.size() <= kMaxCachedValue) {
      cacheBytes_ += value.data.size();
      cacheBytes_ -= it->second ? it->second->data.size() : 0;
      it->second = value;
    } else {
      cacheBytes_ -= ck.size() + (it->second ? it->second->data.size() : 0);
      cache_.erase(it);
    }
  }
  return e;
}

OsError SqliteRegistry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
  std::lock_guard<std::mutex> lock(mu_);
  KeyPath k = SplitKey(key);
  ++changes_;
  std::string ck = CacheKey(root, k.folded, name);
  if (auto it = cache_.find(ck); it != cache_.end()) {
    cacheBytes_ -= ck.size() + (it->second ? it->second->data.size() : 0);
    cache_.erase(it);
  }
  Use s(st_->deleteValue);
  sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
  BindBlob(s.get(), 2, k.folded);
  BindBlob(s.get(), 3, ToUpperAnsi(name));
  if (sqlite3_step(s.get()) != SQLITE_DONE) return Error("DELETE vals");
  if (sqlite3_changes(db_) == 0) return NotFound("RegDeleteValueA");
  return OsError::Ok();
}

OsError SqliteRegistry::ListNames(sqlite3_stmt* stmt, RegRoot root, const std::string& key,
                                  std::vector<std::string>* names) {
  std::lock_guard<std::mutex> lock(mu_);
  names->clear();
  KeyPath k = SplitKey(key);
  if (!KeyRowExists(root, k.folded)) return NotFound("RegOpenKeyExA");
  Use s(stmt);
  sqlite3_bind_int64(s.get(), 1, static_cast<int64_t>(root));
  BindBlob(s.get(), 2, k.folded);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) names->push_back(ColumnBlob(s.get(), 0));
  if (rc != SQLITE_DONE) return Error("SELECT");
  return OsError::Ok();
}

OsError SqliteRegistry::ListValues(RegRoot root, const std::string& key, std::vector<std::string>* names) {
  return ListNames(st_->listValues, root, key, names);
}

OsError SqliteRegistry::ListSubkeys(RegRoot root, const std::string& key, std::vector<std::string>* names) {
  return ListNames(st_->listSubkeys, root, key, names);
}

// One number for the whole database: a commit anywhere moves it.
uint64_t SqliteRegistry::ChangeStamp(RegRoot, const std::string&) {
  std::lock_guard<std::mutex> lock(mu_);
  ValidateCache();
  return changes_;
}

std::string RegistryDatabasePath(const char* (*lookup)(const char* name)) {
  auto set = [&](const char* name) -> const char* {
    const char* v = lookup(name);
    return v && *v ? v : nullptr;
  };
  if (const char* p = set("PLUMO_REGISTRY")) return p;
  auto withoutSlash = [](std::string dir) {
    while (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;
  };
  std::string base;
  if (const char* x = set("XDG_CONFIG_HOME")) {
    base = withoutSlash(x);
  } else {
    const char* home = set("HOME");
    base = withoutSlash(home ? home : "") + "/.config";
  }
  return base + "/plumo/registry.sqlite3";
}

}  // namespace plumo
