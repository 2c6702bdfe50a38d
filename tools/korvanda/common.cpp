#include <fmt/core.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <iostream>
#include <nlohmann/json.hpp>
#include <vector>

#include "commands.h"
#include "korvanda/administration.h"
#include "korvanda/clsControlFiles.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"

namespace korvanda::cli {
namespace {
int gExitCode = 0;

std::string cellText(const Variant& v, const char* nullText) {
  if (v.isNull()) return nullText;
  return toText(v);
}

std::string csvQuote(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char ch : s) {
    if (ch == '"') out += "\"\"";
    else out.push_back(ch);
  }
  return out + "\"";
}

nlohmann::json cellJson(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: case VarType::Null: return nullptr;
    case VarType::Bool: return toBool(v);
    case VarType::UI1: case VarType::I2: case VarType::I4: case VarType::I8: return toInt64(v);
    case VarType::R8: return toDouble(v);
    default: return cellText(v, "");
  }
}
}  // namespace

void runReporting(const std::function<void()>& body) {
  try {
    body();
  } catch (const Error& e) {
    std::cerr << fmt::format("error {}: {}\n  source: {}\n", e.number(), e.description(),
                             e.source());
    gExitCode = 1;
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << "\n";
    gExitCode = 1;
  }
}

int exitCode() { return gExitCode; }

namespace {
// The terminal's settings while echo is off, put back by an interrupt too.
termios gSavedTerminal{};

void restoreTerminalAndDie(int sig) {
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Turns echo off on standard input for its lifetime.
class NoEcho {
 public:
  NoEcho() {
    if (::tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0) return;
    termios quiet = gSavedTerminal;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
    for (size_t i = 0; i < kSignals.size(); ++i)
      old_[i] = std::signal(kSignals[i], restoreTerminalAndDie);
    active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~NoEcho() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
    for (size_t i = 0; i < kSignals.size(); ++i)
      if (old_[i] != SIG_ERR) std::signal(kSignals[i], old_[i]);
  }
  NoEcho(const NoEcho&) = delete;
  NoEcho& operator=(const NoEcho&) = delete;

 private:
  static constexpr std::array kSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  std::array<void (*)(int), kSignals.size()> old_{SIG_ERR, SIG_ERR, SIG_ERR, SIG_ERR};
  bool active_ = false;
};
}  // namespace

std::string readSecret(const std::string& prompt) {
  std::string text;
  if (::isatty(STDIN_FILENO)) {
    {
      NoEcho quiet;
      std::cerr << prompt << std::flush;
      std::getline(std::cin, text);
    }
    std::cerr << "\n";
  } else {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (text.ends_with('\n')) text.pop_back();
  }
  if (text.ends_with('\r')) text.pop_back();
  return text;
}

void warnSecretArgument(const std::string& what, const std::string& instead) {
  std::cerr << "warning: " << what
            << " given as an argument shows in the process list and the shell history; "
            << instead << "\n";
}

void warnIfLogsUnwritable() {
  const std::string dir = logDirectory();
  std::string why;
  if (::access(dir.c_str(), W_OK | X_OK) != 0) why = std::strerror(errno);
  else if (::access(errorLogPath().c_str(), W_OK) != 0 && errno != ENOENT)
    why = errorLogPath() + ": " + std::strerror(errno);
  if (why.empty()) return;
  std::cerr << fmt::format(
      "warning: the log directory {} is not writable ({}): every failure will be reported as an "
      "error about the log; set KORVANDA_LOG_DIR to a writable directory\n",
      dir, why);
}

void printRecordset(std::ostream& out, Recordset& rs, Format format) {
  const size_t cols = rs.fieldCount();
  if (format == Format::Json) {
    nlohmann::json rows = nlohmann::json::array();
    for (size_t r = 0; r < rs.rowCount(); ++r) {
      nlohmann::json row = nlohmann::json::object();
      for (size_t c = 0; c < cols; ++c) row[rs.field(c).name] = cellJson(rs.valueAt(r, c));
      rows.push_back(std::move(row));
    }
    out << rows.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return;
  }
  if (format == Format::Csv) {
    for (size_t c = 0; c < cols; ++c) out << (c ? "," : "") << csvQuote(rs.field(c).name);
    out << "\n";
    for (size_t r = 0; r < rs.rowCount(); ++r) {
      for (size_t c = 0; c < cols; ++c)
        out << (c ? "," : "") << csvQuote(cellText(rs.valueAt(r, c), ""));
      out << "\n";
    }
    return;
  }
  std::vector<std::vector<std::string>> cells(rs.rowCount() + 1);
  std::vector<size_t> width(cols, 0);
  for (size_t c = 0; c < cols; ++c) cells[0].push_back(rs.field(c).name);
  for (size_t r = 0; r < rs.rowCount(); ++r)
    for (size_t c = 0; c < cols; ++c) cells[r + 1].push_back(cellText(rs.valueAt(r, c), "NULL"));
  for (auto& row : cells)
    for (size_t c = 0; c < cols; ++c) width[c] = std::max(width[c], utf8Length(row[c]));
  auto printRow = [&](const std::vector<std::string>& row) {
    for (size_t c = 0; c < cols; ++c) {
      out << row[c];
      if (c + 1 < cols) out << std::string(width[c] - utf8Length(row[c]) + 2, ' ');
    }
    out << "\n";
  };
  printRow(cells[0]);
  for (size_t c = 0; c < cols; ++c)
    out << std::string(width[c], '-') << (c + 1 < cols ? "  " : "");
  out << "\n";
  for (size_t r = 1; r < cells.size(); ++r) printRow(cells[r]);
  out << "(" << rs.rowCount() << (rs.rowCount() == 1 ? " row)\n" : " rows)\n");
}

ProgressBar::ProgressBar(clsControlFiles& files, std::string label)
    : files_(files), active_(::isatty(STDOUT_FILENO) == 1), label_(std::move(label)) {
  if (!active_) return;
  files_.onProgress([this](int16_t v) {
    if (v == last_) return;
    last_ = v;
    constexpr int kWidth = 40;
    int filled = v * kWidth / 100;
    std::fputs(fmt::format("\r{}[{}{}] {:3}%", label_, std::string(filled, '#'),
                           std::string(kWidth - filled, '.'), v).c_str(), stdout);
    std::fflush(stdout);
  });
}

ProgressBar::~ProgressBar() {
  if (!active_) return;
  files_.onProgress(nullptr);
  if (last_ >= 0) std::fputs("\n", stdout);
}

}  // namespace korvanda::cli
