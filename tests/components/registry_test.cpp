#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "components/registry.h"
#include "support/fixture.h"

using namespace korvanda;
using namespace korvanda::components;
using korvanda::testing::errorOf;
using korvanda::testing::ScopedEnv;
using korvanda::testing::TempDir;

namespace {

constexpr int32_t kNotFound = -2147024894;

class RegistryTest : public ::testing::Test {
 protected:
  std::string write(const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    return file;
  }
  std::string read(const std::string& root = "&H80000002", const std::string& key = "Software\\ZERN",
                   const std::string& name = "DatosServerDos") {
    return cls_Registry(file).GetRegValue(root, key, name);
  }
  TempDir dir;
  std::string file = (dir.path() / "registry.ini").string();
};

// A file, a value asked for (root, key, name; "" for DatosServerDos of the machine's ZERN
// key), and the text read or the error: its number and a part of its description.
TEST_F(RegistryTest, ReadsValuesOrFailsWithTheError) {
  const std::string zern = "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\n";
  const std::string kinds = "[HKEY_CURRENT_USER\\Software\\ZERN]\nDatosServerDos=user-hive\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\ZERN\\Sub]\nDatosServerDos=subkey\n" +
                            zern + "Otro=1\nDatosServerDos=machine\n";
  const struct {
    std::optional<std::string> file;  // nullopt: no file
    std::vector<std::string> ask;
    std::string value;
    int32_t number;  // 0: the value is read
  } cases[] = {
      {"; comment\n# another\n\n" + zern + "DatosServerDos=sqlite|user|abc==|/var/lib/a b.db\n", {},
       "sqlite|user|abc==|/var/lib/a b.db", 0},
      // Names and roots match without letter case; a blank before = is no part of the name.
      {"[hkey_local_machine\\SOFTWARE\\zern]\r\ndatosserverdos = x|y\r\n", {}, "x|y", 0},
      {"[hkey_local_machine\\SOFTWARE\\zern]\r\ndatosserverdos = x|y\r\n", {"HKLM"}, "x|y", 0},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\zern]\ndatosserverdos=x|y\n",
       {"&h80000002", "software\\ZERN\\", "DATOSSERVERDOS"}, "x|y", 0},
      {kinds, {}, "machine", 0},
      {kinds, {"&H80000001"}, "user-hive", 0},
      {kinds, {"&H80000002", "Software\\ZERN\\Sub"}, "subkey", 0},
      {"Windows Registry Editor Version 5.00\n" + zern + "\"DatosServerDos\"=\"  a\\\\b \\\"q\\\" \"\n", {},
       "  a\\b \"q\" ", 0},
      {std::nullopt, {}, "registry.ini", 53},
      {"[HKEY_LOCAL_MACHINE\\Software\\OTHER]\nDatosServerDos=x\n", {},
       "HKEY_LOCAL_MACHINE\\Software\\ZERN", kNotFound},
      {zern + "DatosServerUno=x\n", {}, "DatosServerDos", kNotFound},
      {zern + "DatosServerDos=x\n", {"&H80000009"}, "", 5},
      {"[HKEY_LOCAL_MACHINE\\Software\\ZERN\nDatosServerDos=x\n", {}, "registry.ini, line 1: ", 321},
      {"DatosServerDos=x\n", {}, "registry.ini, line 1: ", 321},
      {zern + "just words\n", {}, "registry.ini, line 2: ", 321},
      {"[HKEY_NOWHERE\\Software\\ZERN]\nDatosServerDos=x\n", {}, "registry.ini, line 1: ", 321},
      {zern + "=x\n", {}, "registry.ini, line 2: ", 321},
      {zern + "  =x\n", {}, "registry.ini, line 2: ", 321},
      {zern + "DatosServerDos=\"open\n", {}, "registry.ini, line 2: ", 321},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.value_or("no file"));
    std::filesystem::remove(file);
    if (c.file) write(*c.file);
    std::vector<std::string> ask = c.ask;
    const char* defaults[] = {"&H80000002", "Software\\ZERN", "DatosServerDos"};
    for (size_t i = ask.size(); i < 3; ++i) ask.push_back(defaults[i]);
    if (c.number == 0) {
      EXPECT_EQ(read(ask[0], ask[1], ask[2]), c.value);
      continue;
    }
    const Error e = errorOf([&] { read(ask[0], ask[1], ask[2]); });
    EXPECT_EQ(e.number(), c.number);
    EXPECT_EQ(e.source(), "Funciones_ZERN.cls_Registry");
    EXPECT_NE(e.description().find(c.value), std::string::npos) << e.description();
  }
}

TEST_F(RegistryTest, TheDefaultFileComesFromTheEnvironmentAlsoForTheLateBoundCall) {
  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=from-env\n");
  {
    ScopedEnv env("KORVANDA_REGISTRY", file);
    EXPECT_EQ(registryFilePath(), file);
    std::vector<Variant> args{"&H80000002", "Software\\ZERN", "DatosServerDos"};
    EXPECT_EQ(cls_Registry::create()->invoke("getregvalue", kMethod, args), Variant("from-env"));
  }
  ScopedEnv unset("KORVANDA_REGISTRY", std::nullopt);
  EXPECT_EQ(registryFilePath(), "/etc/korvanda/registry.ini");
}

// Setting a value and reading it back with every other value unchanged: the registry fuzzer's
// property, over its corpus (set-new, set-replace).
// Written whole beside the file and renamed: a new file is its owner's alone, a replaced one
// keeps its mode, and no temporary file is left in the directory.
TEST_F(RegistryTest, SetKeepsTheModeAndLeavesNoTemporaryFile) {
  std::string fresh = (dir.path() / "new" / "registry.ini").string();
  setRegistryValue(fresh, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
  struct stat st {};
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  // Comments and blank lines stay where they were.
  write("; kept\n\n[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=old\n");
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(korvanda::testing::readLines(file),
            (std::vector<std::string>{"; kept", "", "[HKEY_LOCAL_MACHINE\\Software\\ZERN]",
                                      "DatosServerDos=v"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()), 2);  // registry.ini and new/
}

TEST_F(RegistryTest, SetAddsTheSectionWhenMissingAndRefusesLineBreaksAndMalformedFiles) {
  write("[HKEY_CURRENT_USER\\X]\nY=2\n");
  setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
  EXPECT_EQ(read(), "v");
  // A value of two lines; a name that would read back as a section or a comment.
  const std::pair<const char*, const char*> refused[] = {
      {"DatosServerDos", "a\nb"}, {"[x", "v"}, {";x", "v"}, {"", "v"}};
  for (const auto& [name, value] : refused) {
    const Error e = errorOf([&] { setRegistryValue(file, "&H80000002", "Software\\ZERN", name, value); });
    EXPECT_EQ(e.number(), 5) << name;
    EXPECT_EQ(read(), "v");
  }
  write("not a registry file\n");
  EXPECT_EQ(errorOf([&] { setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "v"); })
                .number(),
            321);
  EXPECT_EQ(korvanda::testing::readLines(file).front(), "not a registry file");
}

}  // namespace
