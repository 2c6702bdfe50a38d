// The registry file reader and writer, and the password decryption that follows the read.
//
// First byte 0x01: the rest is "key \0 name \0 value \0 file text". The file text is written,
// then the value is set with the registry writer; when the writer accepts it, reading it back
// gives the value unchanged and every other value of the file stays as it was.
// Anything else: the input is a registry file. Reading DatosServerDos from it either fails
// with an error or gives a text, whose fields are then split and whose field 2 is decrypted
// as the connection sequence does.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/error.h"
#include "components/connection_data.h"
#include "components/crypto.h"
#include "components/registry.h"

#include "fuzz_support.h"

namespace {

using namespace korvanda;
using namespace korvanda::components;

using korvanda::fuzz::fail;

// The installation's key is a file; any 64 hexadecimal characters do for decrypting here.
const std::string kKey(64, '7');

const std::string& scratchFile() {
  static const std::string file = korvanda::fuzz::scratchDirectory("registry") + "/registry.ini";
  return file;
}

void writeFile(std::string_view text) {
  std::ofstream out(scratchFile(), std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::optional<std::string> read(const std::string& key, const std::string& name) {
  try {
    return cls_Registry(scratchFile()).GetRegValue(kConnectionRoot, key, name);
  } catch (const Error&) {
    return std::nullopt;
  }
}

void readConnectionValue(std::string_view fileText) {
  writeFile(fileText);
  auto value = read(kConnectionKey, kConnectionValueName);
  if (!value) return;
  std::vector<std::string> fields = splitFields(*value);
  if (fields.size() < 3) return;
  try {
    CCrypto().EncryptDecrypt(fields[2], kKey, false, 1);
  } catch (const Error&) {
  }
}

// Names as the reader compares them: blanks around them dropped, then (keys) backslashes
// around them, letter case ignored.
std::string normal(std::string_view s, bool key) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  while (key && !s.empty() && s.front() == '\\') s.remove_prefix(1);
  while (key && !s.empty() && s.back() == '\\') s.remove_suffix(1);
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void setThenRead(std::string_view input) {
  std::vector<std::string> parts;
  for (int i = 0; i < 3; ++i) {
    size_t nul = input.find('\0');
    if (nul == std::string_view::npos) return;
    parts.emplace_back(input.substr(0, nul));
    input.remove_prefix(nul + 1);
  }
  const std::string &key = parts[0], &name = parts[1], &value = parts[2];
  writeFile(input);
  // A value already in the file that the write must keep (unless it is the one written).
  const bool same = normal(key, true) == "software\\other" && normal(name, false) == "keep";
  auto kept = same ? std::nullopt : read("Software\\Other", "Keep");
  // A value whose last character is a carriage return (a line ending "\r\r\n") loses it when
  // the file is rewritten with "\n": a known limit, left out here.
  if (kept && !kept->empty() && kept->back() == '\r') kept.reset();
  try {
    setRegistryValue(scratchFile(), kConnectionRoot, key, name, value);
  } catch (const Error&) {
    return;
  }
  auto back = read(key, name);
  if (!back) fail("a value the writer accepted cannot be read back: key \"" + key + "\", name \"" + name + "\"");
  if (*back != value) fail("the value read back differs: \"" + value + "\" became \"" + *back + "\"");
  if (kept && read("Software\\Other", "Keep") != kept) fail("writing one value changed another");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!input.empty() && input.front() == '\x01') setThenRead(input.substr(1));
  else readConnectionValue(input);
  return 0;
}
