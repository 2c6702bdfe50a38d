// The one translation unit that includes CLI11: it turns the commands' descriptions into the
// parser's subcommands and options.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <map>
#include <utility>

#include "commands.h"

namespace {
using korvanda::cli::Command;

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

void addTo(CLI::App& parent, const Command& command) {
  CLI::App* app = parent.add_subcommand(command.name, command.description);
  if (command.requireSubcommand) app->require_subcommand(1);
  if (!command.footer.empty()) app->footer(command.footer);
  std::map<std::string, CLI::Option*> byName;
  std::vector<std::pair<bool*, CLI::Option*>> given;
  for (const auto& o : command.options) {
    CLI::Option* opt = std::visit(
        Overloaded{[&](bool* flag) { return app->add_flag(o.name, *flag, o.help); },
                   [&](auto* value) { return app->add_option(o.name, *value, o.help); }},
        o.target);
    if (o.required) opt->required();
    if (o.existingFile) opt->check(CLI::ExistingFile);
    if (!o.allowed.empty()) opt->check(CLI::IsMember(o.allowed));
    for (const auto& other : o.excludes) opt->excludes(byName.at(other));
    for (const auto& other : o.needs) opt->needs(byName.at(other));
    if (o.showDefault) opt->capture_default_str();
    if (o.given) given.emplace_back(o.given, opt);
    byName.emplace(o.name, opt);
  }
  if (command.run)
    app->callback([run = command.run, given] {
      for (const auto& [flag, opt] : given) *flag = opt->count() > 0;
      run();
    });
  for (const auto& sub : command.subcommands) addTo(*app, sub);
}
}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "korvanda: the federal premium subsidy library's command-line host.\n"
      "Registers insured records, selects subsidy certificates, writes the export files and\n"
      "calls any member of the library late-bound, as the capture application does."};
  app.require_subcommand(1);
  using namespace korvanda::cli;
  for (const Command& command : {callCommand(), exportCommand(), dbCommand(), registryCommand(),
                                 cryptCommand(), demoCommand()})
    addTo(app, command);
  // The commands that run the library's members say when its logs cannot be written.
  for (const char* name : {"call", "export"})
    app.get_subcommand(name)->preparse_callback([](size_t) { korvanda::cli::warnIfLogsUnwritable(); });
  CLI11_PARSE(app, argc, argv);
  return korvanda::cli::exitCode();
}
