// korvanda db init FILE [--demo]: a new embedded database with the schema.
// korvanda db upgrade FILE: a database made by an earlier version brought to the schema.
#include <iostream>
#include <memory>

#include "commands.h"
#include "korvanda/administration.h"

namespace korvanda::cli {

Command dbCommand() {
  Command db{"db", "Manage embedded (SQLite) databases"};
  db.requireSubcommand = true;
  auto file = std::make_shared<std::string>();
  auto demo = std::make_shared<bool>(false);
  Command& init = db.subcommand(
      "init", "Create a new embedded database file with every table, index and view");
  init.footer =
      "The file must not exist yet. With --demo it also gets demonstration data: the 32\n"
      "states with their real codes, a few municipalities per state and small catalogs.\n\n"
      "Example:\n"
      "  korvanda db init /var/lib/korvanda/subsidios.db --demo";
  init.option("FILE", file.get(), "Path of the new database file").require();
  init.option("--demo", demo.get(), "Load the demonstration data too");
  init.run = [file, demo] {
    runReporting([&] {
      createDatabase(*file, *demo);
      std::cout << "Created " << *file << (*demo ? " (schema and demo data)\n" : " (schema)\n");
    });
  };

  Command& upgrade = db.subcommand(
      "upgrade", "Convert a database made by an earlier version to the current schema");
  upgrade.footer =
      "Databases made before text compared as on SQL Server (letter case of every letter and\n"
      "trailing blanks ignored, accents kept apart) are refused when opened until they are\n"
      "converted. The tables are rebuilt with their rows, indexes and views in one transaction,\n"
      "while other programs wait. When two rows would then have the same key (PÓLIZA-Ñ and\n"
      "póliza-ñ), nothing changes and the rows are named: correct them and run it again.\n"
      "A current database is left as it is.\n\n"
      "Example:\n"
      "  korvanda db upgrade /var/lib/korvanda/subsidios.db";
  auto upgradeFile = std::make_shared<std::string>();
  upgrade.option("FILE", upgradeFile.get(), "Path of the database file").require();
  upgrade.run = [upgradeFile] {
    runReporting([&] {
      auto tables = upgradeDatabase(*upgradeFile);
      if (tables.empty()) std::cout << *upgradeFile << " is already current; nothing changed\n";
      else std::cout << "Upgraded " << *upgradeFile << ": " << tables.size() << " tables rebuilt\n";
    });
  };
  return db;
}

}  // namespace korvanda::cli
