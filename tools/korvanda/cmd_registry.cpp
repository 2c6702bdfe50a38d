// korvanda registry set|show: the connection data the library reads from the registry file.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "commands.h"
#include "korvanda/administration.h"
#include "korvanda/error.h"

namespace korvanda::cli {
namespace {

struct SetOptions {
  std::string server, database, user, password, file;
  bool passwordStdin = false, passwordGiven = false;
};

std::string fileOrDefault(const std::string& file) {
  return file.empty() ? registryFilePath() : file;
}

}  // namespace

Command registryCommand() {
  Command reg{"registry", "Write or show the connection data (registry file)"};
  reg.requireSubcommand = true;
  reg.footer =
      "The library reads HKEY_LOCAL_MACHINE\\Software\\ZERN\\DatosServerDos from the file named\n"
      "by KORVANDA_REGISTRY, else /etc/korvanda/registry.ini. The password in it is encrypted\n"
      "with the installation's key file: KORVANDA_KEY_FILE, else registry.key beside the\n"
      "registry file (/etc/korvanda/registry.key).";

  auto opt = std::make_shared<SetOptions>();
  Command& set = reg.subcommand(
      "set", "Write the connection data (server|user|encrypted password|database)");
  set.footer =
      "Server sqlite opens the embedded database file given by --database (made absolute);\n"
      "any other server is an ODBC data source and --database names the database on it.\n"
      "Other lines of the file are kept. A new file is readable by its owner only.\n\n"
      "The password is asked for without echo when standard input is a terminal (Enter for\n"
      "none), or read from standard input with --password-stdin; without either it is empty.\n"
      "It is encrypted with the key file (KORVANDA_KEY_FILE, else registry.key beside the\n"
      "registry file), which is created with a new random key, mode 0600, when missing and\n"
      "never replaced.\n\n"
      "Examples:\n"
      "  korvanda registry set --server sqlite --database /tmp/x.db --file /tmp/reg.ini\n"
      "  korvanda registry set --server SUBSIDIOS_DSN --database SUBSIDIOS --user app\n"
      "  printf '%s' \"$PASSWORD\" | korvanda registry set --server SUBSIDIOS_DSN \\\n"
      "      --database SUBSIDIOS --user app --password-stdin";
  set.option("--server", &opt->server, "sqlite, or an ODBC data source name").require();
  set.option("--database", &opt->database, "Database file (sqlite) or database name").require();
  set.option("--user", &opt->user, "User name");
  set.option("--password-stdin", &opt->passwordStdin, "Read the password from standard input");
  set.option("--password", &opt->password,
             "Password (shows in the process list: prefer the prompt or --password-stdin)")
      .excluding("--password-stdin")
      .reportGiven(&opt->passwordGiven);
  set.option("--file", &opt->file, "Registry file (default: $KORVANDA_REGISTRY or /etc/korvanda/registry.ini)");
  set.run = [opt] {
    runReporting([&] {
      std::string password = opt->password;
      if (opt->passwordGiven)
        warnSecretArgument("--password", "use --password-stdin or the prompt");
      else if (opt->passwordStdin || ::isatty(STDIN_FILENO))
        password = readSecret("Password for the connection (Enter for none): ");
      std::string database = opt->database;
      const bool embedded = isEmbeddedServer(opt->server);
      if (embedded) database = std::filesystem::absolute(database).lexically_normal().string();
      const std::string file = fileOrDefault(opt->file);
      const std::string keyFile = keyFilePath(file);
      if (createKeyFile(keyFile))
        std::cout << "Created the key file " << keyFile << " (a new random key, mode 0600)\n";
      writeConnectionData(file, opt->server, opt->user, password, database, keyFile);
      std::cout << "Wrote DatosServerDos to " << file << "\n";
      if (embedded && !std::filesystem::exists(database))
        std::cout << "Note: " << database
                  << " does not exist yet; create it with: korvanda db init " << database << "\n";
    });
  };

  auto showFile = std::make_shared<std::string>();
  Command& show = reg.subcommand("show", "Show the connection data, without the password");
  show.footer = "Example:\n  korvanda registry show --file /tmp/reg.ini";
  show.option("--file", showFile.get(), "Registry file (default: $KORVANDA_REGISTRY or /etc/korvanda/registry.ini)");
  show.run = [showFile] {
    runReporting([&] {
      const std::string file = fileOrDefault(*showFile);
      const std::vector<std::string> fields = readConnectionData(file);
      auto field = [&](size_t i) { return i < fields.size() ? fields[i] : std::string("(missing)"); };
      std::string password = "(missing)";
      if (fields.size() > 2) {
        try {
          decryptWithKeyFile(fields[2], keyFilePath(file));
          password = fields[2].empty() ? "(empty)" : "(set, decrypts)";
        } catch (const Error& e) {
          password = "(does not decrypt: " + e.description() + ")";
        }
      }
      std::cout << "file:     " << file << "\n"
                << "server:   " << field(0) << "\n"
                << "user:     " << field(1) << "\n"
                << "password: " << password << "\n"
                << "database: " << field(3) << "\n";
      if (fields.size() < 4) throw errors::subscriptOutOfRange();
    });
  };
  return reg;
}

}  // namespace korvanda::cli
