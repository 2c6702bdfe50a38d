// Subcommands of the korvanda host; each file describes one.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "command_line.h"
#include "korvanda/recordset.h"

namespace korvanda {
class clsControlFiles;
}

namespace korvanda::cli {

Command callCommand();
Command exportCommand();
Command dbCommand();
Command registryCommand();
Command cryptCommand();
Command demoCommand();

// Runs a command body; a library error prints number, source and description and sets the
// exit code to 1.
void runReporting(const std::function<void()>& body);
int exitCode();

// A secret read without it showing in the process list or the shell history: at a prompt on
// standard error without echo when standard input is a terminal, else all of standard input
// less its last line end.
std::string readSecret(const std::string& prompt);
// The warning for a secret given as an argument anyway.
void warnSecretArgument(const std::string& what, const std::string& instead);
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
