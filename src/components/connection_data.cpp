#include "components/connection_data.h"

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "korvanda/error.h"
#include "components/crypto.h"
#include "components/registry.h"
#include "core/files.h"

namespace korvanda::components {
namespace {

constexpr size_t kKeyHex = 64;

Error keyError(int32_t number, const std::string& what, int32_t systemError = 0) {
  return Error(number, kCryptoProgId, what, systemError);
}

bool isKeyText(std::string_view s) {
  return s.size() == kKeyHex &&
         s.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

}  // namespace

std::string keyFilePath(const std::string& registryFile) {
  if (const char* env = std::getenv("KORVANDA_KEY_FILE"); env && *env) return env;
  return (std::filesystem::path(registryFile).parent_path() / "registry.key").string();
}

std::string keyFilePath() { return keyFilePath(registryFilePath()); }

std::string installationKey(const std::string& keyFile) {
  // Without blocking: a FIFO planted at the path is refused below, not waited on.
  FileDescriptor f(::open(keyFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!f) {
    const int err = errno;
    if (err == ENOENT)
      throw keyError(53, "File not found: key file " + keyFile +
                             " (set KORVANDA_KEY_FILE, or create it with: korvanda registry set)",
                     err);
    throw keyError(fileError(err, keyFile).number(),
                   "Cannot read the key file: " + fileError(err, keyFile).description(), err);
  }
  struct stat st {};
  if (::fstat(f.get(), &st) != 0 || !S_ISREG(st.st_mode))
    throw keyError(75, "Path/File access error: the key file " + keyFile +
                           " is not an ordinary file");
  // The key and a line end; anything longer is not a key file.
  std::array<char, kKeyHex + 8> buf{};
  size_t size = 0;
  while (size < buf.size()) {
    ssize_t n = ::read(f.get(), buf.data() + size, buf.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      throw keyError(fileError(err, keyFile).number(),
                     "Cannot read the key file: " + fileError(err, keyFile).description(), err);
    }
    if (n == 0) break;
    size += static_cast<size_t>(n);
  }
  std::string_view text(buf.data(), size);
  if (text.ends_with('\n')) text.remove_suffix(1);
  if (text.ends_with('\r')) text.remove_suffix(1);
  if (!isKeyText(text))
    throw keyError(321, "Invalid file format: the key file " + keyFile +
                            " must hold 64 hexadecimal characters");
  return std::string(text);
}

bool createKeyFile(const std::string& keyFile) {
  namespace fs = std::filesystem;
  struct stat st {};
  if (::lstat(keyFile.c_str(), &st) == 0) return false;
  const fs::path target(keyFile);
  std::error_code ec;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  if (ec) throw keyError(76, "Path not found: cannot create " + target.parent_path().string() +
                                 " (" + ec.message() + ")");

  std::array<unsigned char, kKeyHex / 2> bytes{};
  if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
    throw keyError(kCryptoBadData, "The encryption library failed (OpenSSL)");
  std::string text;
  for (unsigned char b : bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  text += '\n';

  // Written whole under a temporary name, then linked to the key file's name, which fails
  // rather than replace a file that another run put there meanwhile.
  ReplacementFile out = ReplacementFile::create(keyFile, 0600);
  writeAll(out.fd(), text, keyFile);
  return out.commitIfAbsent();
}

std::vector<std::string> splitFields(std::string_view value) {
  std::vector<std::string> fields;
  for (;;) {
    size_t bar = value.find('|');
    fields.emplace_back(value.substr(0, bar));
    if (bar == std::string_view::npos) return fields;
    value.remove_prefix(bar + 1);
  }
}

std::string connectionValue(const std::string& server, const std::string& user,
                            const std::string& plainPassword, const std::string& database,
                            const std::string& key) {
  auto check = [](const std::string& field, const char* what) {
    if (field.find_first_of("|\r\n") != std::string::npos)
      throw errors::invalidArgument(std::string("the ") + what +
                                    " cannot hold \"|\" or a line break");
  };
  check(server, "server");
  check(user, "user");
  check(database, "database");
  // The encrypted password is base64, so it never holds "|".
  std::string secret = CCrypto().EncryptDecrypt(plainPassword, key, true, 1);
  return server + "|" + user + "|" + secret + "|" + database;
}

}  // namespace korvanda::components
