#include "components/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "korvanda/error.h"
#include "core/binder.h"
#include "core/files.h"
#include "core/ascii.h"

namespace korvanda::components {
namespace {

constexpr const char* kSource = kRegistryProgId;
constexpr const char* kDefaultFile = "/etc/korvanda/registry.ini";
// What the registry API answers for a key or value that is not there (ERROR_FILE_NOT_FOUND as
// an automation error).
constexpr int32_t kNotFound = -2147024894;

using ascii::lower;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view trimBackslashes(std::string_view s) {
  while (!s.empty() && s.front() == '\\') s.remove_prefix(1);
  while (!s.empty() && s.back() == '\\') s.remove_suffix(1);
  return s;
}

Error malformed(const std::string& file, size_t line, const std::string& why) {
  return Error(321, kSource,
               "Invalid file format: " + file + ", line " + std::to_string(line) + ": " + why);
}

// Reads the whole file; nullopt when it does not exist (and missingOk).
std::optional<std::string> readFile(const std::string& path, bool missingOk) {
  FileDescriptor fd;
  try {
    fd = openRegularFile(path, O_RDONLY, Links::Follow);
  } catch (const Error& e) {
    const int err = e.lastSystemError();
    if (err == ENOENT && missingOk) return std::nullopt;
    if (err == ENOENT)
      throw Error(53, kSource,
                  "File not found: registry file " + path +
                      " (set KORVANDA_REGISTRY or write it with: korvanda registry set)",
                  err);
    throw Error(e.number(), kSource, "Cannot read the registry file: " + e.description(), err);
  }
  std::string data;
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      Error e = fileError(err, path);
      throw Error(e.number(), kSource, "Cannot read the registry file: " + e.description(), err);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

// "text" with \\ and \" escapes, as .reg files write strings.
std::optional<std::string> unquote(std::string_view s) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::nullopt;
  std::string out;
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 2 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) c = s[++i];
    else if (c == '"') return std::nullopt;  // an unescaped quote inside
    out.push_back(c);
  }
  return out;
}

std::string quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// A value is written bare unless reading it back bare would change it.
std::string valueText(std::string_view v) {
  bool bare = trim(v) == v && (v.empty() || v.front() != '"');
  return bare ? std::string(v) : quote(v);
}

struct Line {
  enum Kind { kOther, kSection, kValue } kind = kOther;
  std::string section;  // kSection: "root\key", lower case
  std::string name;     // kValue: as written (unquoted)
  std::string value;    // kValue
  std::string raw;
};

// Blanks and backslashes around a key, in any mix, are dropped: the key "\ Software\ "
// finds the section its header "[HKEY_LOCAL_MACHINE\ Software\]" reads back as.
std::string sectionId(std::string_view rootName, std::string_view key) {
  constexpr std::string_view around = " \t\\";
  const size_t first = key.find_first_not_of(around);
  key = first == std::string_view::npos
            ? std::string_view()
            : key.substr(first, key.find_last_not_of(around) - first + 1);
  return lower(rootName) + "\\" + lower(key);
}

std::vector<Line> parse(const std::string& text, const std::string& file) {
  std::vector<Line> lines;
  std::string_view rest(text);
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  bool inSection = false;
  size_t number = 0;
  while (!rest.empty()) {
    size_t eol = rest.find('\n');
    std::string_view raw = rest.substr(0, eol);
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line;
    line.raw = std::string(raw);
    std::string_view t = trim(raw);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t == "REGEDIT4" ||
        t.starts_with("Windows Registry Editor")) {
      lines.push_back(std::move(line));
      continue;
    }
    if (t.front() == '[') {
      if (t.back() != ']') throw malformed(file, number, "a section header must end with ]");
      std::string_view inner = trim(t.substr(1, t.size() - 2));
      size_t slash = inner.find('\\');
      std::string_view root = inner.substr(0, slash);
      auto rootName = registryRootName(trim(root));
      if (!rootName)
        throw malformed(file, number, "unknown registry root \"" + std::string(root) + "\"");
      line.kind = Line::kSection;
      line.section = sectionId(*rootName, slash == std::string_view::npos
                                              ? std::string_view()
                                              : inner.substr(slash + 1));
      inSection = true;
      lines.push_back(std::move(line));
      continue;
    }
    size_t eq = t.find('=');
    if (t.front() == '"') {  // a quoted name may hold "="
      size_t close = 1;
      while (close < t.size() && (t[close] != '"' || t[close - 1] == '\\')) ++close;
      eq = t.find('=', close);
    }
    if (eq == std::string_view::npos)
      throw malformed(file, number, "expected [section], name=value or a ; comment");
    std::string_view name = trim(t.substr(0, eq));
    std::string_view value = trim(t.substr(eq + 1));
    if (!name.empty() && name.front() == '"') {
      auto n = unquote(name);
      if (!n) throw malformed(file, number, "badly quoted value name");
      line.name = *n;
    } else {
      line.name = std::string(name);
    }
    if (line.name.empty()) throw malformed(file, number, "a value needs a name before =");
    if (!value.empty() && value.front() == '"') {
      auto v = unquote(value);
      if (!v) throw malformed(file, number, "badly quoted value");
      line.value = *v;
    } else {
      line.value = std::string(value);
    }
    if (!inSection) throw malformed(file, number, "a value must stand inside a [section]");
    line.kind = Line::kValue;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string requireRoot(const std::string& root) {
  auto name = registryRootName(root);
  if (!name)
    throw Error(5, kSource,
                "Invalid procedure call or argument: unknown registry root \"" + root + "\"");
  return *name;
}

}  // namespace

std::string registryFilePath() {
  const char* env = std::getenv("KORVANDA_REGISTRY");
  return env && *env ? std::string(env) : std::string(kDefaultFile);
}

std::optional<std::string> registryRootName(std::string_view root) {
  static constexpr struct {
    const char* hex;
    const char* abbrev;
    const char* name;
  } kRoots[] = {
      {"&h80000000", "hkcr", "HKEY_CLASSES_ROOT"},
      {"&h80000001", "hkcu", "HKEY_CURRENT_USER"},
      {"&h80000002", "hklm", "HKEY_LOCAL_MACHINE"},
      {"&h80000003", "hku", "HKEY_USERS"},
      {"&h80000005", "hkcc", "HKEY_CURRENT_CONFIG"},
  };
  std::string r = lower(trim(root));
  for (const auto& k : kRoots)
    if (r == k.hex || r == k.abbrev || r == lower(k.name)) return std::string(k.name);
  return std::nullopt;
}

std::string cls_Registry::GetRegValue(const std::string& root, const std::string& key,
                                      const std::string& name) const {
  const std::string rootName = requireRoot(root);
  const std::string file = file_.empty() ? registryFilePath() : file_;
  const std::string wanted = sectionId(rootName, key);
  const std::string wantedName = lower(trim(name));
  const std::string fullKey = rootName + "\\" + std::string(trimBackslashes(trim(key)));

  std::vector<Line> lines = parse(*readFile(file, false), file);
  bool sectionSeen = false, inWanted = false;
  std::optional<std::string> found;
  for (const Line& l : lines) {
    if (l.kind == Line::kSection) {
      inWanted = l.section == wanted;
      sectionSeen = sectionSeen || inWanted;
    } else if (l.kind == Line::kValue && inWanted && lower(l.name) == wantedName) {
      found = l.value;  // a repeated name: the last one counts
    }
  }
  if (!sectionSeen)
    throw Error(kNotFound, kSource, "Registry key not found: " + fullKey + " in " + file);
  if (!found)
    throw Error(kNotFound, kSource,
                "Registry value not found: " + fullKey + "\\" + name + " in " + file);
  return *found;
}

const DispatchTable& cls_Registry::dispatchTable() const {
  static const DispatchTable table(kRegistryProgId,
                                   {binder::method("GetRegValue", &cls_Registry::GetRegValue)});
  return table;
}

void setRegistryValue(const std::string& file, const std::string& root, const std::string& key,
                      const std::string& name, const std::string& value) {
  const std::string rootName = requireRoot(root);
  // A name the reader would take for a section, a comment or a quoted name is refused too.
  if (trim(name).empty() || name.find_first_of("=\r\n") != std::string::npos ||
      trim(name) != name || std::string_view("[;#\"").find(name.front()) != std::string_view::npos ||
      name.starts_with("Windows Registry Editor"))
    throw Error(5, kSource, "Invalid procedure call or argument: bad value name \"" + name + "\"");
  if (key.find_first_of("\r\n") != std::string::npos)
    throw Error(5, kSource, "Invalid procedure call or argument: a key is one line of text");
  if (value.find_first_of("\r\n") != std::string::npos)
    throw Error(5, kSource, "Invalid procedure call or argument: a value is one line of text");

  auto existing = readFile(file, true);
  std::vector<Line> lines = existing ? parse(*existing, file) : std::vector<Line>{};
  const std::string wanted = sectionId(rootName, key);
  const std::string wantedName = lower(name);
  const std::string newLine = name + "=" + valueText(value);

  bool inWanted = false, replaced = false;
  std::optional<size_t> header;
  for (size_t i = 0; i < lines.size(); ++i) {
    Line& l = lines[i];
    if (l.kind == Line::kSection) {
      inWanted = l.section == wanted;
      if (inWanted && !header) header = i;
    } else if (l.kind == Line::kValue && inWanted && lower(l.name) == wantedName) {
      l.raw = l.name + "=" + valueText(value);
      replaced = true;
    }
  }
  if (!replaced) {
    if (header) {
      Line l;
      l.raw = newLine;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*header) + 1, std::move(l));
    } else {
      if (!lines.empty() && !trim(lines.back().raw).empty()) lines.push_back(Line{});
      Line h;
      h.raw = "[" + rootName + "\\" + std::string(trimBackslashes(trim(key))) + "]";
      Line v;
      v.raw = newLine;
      lines.push_back(std::move(h));
      lines.push_back(std::move(v));
    }
  }
  std::string text;
  for (const Line& l : lines) text += l.raw + "\n";

  namespace fs = std::filesystem;
  fs::path target(file);
  std::error_code ec;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  if (ec) throw Error(76, kSource, "Path not found: cannot create " +
                                       target.parent_path().string() + " (" + ec.message() + ")");
  // Keep the mode of an existing file; a new one is readable by its owner only.
  mode_t mode = 0600;
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) mode = st.st_mode & 07777;
  ReplacementFile out = ReplacementFile::create(file, mode);
  writeAll(out.fd(), text, file);
  out.commit();
}

}  // namespace korvanda::components
