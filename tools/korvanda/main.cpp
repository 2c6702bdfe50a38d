// The one translation unit that includes CLI11: it turns the commands' descriptions into the
// parser's subcommands and options.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
                   [&](int16_t* number) {
                     // CLI11 reads an empty text as 0; "--ramo=" is a mistake, not a zero.
                     return app->add_option(o.name, *number, o.help)
                         ->check(CLI::Validator(
                             [](std::string& s) { return s.empty() ? "a number is needed" : ""; },
                             "", "not empty"));
                   },
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
// "--name=" gives the option an empty value: CLI11 would take the next argument as its value.
std::vector<std::string> withEmptyValuesSplit(int argc, char** argv) {
  std::vector<std::string> args;
  bool options = true;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") options = false;
    if (i > 0 && options && a.size() > 3 && a.starts_with("--") && a.back() == '=' &&
        a.find('=') == a.size() - 1) {
      args.push_back(a.substr(0, a.size() - 1));
      args.emplace_back();
    } else {
      args.push_back(std::move(a));
    }
  }
  return args;
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
  const std::vector<std::string> args = withEmptyValuesSplit(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& a : args) pointers.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return korvanda::cli::exitCode();
}
