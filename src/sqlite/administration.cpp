// The embedded engine's part of the public administration functions.
#include "korvanda/administration.h"
#include "sqlite/engine.h"
#include "sqlite/upgrade.h"

namespace korvanda {

void createDatabase(const std::string& file, bool withDemoData) {
  sqlite::createDatabase(file, withDemoData);
}

std::vector<std::string> upgradeDatabase(const std::string& file) {
  return sqlite::upgradeDatabase(file);
}

ConnectionRef openDatabase(const std::string& file) { return sqlite::openEmbedded(file); }

}  // namespace korvanda
