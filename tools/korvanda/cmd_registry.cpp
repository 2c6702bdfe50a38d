// korvanda registry set|show: the connection data the library reads from the registry file.
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "korvanda/error.h"
#include "platform/components/connection_data.h"
#include "platform/components/connector.h"
#include "platform/components/crypto.h"
#include "platform/components/registry.h"

namespace korvanda::cli {
namespace {

struct SetOptions {
  std::string server, database, user, password, file;
};

std::string fileOrDefault(const std::string& file) {
  return file.empty() ? components::registryFilePath() : file;
}

}  // namespace

void addRegistryCommand(CLI::App& app) {
  auto* reg = app.add_subcommand("registry", "Write or show the connection data (registry file)");
  reg->require_subcommand(1);
  reg->footer(
      "The library reads HKEY_LOCAL_MACHINE\\Software\\ZERN\\DatosServerDos from the file named\n"
      "by KORVANDA_REGISTRY, else /etc/korvanda/registry.ini.");

  auto opt = std::make_shared<SetOptions>();
  auto* set = reg->add_subcommand(
      "set", "Write the connection data (server|user|encrypted password|database)");
  set->footer(
      "Server sqlite opens the embedded database file given by --database (made absolute);\n"
      "any other server is an ODBC data source and --database names the database on it.\n"
      "Other lines of the file are kept. A new file is readable by its owner only.\n\n"
      "Examples:\n"
      "  korvanda registry set --server sqlite --database /tmp/x.db --file /tmp/reg.ini\n"
      "  korvanda registry set --server SUBSIDIOS_DSN --database SUBSIDIOS --user app --password s3cret");
  set->add_option("--server", opt->server, "sqlite, or an ODBC data source name")->required();
  set->add_option("--database", opt->database, "Database file (sqlite) or database name")
      ->required();
  set->add_option("--user", opt->user, "User name");
  set->add_option("--password", opt->password, "Password (stored encrypted)");
  set->add_option("--file", opt->file, "Registry file (default: $KORVANDA_REGISTRY or /etc/korvanda/registry.ini)");
  set->callback([opt] {
    runReporting([&] {
      std::string database = opt->database;
      const bool embedded = components::isEmbeddedServer(opt->server);
      if (embedded) database = std::filesystem::absolute(database).lexically_normal().string();
      const std::string file = fileOrDefault(opt->file);
      components::setRegistryValue(
          file, components::kConnectionRoot, components::kConnectionKey,
          components::kConnectionValueName,
          components::connectionValue(opt->server, opt->user, opt->password, database));
      std::cout << "Wrote " << components::kConnectionValueName << " to " << file << "\n";
      if (embedded && !std::filesystem::exists(database))
        std::cout << "Note: " << database
                  << " does not exist yet; create it with: korvanda db init " << database << "\n";
    });
  });

  auto showFile = std::make_shared<std::string>();
  auto* show = reg->add_subcommand("show", "Show the connection data, without the password");
  show->footer("Example:\n  korvanda registry show --file /tmp/reg.ini");
  show->add_option("--file", *showFile, "Registry file (default: $KORVANDA_REGISTRY or /etc/korvanda/registry.ini)");
  show->callback([showFile] {
    runReporting([&] {
      const std::string file = fileOrDefault(*showFile);
      auto fields = components::splitFields(components::cls_Registry(file).GetRegValue(
          components::kConnectionRoot, components::kConnectionKey,
          components::kConnectionValueName));
      auto field = [&](size_t i) { return i < fields.size() ? fields[i] : std::string("(missing)"); };
      std::string password = "(missing)";
      if (fields.size() > 2) {
        try {
          components::CCrypto().EncryptDecrypt(fields[2], components::kPasswordKey, false, 1);
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
  });
}

}  // namespace korvanda::cli
