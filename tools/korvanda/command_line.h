// The command line as plain data: each command file describes its subcommand, options and body
// here, and main.cpp alone hands the description to the parser (CLI11), which takes long to
// compile.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace korvanda::cli {

// One option, flag (a bool target) or positional argument (a name without dashes), in the
// order the help lists them. The target is owned by the command's body.
struct Option {
  using Target = std::variant<std::string*, std::vector<std::string>*, bool*, int16_t*>;
  std::string name, help;
  Target target;
  bool required = false, showDefault = false, existingFile = false;
  std::vector<std::string> allowed;          // the only values accepted, when not empty
  std::vector<std::string> excludes, needs;  // names of options declared before this one
  bool* given = nullptr;                     // set before the body runs: was it on the line?

  Option(std::string optionName, Target optionTarget, std::string optionHelp)
      : name(std::move(optionName)), help(std::move(optionHelp)), target(optionTarget) {}

  Option& require() { return required = true, *this; }
  Option& showingDefault() { return showDefault = true, *this; }
  Option& mustExist() { return existingFile = true, *this; }
  Option& oneOf(std::vector<std::string> values) { return allowed = std::move(values), *this; }
  Option& excluding(std::string other) { return excludes.push_back(std::move(other)), *this; }
  Option& needing(std::string other) { return needs.push_back(std::move(other)), *this; }
  Option& reportGiven(bool* flag) { return given = flag, *this; }
};

// A (sub)command; references returned by option() and subcommand() stay valid as more are added.
struct Command {
  std::string name, description, footer;
  std::deque<Option> options;
  std::list<Command> subcommands;  // a list: Command is incomplete here
  bool requireSubcommand = false;
  std::function<void()> run;

  Command(std::string commandName, std::string commandDescription)
      : name(std::move(commandName)), description(std::move(commandDescription)) {}

  Option& option(std::string optionName, Option::Target target, std::string optionHelp) {
    return options.emplace_back(std::move(optionName), target, std::move(optionHelp));
  }
  Command& subcommand(std::string commandName, std::string commandDescription) {
    return subcommands.emplace_back(std::move(commandName), std::move(commandDescription));
  }
};

}  // namespace korvanda::cli
