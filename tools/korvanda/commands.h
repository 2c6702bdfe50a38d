// Subcommands of the korvanda host; each file adds one.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>

#include "korvanda/recordset.h"

namespace korvanda {
class clsControlFiles;
}

namespace korvanda::cli {

void addCallCommand(CLI::App& app);
void addExportCommand(CLI::App& app);
void addDbCommand(CLI::App& app);
void addRegistryCommand(CLI::App& app);
void addCryptCommand(CLI::App& app);
void addDemoCommand(CLI::App& app);

// Runs a command body; a library error prints number, source and description and sets the
// exit code to 1.
void runReporting(const std::function<void()>& body);
int exitCode();

// One line on stderr when the library could not write its logs: the log directory (or a
// logFile.log in it) is not writable, which turns every failure into an error about the log.
void warnIfLogsUnwritable();

enum class Format { Table, Csv, Json };
// Prints every row of a record set (from its first), as an aligned table, CSV or JSON.
void printRecordset(std::ostream& out, Recordset& rs, Format format);

// A bar on a terminal, fed by the export object's own progress values (fileAdvance); nothing
// when stdout is not a terminal. It stops listening to the object when it ends.
class ProgressBar {
 public:
  explicit ProgressBar(clsControlFiles& files, std::string label = {});
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

 private:
  clsControlFiles& files_;
  bool active_;
  int last_ = -1;
  std::string label_;
};

}  // namespace korvanda::cli
