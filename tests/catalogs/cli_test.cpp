// The command-line steps a new user types: create a database, point the registry file at it,
// call the library.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>

#include "components/connection_data.h"
#include "components/crypto.h"
#include "sqlite/functions.h"
#include "support/fixture.h"

using korvanda::testing::TempDir;
using korvanda::testing::readLines;

namespace {

using korvanda::testing::Outcome;

constexpr const char* kBinary = KORVANDA_BINARY_DIR "/bin/korvanda";

// Standard input is the given file, else /dev/null (never the test's terminal); the output
// holds stdout and stderr.
Outcome korvanda(const std::string& args, const std::string& env = "",
                 const std::string& stdinFile = "/dev/null") {
  return korvanda::testing::runShell(env + " " + kBinary + " " + args + " <'" + stdinFile + "' 2>&1");
}

// The host runs on libkorvanda.so through its public headers, with no copy of the library's
// internals of its own.
TEST(Cli, IsAClientOfTheSharedLibrary) {
  Outcome ldd = korvanda::testing::runShell(std::string("ldd ") + kBinary);
  EXPECT_NE(ldd.out.find("libkorvanda.so"), std::string::npos) << ldd.out;
  Outcome own = korvanda::testing::runShell(std::string("nm -C --defined-only ") + kBinary +
                                            " | grep -c 'korvanda::clsCatValida::'");
  EXPECT_EQ(own.out, "0\n");
}

TEST(Cli, FromANewDatabaseToTheStatesCatalog) {
  TempDir dir;
  const std::string db = (dir.path() / "x.db").string();
  const std::string reg = (dir.path() / "reg.ini").string();
  Outcome init = korvanda("db init '" + db + "' --demo");
  ASSERT_EQ(init.status, 0) << init.out;
  Outcome set = korvanda("registry set --server sqlite --database '" + db + "' --file '" + reg + "'",
                         "env -u KORVANDA_KEY_FILE");
  ASSERT_EQ(set.status, 0) << set.out;
  // The key file is found beside the registry file.
  const std::string env = "env -u KORVANDA_KEY_FILE KORVANDA_REGISTRY='" + reg +
                          "' KORVANDA_LOG_DIR='" + dir.path().string() + "'";
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

// Runs the command on a new terminal with `env` (arguments of env(1)): waits for `prompt`, types
// `typed`, and returns all the terminal showed (what the command wrote and what it echoed).
Outcome onTerminal(const std::string& args, const std::string& env, const std::string& prompt,
                   const std::string& typed) {
  int master = -1;
  const std::string cmd = "exec env " + env + " " + kBinary + " " + args;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  Outcome r{-1, {}};
  if (pid < 0) return r;
  bool sent = false;
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 30000) <= 0) break;  // a safety net, not a timing
    std::array<char, 1024> buf{};
    ssize_t n = ::read(master, buf.data(), buf.size());
    if (n <= 0) break;  // EIO: the command ended
    r.out.append(buf.data(), static_cast<size_t>(n));
    if (!sent && r.out.find(prompt) != std::string::npos) {
      sent = ::write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
    }
  }
  ::close(master);
  int st = 0;
  ::waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Field 2 of the value registry set wrote, decrypted with the key file.
std::string storedPassword(const std::string& reg, const std::string& key) {
  for (const std::string& line : readLines(reg))
    if (line.starts_with("DatosServerDos="))
      return korvanda::components::CCrypto().EncryptDecrypt(
          korvanda::components::splitFields(line)[2], korvanda::components::installationKey(key),
          false, 1);
  return "(no value)";
}

TEST(Cli, RegistrySetAsksForThePasswordWithoutEcho) {
  TempDir dir;
  const std::string reg = (dir.path() / "reg.ini").string();
  const std::string key = (dir.path() / "registry.key").string();
  const Outcome set =
      onTerminal("registry set --server SRV --database SUBSIDIOS --user app --file '" + reg + "'",
                 "-u KORVANDA_KEY_FILE", "Password for the connection (Enter for none): ",
                 "pw 'x' ñ\n");
  ASSERT_EQ(set.status, 0) << set.out;
  EXPECT_EQ(set.out.find("pw 'x'"), std::string::npos) << set.out;  // not echoed
  EXPECT_NE(set.out.find("Created the key file " + key), std::string::npos) << set.out;
  EXPECT_EQ(storedPassword(reg, key), "pw 'x' ñ");

  const Outcome enc = onTerminal("crypt encrypt", "KORVANDA_KEY_FILE='" + key + "'",
                                 "Text to encrypt: ", "otra\n");
  ASSERT_EQ(enc.status, 0) << enc.out;
  EXPECT_EQ(enc.out.find("otra"), std::string::npos) << enc.out;
}

TEST(Cli, RegistryShowAndPasswordEncryption) {
  TempDir dir;
  const std::string reg = (dir.path() / "reg.ini").string();
  const std::string key = (dir.path() / "registry.key").string();
  const std::string secret = (dir.path() / "secret").string();
  const std::string noKeyEnv = "env -u KORVANDA_KEY_FILE";
  const std::string keyEnv = "KORVANDA_KEY_FILE='" + key + "'";
  std::ofstream(secret) << "s3 cret\n";
  const std::string setArgs =
      "registry set --server SRV --database SUBSIDIOS --user app --file '" + reg + "'";
  Outcome set = korvanda(setArgs + " --password-stdin", noKeyEnv, secret);
  ASSERT_EQ(set.status, 0) << set.out;
  EXPECT_EQ(set.out, "Created the key file " + key + " (a new random key, mode 0600)\n"
                     "Wrote DatosServerDos to " + reg + "\n");
  EXPECT_EQ(storedPassword(reg, key), "s3 cret");
  struct stat st {};
  ASSERT_EQ(::stat(key.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  const std::string keyText = slurp(key);
  EXPECT_EQ(keyText.size(), 65u);

  Outcome show = korvanda("registry show --file '" + reg + "'", noKeyEnv);
  EXPECT_EQ(show.status, 0) << show.out;
  EXPECT_NE(show.out.find("server:   SRV"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("password: (set, decrypts)"), std::string::npos) << show.out;
  EXPECT_EQ(show.out.find("s3 cret"), std::string::npos);

  // The argument form still works, with a warning; the key file stays as it was.
  set = korvanda(setArgs + " --password 'otra clave'", noKeyEnv);
  ASSERT_EQ(set.status, 0) << set.out;
  EXPECT_NE(set.out.find("warning: --password given as an argument shows in the process list "
                         "and the shell history; use --password-stdin or the prompt\n"),
            std::string::npos)
      << set.out;
  EXPECT_EQ(set.out.find("Created the key file"), std::string::npos) << set.out;
  EXPECT_EQ(slurp(key), keyText);
  EXPECT_EQ(storedPassword(reg, key), "otra clave");
  EXPECT_NE(korvanda(setArgs + " --password x --password-stdin", noKeyEnv).status, 0);
  // Without a terminal or --password-stdin the password is empty, as scripts had it.
  ASSERT_EQ(korvanda(setArgs, noKeyEnv).status, 0);
  EXPECT_EQ(storedPassword(reg, key), "");

  // crypt: the text from standard input (or as an argument, with a warning), the same key.
  Outcome enc = korvanda("crypt encrypt", keyEnv, secret);
  ASSERT_EQ(enc.status, 0) << enc.out;
  std::string sealed = enc.out.substr(0, enc.out.find('\n'));
  EXPECT_EQ(korvanda("crypt decrypt '" + sealed + "'", keyEnv).out, "s3 cret\n");
  EXPECT_EQ(korvanda("crypt decrypt '" + sealed + "'",
                     "env -u KORVANDA_KEY_FILE KORVANDA_REGISTRY='" + reg + "'")
                .out,
            "s3 cret\n");
  Outcome arg = korvanda("crypt encrypt 's3 cret'", keyEnv);
  EXPECT_EQ(arg.status, 0);
  EXPECT_NE(arg.out.find("warning: the text given as an argument"), std::string::npos) << arg.out;
  const std::string other = (dir.path() / "other.key").string();
  ASSERT_TRUE(korvanda::components::createKeyFile(other));
  Outcome wrong = korvanda("crypt decrypt --key-file '" + other + "' '" + sealed + "'", keyEnv);
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.out.find("-2146893819"), std::string::npos) << wrong.out;

  // Without the key file nothing decrypts, and the error names the file.
  std::filesystem::remove(key);
  Outcome missing = korvanda("crypt decrypt '" + sealed + "'", keyEnv);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "error 53: File not found: key file " + key +
                             " (set KORVANDA_KEY_FILE, or create it with: korvanda registry set)\n"
                             "  source: SEGURIDAD.CCrypto\n");
  show = korvanda("registry show --file '" + reg + "'", noKeyEnv);
  EXPECT_NE(show.out.find("password: (does not decrypt: File not found: key file " + key),
            std::string::npos)
      << show.out;
}

// The README's export from a query, run as written on a database with one livestock record.
TEST(Cli, ReadmeExportFromAQueryRuns) {
  std::string command;
  {
    std::ifstream readme(KORVANDA_SOURCE_DIR "/README.md");
    for (std::string line; std::getline(readme, line);)
      if (line.starts_with("korvanda export ") && line.find(" --query ") != std::string::npos) command = line;
  }
  ASSERT_FALSE(command.empty());
  TempDir dir;
  const std::string db = (dir.path() / "subsidios.db").string();
  ASSERT_EQ(korvanda("db init '" + db + "' --demo").status, 0);
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(korvanda::sqlite::registerTsqlFunctions(raw), SQLITE_OK);  // the text columns' collation
  EXPECT_EQ(sqlite3_exec(raw,
                         "INSERT INTO SUBMGANADERO (pkGanadero, poliza, endoso, cveTipoEndoso, Inciso,"
                         " pkmunicipio, pkespfun, cabezasaseg, sumaAsegurada, fecPago) VALUES (1, 'G-1', '0', 1, 1,"
                         " (SELECT min(PkMunicipio) FROM CATCMUNICIPIO), (SELECT min(pkespfun) FROM SUBRESPFUN),"
                         " 25, 1000.5, '2026-04-05 00:00:00')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);

  Outcome run = korvanda(command.substr(std::string("korvanda ").size()), "cd '" + dir.path().string() + "' &&");
  ASSERT_EQ(run.status, 0) << command << "\n" << run.out;
  const auto lines = korvanda::testing::readLines(dir.path() / "ganadero.dat");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("G-1|0|1|1|")) << lines[0];
  EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '|'), 27) << lines[0];
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
