// korvanda db init FILE [--demo]: a new embedded database with the schema.
#include <iostream>

#include "commands.h"
#include "platform/sqlite/engine.h"

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
}

}  // namespace korvanda::cli
