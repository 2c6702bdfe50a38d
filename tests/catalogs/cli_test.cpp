// The command-line steps a new user types: create a database, point the registry file at it,
// call the library.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>

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

  // db init never overwrites a database.
  EXPECT_EQ(korvanda("db init '" + db + "'").status, 1);
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


// An unwritable log directory turns every failure into an error about the log: the host says
// so on stderr before it runs a member, and says nothing when the logs can be written.
TEST(Cli, WarnsWhenTheLogDirectoryIsNotWritable) {
  TempDir dir;
  const std::string missing = (dir.path() / "no-such-dir").string();
  Outcome call = korvanda("call KORVANDA.clsControlFiles fileAdvance", "KORVANDA_LOG_DIR='" + missing + "'");
  EXPECT_EQ(call.status, 0) << call.out;
  EXPECT_EQ(call.out, "warning: the log directory " + missing +
                          " is not writable (No such file or directory): every failure will be "
                          "reported as an error about the log; set KORVANDA_LOG_DIR to a writable "
                          "directory\n1\n");
  Outcome quiet = korvanda("call KORVANDA.clsControlFiles fileAdvance",
                           "KORVANDA_LOG_DIR='" + dir.path().string() + "'");
  EXPECT_EQ(quiet.out, "1\n");
}

// A named pipe or a link planted at the export path is refused at once (nothing waits on the
// pipe: `timeout` would end the host with 124) and nothing is written through the link.
TEST(Cli, ExportToAPipeOrALinkIsRefusedAtOnce) {
  TempDir dir;
  const std::string csv = (dir.path() / "in.csv").string();
  std::ofstream(csv) << "Poliza\n1\n";
  const std::string pipe = (dir.path() / "pipe.dat").string();
  const std::string link = (dir.path() / "link.dat").string();
  const std::string kept = (dir.path() / "kept.txt").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  std::ofstream(kept) << "keep\n";
  ASSERT_EQ(::symlink(kept.c_str(), link.c_str()), 0);
  const std::string env = "KORVANDA_LOG_DIR='" + dir.path().string() + "' timeout 10";
  for (const auto& [path, what] : {std::pair{pipe, " is a named pipe"}, std::pair{link, " is a symbolic link"}}) {
    Outcome out = korvanda("export dat '" + path + "' '" + csv + "' --ramo 3", env);
    EXPECT_EQ(out.status, 1) << out.out;
    EXPECT_NE(out.out.find("error 75: Path/File access error: " + path + what), std::string::npos) << out.out;
  }
  std::ifstream in(kept);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep\n");
}

}  // namespace
