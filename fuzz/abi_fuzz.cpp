// The C ABI with arbitrary variant arrays: a short program of kv_invoke calls on an
// "ADODB.Recordset" and a "KORVANDA.clsControlFiles" (and on the objects they return), read
// from the input. Every call returns 0 or an error; nothing crashes, leaks or corrupts.
//
// Texts never hold "/", and the texts given to an export are put under the fuzzer's scratch
// directory: the exports write files named by their arguments.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "korvanda/automation.h"

#include "fuzz_support.h"

namespace {

using korvanda::fuzz::fail;

constexpr const char* kMembers[] = {
    // record set
    "Open", "Close", "AddNew", "Update", "MoveFirst", "MoveNext", "MovePrevious", "MoveLast",
    "Fields.Append", "EOF", "BOF", "RecordCount", "State", "Fields.Count", "Fields.Name",
    "Fields.Type", "Fields.DefinedSize", "Fields.Attributes", "Value",
    // clsControlFiles
    "fileAdvance", "correctFile", "getEmptyRecordsetAgr", "getEmptyRecordsetFcAgr",
    "ExportFileDat", "ExportFilesFormatoB", "ExportFileDatForCSta", "ExportFileDatFormatoC",
    // neither
    "Execute", "", "value", "FIELDS.APPEND"};
constexpr int kKinds[] = {KV_METHOD, KV_PROPERTYGET, KV_PROPERTYPUT, KV_METHOD | KV_PROPERTYGET, 0, 8};
constexpr int32_t kTypes[] = {KV_EMPTY, KV_NULL, KV_I2, KV_I4, KV_R8, KV_DATE, KV_BSTR, KV_OBJECT,
                              KV_MISSING, KV_BOOL, KV_DECIMAL, KV_UI1, KV_I8, 4, 99, -1};
// Field types worth appending: the data-access codes the library knows, and a few it does not.
constexpr int32_t kFieldTypes[] = {2, 3, 5, 6, 7, 11, 17, 20, 129, 131, 200, 201, 0, 8, 72, -3};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool done() const { return p_ >= end_; }
  uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
  template <class T>
  T raw() {
    T v{};
    size_t n = std::min(sizeof v, static_cast<size_t>(end_ - p_));
    std::memcpy(&v, p_, n);
    p_ += n;
    return v;
  }
  std::string text() {
    size_t n = std::min<size_t>(byte() % 48, static_cast<size_t>(end_ - p_));
    std::string s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    for (char& c : s)
      if (c == '/') c = '_';
    return s;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

struct Objects {
  std::vector<kv_object*> all;
  ~Objects() {
    for (kv_object* o : all) kv_object_release(o);
  }
};

void create(Objects& objects, const char* progid) {
  kv_object* o = nullptr;
  kv_error err{};
  if (kv_create_object(progid, &o, &err) != 0 || !o) fail(std::string("cannot create ") + progid);
  kv_error_clear(&err);
  objects.all.push_back(o);
}

// Where the exports write (their path arguments are put under it) and the logs go.
const std::string& exportDirectory() {
  static const std::string& dir = []() -> const std::string& {
    const std::string& path = korvanda::fuzz::scratchDirectory("abi");
    ::setenv("KORVANDA_LOG_DIR", path.c_str(), 1);
    ::unsetenv("KORVANDA_SQL_TRACE");
    return path;
  }();
  // Export files and logs of earlier inputs.
  static unsigned runs = 0;
  if (++runs % 256 == 0) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
      std::filesystem::remove_all(entry.path(), ec);
  }
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& scratch = exportDirectory();
  Reader in(data, size);
  Objects objects;
  create(objects, "ADODB.Recordset");
  create(objects, "KORVANDA.clsControlFiles");

  for (int call = 0; call < 48 && !in.done(); ++call) {
    kv_object* target = objects.all[in.byte() % objects.all.size()];
    std::string member = kMembers[in.byte() % std::size(kMembers)];
    const int kind = kKinds[in.byte() % std::size(kKinds)];
    const int32_t nargs = in.byte() % 7;
    std::vector<kv_variant> args(static_cast<size_t>(nargs));
    std::vector<std::string> texts(static_cast<size_t>(nargs));  // owned by the caller
    for (int32_t i = 0; i < nargs; ++i) {
      kv_variant& a = args[static_cast<size_t>(i)];
      a.vt = kTypes[in.byte() % std::size(kTypes)];
      a.u.i8 = 0;
      switch (a.vt) {
        case KV_I2: a.u.i2 = in.raw<int16_t>(); break;
        case KV_I4: {
          // Field type codes are more interesting than random numbers half of the time.
          const uint8_t b = in.byte();
          a.u.i4 = b & 1 ? kFieldTypes[(b >> 1) % std::size(kFieldTypes)] : in.raw<int32_t>();
          break;
        }
        case KV_I8: a.u.i8 = in.raw<int64_t>(); break;
        case KV_R8: a.u.r8 = in.raw<double>(); break;
        case KV_DATE: a.u.date = in.raw<double>(); break;
        case KV_BOOL: a.u.boolean = in.raw<int16_t>(); break;
        case KV_UI1: a.u.ui1 = in.byte(); break;
        case KV_BSTR:
        case KV_DECIMAL:
          if (in.byte() % 8 == 0) {
            a.u.str = nullptr;
          } else {
            texts[static_cast<size_t>(i)] = in.text();
            if (member.starts_with("Export"))
              texts[static_cast<size_t>(i)] = scratch + "/" + texts[static_cast<size_t>(i)];
            a.u.str = texts[static_cast<size_t>(i)].data();
          }
          break;
        case KV_OBJECT: {
          const uint8_t b = in.byte();
          a.u.obj = b % 4 == 0 ? nullptr : objects.all[b % objects.all.size()];
          break;
        }
        default: break;
      }
    }
    // The arguments are only read: compare them after the call.
    const std::vector<kv_variant> before = args;
    kv_variant result{};
    kv_error err{};
    const int rc = kv_invoke(target, member.c_str(), kind, args.data(), nargs, &result, &err);
    for (size_t i = 0; i < args.size(); ++i)
      if (std::memcmp(&args[i], &before[i], sizeof(kv_variant)) != 0) fail("kv_invoke wrote into its arguments");
    if (rc != 0) {
      if (result.vt != KV_EMPTY) fail("a failed call left a result");
      if (!err.description || !err.source) fail("a failed call left no error text");
      if (err.number == 0) fail("a failed call left error number 0");
    } else if (err.description || err.source || err.number != 0) {
      fail("a successful call left an error");
    }
    if (result.vt == KV_OBJECT && result.u.obj && objects.all.size() < 12) {
      objects.all.push_back(result.u.obj);  // the reference the result held
      result.vt = KV_EMPTY;
    }
    kv_variant_clear(&result);
    kv_error_clear(&err);
  }
  return 0;
}
