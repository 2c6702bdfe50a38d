#include "sqlite/translate.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fixture.h"
#include "translate/parser.h"

namespace korvanda::sqlite {
namespace {

constexpr const char* kCases = KORVANDA_SOURCE_DIR "/tests/golden/translate/cases.txt";

// The tables and views that the golden file declares ("table <name>: <column> <type>, ...").
const SchemaSnapshot& sampleSchema() {
  static const SchemaSnapshot schema = [] {
    SchemaSnapshot s;
    std::ifstream in(kCases);
    for (std::string line; std::getline(in, line);) {
      if (!line.starts_with("table ") && !line.starts_with("view ")) continue;
      const size_t name = line.find(' ') + 1, colon = line.find(':');
      TableInfo table{line.substr(name, colon - name), {}, line.starts_with("view ")};
      for (size_t at = colon + 2, end; at < line.size(); at = end + 2) {
        end = std::min(line.find(", ", at), line.size());
        const std::string column = line.substr(at, end - at);
        const size_t blank = std::min(column.find(' '), column.size());
        const std::string decl = column.substr(std::min(blank + 1, column.size()));
        table.columns.push_back({column.substr(0, blank), decl, decl.ends_with(" GENERATED")});
      }
      s.add(table);
    }
    return s;
  }();
  return schema;
}

std::string failure(std::string_view tsql) {
  try {
    translate(tsql, sampleSchema());
  } catch (const TranslationError& e) {
    return e.what();
  }
  ADD_FAILURE() << "translated: " << tsql;
  return "";
}

// One step as the golden file writes it.
std::string render(const Step& step) {
  if (auto* sql = std::get_if<SqlStep>(&step)) return sql->sql;
  if (auto* copy = std::get_if<CopyTableStep>(&step))
    return "COPY " + copy->source + " FROM '" + copy->file + "' INTO " + copy->target;
  const auto& exec = std::get<ProcedureStep>(step);
  std::string out = "EXEC " + exec.name;
  for (size_t i = 0; i < exec.args.size(); ++i)
    out += (i ? ", " : " ") + (exec.args[i] ? "'" + *exec.args[i] + "'" : std::string("NULL"));
  return out;
}

// A golden file of T-SQL lines, each followed by "= " lines (what it becomes), a "! " line (the
// refusal) and/or a ": " line (result types).
struct Case {
  int line;
  std::string tsql, refusal;
  std::vector<std::string> steps;
  std::optional<std::string> types;
};
std::vector<Case> readCases(const std::string& path) {
  std::vector<Case> cases;
  std::ifstream in(path);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    for (size_t at; (at = line.find("\\n")) != std::string::npos;) line.replace(at, 2, "\n");
    if (line.empty() || line[0] == '#' || line.starts_with("table ") || line.starts_with("view "))
      continue;
    if (line.starts_with("= ")) cases.back().steps.push_back(line.substr(2));
    else if (line.starts_with("! ")) cases.back().refusal = line.substr(2);
    else if (line.starts_with(":")) cases.back().types = line.size() > 2 ? line.substr(2) : "";
    else cases.push_back({n, line, "", {}, {}});
  }
  return cases;
}

// Every T-SQL text of tests/golden/translate/cases.txt becomes the statements written under it,
// or is refused with the message written there, on a small stack.
TEST(Translate, EveryCaseOfTheGoldenFile) {
  const std::vector<Case> cases = readCases(kCases);
  EXPECT_GE(cases.size(), 100u);
  testing::runOnSmallStack([&] {  // the nesting cases reach the limit
    for (const Case& c : cases) {
      SCOPED_TRACE("cases.txt line " + std::to_string(c.line) + ": " + c.tsql);
      if (!c.refusal.empty()) {
        EXPECT_EQ(failure(c.tsql), c.refusal);
        continue;
      }
      Translation t = translate(c.tsql, sampleSchema());
      std::vector<std::string> steps;
      for (const Step& step : t.steps) steps.push_back(render(step));
      if (!c.steps.empty()) {
        EXPECT_EQ(steps, c.steps);
      }
      if (c.types) {
        std::string types;
        for (const std::string& type : std::get<SqlStep>(t.steps.back()).resultTypes)
          types += (types.empty() ? "" : ", ") + type;
        EXPECT_EQ(types, *c.types);
      }
    }
  });
}

// A table's definition under another name, however its name was written.
TEST(Translate, RenameCreateTableKeepsTheDefinition) {
  for (const char* name : {"t", "[t]", "'t'", "\"t\"", "main.t"})
    EXPECT_EQ(renameCreateTable(std::string("CREATE TABLE IF NOT EXISTS ") + name + " (a INT)", "n\"x"),
              "CREATE TABLE IF NOT EXISTS \"n\"\"x\" (a INT)") << name;
  for (const char* bad : {"CREATE TABLE (a INT)", "CREATE VIEW v AS SELECT 1", "CREATE TABLE"})
    EXPECT_THROW(renameCreateTable(bad, "n"), TranslationError) << bad;
}

// The parser alone: each text of tests/golden/translate/parse.txt as its statements' trees, or
// refused naming the token and where it is.
TEST(Parse, EveryCaseOfTheGoldenFile) {
  const std::vector<Case> cases = readCases(KORVANDA_SOURCE_DIR "/tests/golden/translate/parse.txt");
  EXPECT_GE(cases.size(), 40u);
  for (const Case& c : cases) {
    SCOPED_TRACE("parse.txt line " + std::to_string(c.line) + ": " + c.tsql);
    std::vector<std::string> trees;
    std::string refusal;
    try {
      auto toks = tsql::tokenize(c.tsql);
      tsql::checkNesting(toks);
      for (const tsql::Statement& s : tsql::parse(toks)) trees.push_back(tsql::print(s));
    } catch (const TranslationError& e) {
      refusal = e.what();
    }
    EXPECT_EQ(trees, c.steps);
    EXPECT_EQ(refusal, c.refusal);
  }
}

std::string repeat(std::string_view s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// Far past the limit every recursive construct is refused before the stack runs out; chains
// that the translation walks without recursion have no such limit.
TEST(Nesting, DeepTextsOnASmallStack) {
  auto deep = [](std::string_view open, std::string_view close) {
    return "SELECT " + repeat(open, 5000) + "1" + repeat(close, 5000) + " FROM Pagos";
  };
  testing::runOnSmallStack([&] {
    for (const std::string& text :
         {deep("(", ")"), deep("LEN(", ")"), deep("CASE WHEN 1 = ", " THEN 1 END"),
          deep("(SELECT ", ")"), "SELECT " + repeat("x + ", 4999) + "x AS s FROM Pagos"})
      EXPECT_NE(failure(text).find("deeper than 32 levels"), std::string::npos)
          << text.substr(0, 40);
    for (const std::string& text : {"SELECT " + repeat("- ", 5000) + "1 FROM Pagos",
                                    "SELECT " + repeat("~ ", 5000) + "1 FROM Pagos",
                                    "SELECT id FROM Pagos WHERE " + repeat("NOT ", 5000) + "1 = 1",
                                    "SELECT " + repeat("id + ", 5000) + "1 AS s FROM Pagos",
                                    "SELECT id" + repeat(" COLLATE BINARY", 5000) + " FROM Pagos",
                                    "SELECT id FROM Pagos WHERE " + repeat("id = 1 AND ", 5000) + "1 = 1",
                                    "SELECT 1 AS x" + repeat(" UNION SELECT 1", 5000)})
      EXPECT_NO_THROW(translate(text, sampleSchema())) << text.substr(0, 40);
  });
}

}  // namespace
}  // namespace korvanda::sqlite
