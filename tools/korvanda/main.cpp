#include <cstdlib>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{
      "korvanda: the federal premium subsidy library's command-line host.\n"
      "Registers insured records, selects subsidy certificates, writes the export files and\n"
      "calls any member of the library late-bound, as the capture application does."};
  app.require_subcommand(1);
  korvanda::cli::addCallCommand(app);
  korvanda::cli::addExportCommand(app);
  korvanda::cli::addDbCommand(app);
  korvanda::cli::addRegistryCommand(app);
  korvanda::cli::addCryptCommand(app);
  korvanda::cli::addDemoCommand(app);
  // The commands that run the library's members say when its logs cannot be written.
  for (const char* name : {"call", "export"})
    app.get_subcommand(name)->preparse_callback([](size_t) { korvanda::cli::warnIfLogsUnwritable(); });
  CLI11_PARSE(app, argc, argv);
  return korvanda::cli::exitCode();
}
