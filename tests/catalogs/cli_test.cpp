// The command-line steps a new user types: create a database, point the registry file at it,
// call the library.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "support/fixture.h"

using korvanda::testing::TempDir;

namespace {

struct Outcome {
  int status;
  std::string out;  // stdout and stderr
};

Outcome korvanda(const std::string& args, const std::string& env = "") {
  std::string cmd = env + " " KORVANDA_BINARY_DIR "/bin/korvanda " + args + " 2>&1";
  Outcome r{-1, {}};
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  while (size_t n = std::fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

TEST(Cli, FromANewDatabaseToTheStatesCatalog) {
  TempDir dir;
  const std::string db = (dir.path() / "x.db").string();
  const std::string reg = (dir.path() / "reg.ini").string();
  Outcome init = korvanda("db init '" + db + "' --demo");
  ASSERT_EQ(init.status, 0) << init.out;
  Outcome set = korvanda("registry set --server sqlite --database '" + db + "' --file '" + reg + "'");
  ASSERT_EQ(set.status, 0) << set.out;
  const std::string env = "KORVANDA_REGISTRY='" + reg + "' KORVANDA_LOG_DIR='" +
                          dir.path().string() + "'";
  Outcome call = korvanda("call KORVANDA.clsCatValida getCatalogos 5", env);
  ASSERT_EQ(call.status, 0) << call.out;
  EXPECT_NE(call.out.find("(32 rows)"), std::string::npos) << call.out;
  Outcome csv = korvanda("call KORVANDA.clsCatValida getCatalogos 5 --csv", env);
  // A header line and one line per state.
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 33) << csv.out;

  // An unknown catalog: the application error, exit status 1.
  Outcome bad = korvanda("call KORVANDA.clsCatValida getCatalogos 22", env);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("-2147220503"), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("El catalogo solicitado no existe"), std::string::npos) << bad.out;

  // db init never overwrites a database; a current one needs no upgrade.
  EXPECT_EQ(korvanda("db init '" + db + "'").status, 1);
  Outcome current = korvanda("db upgrade '" + db + "'");
  EXPECT_EQ(current.status, 0);
  EXPECT_EQ(current.out, db + " is already current; nothing changed\n");
  EXPECT_EQ(korvanda("db upgrade '" + db + ".none'").status, 1);
}

TEST(Cli, RegistryShowAndPasswordEncryption) {
  TempDir dir;
  const std::string reg = (dir.path() / "reg.ini").string();
  ASSERT_EQ(korvanda("registry set --server SRV --database SUBSIDIOS --user app --password 's3 cret'"
                     " --file '" + reg + "'").status,
            0);
  Outcome show = korvanda("registry show --file '" + reg + "'");
  EXPECT_EQ(show.status, 0) << show.out;
  EXPECT_NE(show.out.find("server:   SRV"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("password: (set, decrypts)"), std::string::npos) << show.out;
  EXPECT_EQ(show.out.find("s3 cret"), std::string::npos);

  Outcome enc = korvanda("crypt encrypt 's3 cret'");
  ASSERT_EQ(enc.status, 0);
  std::string sealed = enc.out.substr(0, enc.out.find('\n'));
  Outcome dec = korvanda("crypt decrypt '" + sealed + "'");
  EXPECT_EQ(dec.out, "s3 cret\n");
  Outcome wrong = korvanda("crypt decrypt --key " + std::string(64, 'f') + " '" + sealed + "'");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.out.find("-2146893819"), std::string::npos) << wrong.out;
}

}  // namespace
