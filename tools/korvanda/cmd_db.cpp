// korvanda db init FILE [--demo]: a new embedded database with the schema.
// korvanda db upgrade FILE: a database made by an earlier version brought to the schema.
#include <iostream>

#include "commands.h"
#include "platform/sqlite/engine.h"
#include "platform/sqlite/upgrade.h"

namespace korvanda::cli {

void addDbCommand(CLI::App& app) {
  auto* db = app.add_subcommand("db", "Manage embedded (SQLite) databases");
  db->require_subcommand(1);
  auto file = std::make_shared<std::string>();
  auto demo = std::make_shared<bool>(false);
  auto* init = db->add_subcommand(
      "init", "Create a new embedded database file with every table, index and view");
  init->footer(
      "The file must not exist yet. With --demo it also gets demonstration data: the 32\n"
      "states with their real codes, a few municipalities per state and small catalogs.\n\n"
      "Example:\n"
      "  korvanda db init /var/lib/korvanda/subsidios.db --demo");
  init->add_option("FILE", *file, "Path of the new database file")->required();
  init->add_flag("--demo", *demo, "Load the demonstration data too");
  init->callback([file, demo] {
    runReporting([&] {
      sqlite::createDatabase(*file, *demo);
      std::cout << "Created " << *file << (*demo ? " (schema and demo data)\n" : " (schema)\n");
    });
  });

  auto* upgrade = db->add_subcommand(
      "upgrade", "Convert a database made by an earlier version to the current schema");
  upgrade->footer(
      "Databases made before text compared as on SQL Server (letter case of every letter and\n"
      "trailing blanks ignored, accents kept apart) are refused when opened until they are\n"
      "converted. The tables are rebuilt with their rows, indexes and views in one transaction,\n"
      "while other programs wait. When two rows would then have the same key (PÓLIZA-Ñ and\n"
      "póliza-ñ), nothing changes and the rows are named: correct them and run it again.\n"
      "A current database is left as it is.\n\n"
      "Example:\n"
      "  korvanda db upgrade /var/lib/korvanda/subsidios.db");
  auto upgradeFile = std::make_shared<std::string>();
  upgrade->add_option("FILE", *upgradeFile, "Path of the database file")->required();
  upgrade->callback([upgradeFile] {
    runReporting([&] {
      auto tables = sqlite::upgradeDatabase(*upgradeFile);
      if (tables.empty()) std::cout << *upgradeFile << " is already current; nothing changed\n";
      else std::cout << "Upgraded " << *upgradeFile << ": " << tables.size() << " tables rebuilt\n";
    });
  });
}

}  // namespace korvanda::cli
