// Subcommands of the korvanda host; each file adds one.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>

#include "korvanda/recordset.h"

namespace korvanda::cli {

void addCallCommand(CLI::App& app);
void addExportCommand(CLI::App& app);
void addDbCommand(CLI::App& app);
void addRegistryCommand(CLI::App& app);
void addCryptCommand(CLI::App& app);

// Runs a command body; a library error prints number, source and description and sets the
// exit code to 1.
void runReporting(const std::function<void()>& body);
int exitCode();

enum class Format { Table, Csv, Json };
// Prints every row of a record set (from its first), as an aligned table, CSV or JSON.
void printRecordset(std::ostream& out, Recordset& rs, Format format);

}  // namespace korvanda::cli
