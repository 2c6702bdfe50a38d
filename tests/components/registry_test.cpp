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

TEST_F(RegistryTest, ReadsTheValueAsTheRestOfTheLine) {
  write("; comment\n# another\n\n[HKEY_LOCAL_MACHINE\\Software\\ZERN]\n"
        "DatosServerDos=sqlite|user|abc==|/var/lib/korvanda/a b.db\n");
  EXPECT_EQ(read(), "sqlite|user|abc==|/var/lib/korvanda/a b.db");
}

TEST_F(RegistryTest, NamesAndRootsMatchWithoutLetterCase) {
  write("[hkey_local_machine\\SOFTWARE\\zern]\r\ndatosserverdos = x|y|z|w\r\n");
  EXPECT_EQ(read(), "x|y|z|w");
  EXPECT_EQ(read("HKLM"), "x|y|z|w");
  EXPECT_EQ(read("&h80000002", "software\\ZERN\\", "DATOSSERVERDOS"), "x|y|z|w");
}

TEST_F(RegistryTest, OtherSectionsAndRootsAreKeptApart) {
  write("[HKEY_CURRENT_USER\\Software\\ZERN]\nDatosServerDos=user-hive\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ZERN\\Sub]\nDatosServerDos=subkey\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nOtro=1\nDatosServerDos=machine\n");
  EXPECT_EQ(read(), "machine");
  EXPECT_EQ(read("&H80000001"), "user-hive");
  EXPECT_EQ(read("&H80000002", "Software\\ZERN\\Sub"), "subkey");
}

TEST_F(RegistryTest, QuotedNamesAndValuesAreUnescaped) {
  write("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software\\ZERN]\n"
        "\"DatosServerDos\"=\"  a\\\\b \\\"q\\\" \"\n");
  EXPECT_EQ(read(), "  a\\b \"q\" ");
}

TEST_F(RegistryTest, MissingFileSectionOrValueIsAClearError) {
  Error missingFile = errorOf([&] { read(); });
  EXPECT_EQ(missingFile.number(), 53);
  EXPECT_EQ(missingFile.source(), "Funciones_ZERN.cls_Registry");
  EXPECT_NE(missingFile.description().find(file), std::string::npos);

  write("[HKEY_LOCAL_MACHINE\\Software\\OTHER]\nDatosServerDos=x\n");
  Error missingKey = errorOf([&] { read(); });
  EXPECT_EQ(missingKey.number(), kNotFound);
  EXPECT_NE(missingKey.description().find("HKEY_LOCAL_MACHINE\\Software\\ZERN"), std::string::npos);

  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerUno=x\n");
  Error missingValue = errorOf([&] { read(); });
  EXPECT_EQ(missingValue.number(), kNotFound);
  EXPECT_NE(missingValue.description().find("DatosServerDos"), std::string::npos);
}

TEST_F(RegistryTest, MalformedFilesNameTheLine) {
  for (const char* text : {"[HKEY_LOCAL_MACHINE\\Software\\ZERN\nDatosServerDos=x\n",
                           "DatosServerDos=x\n",
                           "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\njust words\n",
                           "[HKEY_NOWHERE\\Software\\ZERN]\nDatosServerDos=x\n",
                           "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\n=x\n",
                           "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\n  =x\n",
                           "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=\"open\n"}) {
    write(text);
    Error e = errorOf([&] { read(); });
    EXPECT_EQ(e.number(), 321) << text;
    EXPECT_NE(e.description().find("line "), std::string::npos) << e.description();
  }
}

TEST_F(RegistryTest, UnknownRootIsRefused) {
  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=x\n");
  EXPECT_EQ(errorOf([&] { read("&H80000009"); }).number(), 5);
}

TEST_F(RegistryTest, TheDefaultFileComesFromTheEnvironment) {
  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=from-env\n");
  {
    ScopedEnv env("KORVANDA_REGISTRY", file);
    EXPECT_EQ(registryFilePath(), file);
    EXPECT_EQ(cls_Registry().GetRegValue("&H80000002", "Software\\ZERN", "DatosServerDos"),
              "from-env");
  }
  ScopedEnv unset("KORVANDA_REGISTRY", std::nullopt);
  EXPECT_EQ(registryFilePath(), "/etc/korvanda/registry.ini");
}

TEST_F(RegistryTest, LateBoundCallTakesTheThreeTexts) {
  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=late\n");
  ScopedEnv env("KORVANDA_REGISTRY", file);
  auto reg = cls_Registry::create();
  std::vector<Variant> args{"&H80000002", "Software\\ZERN", "DatosServerDos"};
  EXPECT_EQ(reg->invoke("getregvalue", kMethod, args), Variant("late"));
}

TEST_F(RegistryTest, SetCreatesReplacesAndKeepsOtherLines) {
  std::string nested = (dir.path() / "etc" / "korvanda" / "registry.ini").string();
  setRegistryValue(nested, "&H80000002", "Software\\ZERN", "DatosServerDos", "a|b|c|d");
  EXPECT_EQ(cls_Registry(nested).GetRegValue("&H80000002", "Software\\ZERN", "DatosServerDos"),
            "a|b|c|d");

  write("; keep me\n[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nOtro=1\ndatosserverdos=old\n"
        "[HKEY_CURRENT_USER\\X]\nY=2\n");
  setRegistryValue(file, "HKEY_LOCAL_MACHINE", "Software\\ZERN", "DatosServerDos", " new ");
  EXPECT_EQ(read(), " new ");
  EXPECT_EQ(read("&H80000002", "Software\\ZERN", "Otro"), "1");
  EXPECT_EQ(read("&H80000001", "X", "Y"), "2");
  auto lines = korvanda::testing::readLines(file);
  EXPECT_EQ(lines.front(), "; keep me");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("=") != std::string::npos &&
                                                            (l.starts_with("datosserverdos") ||
                                                             l.starts_with("DatosServerDos")); }),
            1);
}

// Written whole beside the file and renamed: a new file is its owner's alone, a replaced one
// keeps its mode, and no temporary file is left in the directory.
TEST_F(RegistryTest, SetKeepsTheModeAndLeavesNoTemporaryFile) {
  std::string fresh = (dir.path() / "new" / "registry.ini").string();
  setRegistryValue(fresh, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
  struct stat st {};
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=old\n");
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()), 2);  // registry.ini and new/
}

TEST_F(RegistryTest, SetAddsTheSectionWhenMissingAndRefusesLineBreaks) {
  write("[HKEY_CURRENT_USER\\X]\nY=2\n");
  setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
  EXPECT_EQ(read(), "v");
  EXPECT_EQ(errorOf([&] {
              setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "a\nb");
            }).number(),
            5);
  EXPECT_EQ(read(), "v");
  // A name that would read back as a section or a comment.
  for (const char* name : {"[x", ";x", ""})
    EXPECT_EQ(errorOf([&] { setRegistryValue(file, "&H80000002", "Software\\ZERN", name, "v"); })
                  .number(),
              5)
        << name;
}

TEST_F(RegistryTest, SetRefusesToOverwriteAMalformedFile) {
  write("not a registry file\n");
  EXPECT_EQ(errorOf([&] {
              setRegistryValue(file, "&H80000002", "Software\\ZERN", "DatosServerDos", "v");
            }).number(),
            321);
  EXPECT_EQ(korvanda::testing::readLines(file).front(), "not a registry file");
}

}  // namespace
