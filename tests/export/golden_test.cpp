// The export files of tests/golden/export, byte for byte, through the library on both kinds of
// record set (the command-line host has them in cli.transcript); the empty record-set layouts;
// the code page of the lines.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "export/cp1252.h"
#include "export_support.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/clsControlFiles.h"
#include "support/fixture.h"

using namespace korvanda;
using namespace exporttest;

namespace {

// One line of exports.txt.
struct GoldenExport {
  std::string line, kind;
  std::map<std::string, std::string> options;
  std::vector<std::string> inputs, expected;
};
void PrintTo(const GoldenExport& g, std::ostream* os) { *os << g.line; }

std::vector<GoldenExport> goldenExports() {
  std::vector<GoldenExport> out;
  std::ifstream in(golden("exports.txt"));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    GoldenExport g{line};
    std::istringstream words(line);
    words >> g.kind;
    std::vector<std::string>* into = nullptr;
    for (std::string w; words >> w;) {
      if (w == "<" || w == ">") into = w == "<" ? &g.inputs : &g.expected;
      else if (into) into->push_back(w);
      else words >> g.options[w];
    }
    out.push_back(g);
  }
  return out;
}

class GoldenFiles : public ExportTest,
                    public ::testing::WithParamInterface<std::tuple<GoldenExport, RecordsetKind>> {
 protected:
  // Runs the export on the golden inputs; returns the paths written.
  std::vector<std::string> run(const GoldenExport& g, RecordsetKind kind) {
    std::vector<RecordsetRef> in;
    for (const auto& name : g.inputs) {
      Table t = readTable(golden(name));
      in.push_back(makeRecordset(t.names, t.rows, kind));
    }
    // Over an older, longer file; a hidden one on the second kind (the existence check may not
    // see it): either way the file starts empty.
    std::vector<std::string> out;
    for (const auto& name : g.expected) {
      out.push_back(path((kind == RecordsetKind::ForwardOnly ? "." : "") + name));
      writeFile(out.back(), std::string(5000, 'X'));
    }
    auto option = [&](const std::string& name, const std::string& otherwise) {
      return g.options.contains(name) ? g.options.at(name) : otherwise;
    };
    auto number = [&](const std::string& name, int otherwise) {
      return static_cast<int16_t>(std::stoi(option(name, std::to_string(otherwise))));
    };
    clsControlFiles files;
    if (g.kind == "dat") {
      EXPECT_TRUE(files.ExportFileDat(out[0], in[0], number("--ramo", 1)));
    } else if (g.kind == "formatob") {
      EXPECT_TRUE(files.ExportFilesFormatoB(out[0], out[1], in[0], in[1]));
    } else if (g.kind == "formatoc") {
      EXPECT_TRUE(files.ExportFileDatFormatoC(out[0], in[0], number("--ramo", 1),
                                              option("--fondo", ""), number("--semestre", 1),
                                              number("--anio", 0), number("--status", 0)));
    } else {
      std::string lines;
      for (const auto& r : readTable(golden(g.inputs[0])).rows) {
        auto arg = [&](size_t i) { return r[i].isNull() ? std::string() : toText(r[i]); };
        auto num = [&](size_t i) { return static_cast<int16_t>(std::stoi(arg(i))); };
        EXPECT_TRUE(
            files.ExportFileDatForCSta(out[0], num(0), num(1), arg(2), num(4), num(5), arg(3)));
        lines += readFile(out[0]);
      }
      writeFile(out[0], lines);
    }
    return out;
  }
};

TEST_P(GoldenFiles, LibraryWritesTheExpectedBytes) {
  const auto& [g, kind] = GetParam();
  SCOPED_TRACE(g.line);
  const auto written = run(g, kind);
  for (size_t i = 0; i < written.size(); ++i)
    EXPECT_EQ(readFile(written[i]), readFile(golden(g.expected[i]))) << g.expected[i];
}

INSTANTIATE_TEST_SUITE_P(Exports, GoldenFiles,
                         ::testing::Combine(::testing::ValuesIn(goldenExports()),
                                            ::testing::Values(RecordsetKind::InMemory,
                                                              RecordsetKind::ForwardOnly)));

// The empty record sets of tests/golden/export/layouts, reached by name as the application
// calls them: fields, order, types, sizes and attributes; empty, open, editable; Null only in
// the fields that take it; and each call a record set of its own.
TEST(EmptyLayouts, AreTheGoldenLayouts) {
  korvanda::testing::Environment env(korvanda::testing::Environment::Options{true, false, true});
  clsControlFiles files;
  auto cat = clsCatValida::create();
  env.clearTrace();
  for (const std::string name :
       {"clsControlFiles.getEmptyRecordsetAgr", "clsControlFiles.getEmptyRecordsetFcAgr",
        "clsCatValida.getEmptyRsSuscSubs", "clsCatValida.getEmptyRsSinAgr"}) {
    SCOPED_TRACE(name);
    Dispatchable& on = name.starts_with("clsCatValida") ? static_cast<Dispatchable&>(*cat) : files;
    auto call = [&] {
      return toObjectOf<Recordset>(on.invoke(name.substr(name.find('.') + 1), kMethod, {}));
    };
    RecordsetRef rs = call(), other = call();
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->state(), 1);
    EXPECT_TRUE(rs->eof() && rs->bof());
    EXPECT_EQ(rs->cursorType(), 2);
    EXPECT_EQ(rs->lockType(), 3);
    std::string layout = "name,type,size,attributes\n";
    rs->addNew();
    for (size_t i = 0; i < rs->fieldCount(); ++i) {
      const FieldInfo& f = rs->field(i);
      layout += f.name + "," + std::to_string(f.type) + "," + std::to_string(f.definedSize) + "," +
                std::to_string(f.attributes) + "\n";
      const int number = errorOf([&] { rs->setValue(i, Null{}); }).number();
      EXPECT_EQ(number == 0, (f.attributes & adFldIsNullable) != 0) << f.name;
    }
    EXPECT_EQ(layout, readFile(golden("layouts/" + name + ".csv")));
    rs->update();
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(other->recordCount(), 0);
  }
  EXPECT_TRUE(env.statements().empty());  // built in memory: no statement reaches a database
}

// The conversion of the export files' lines, as tests/golden/export/cp1252.* have it.
TEST(Cp1252, GoldenTexts) {
  for (bool enie : {false, true}) {
    std::istringstream in(readFile(golden("cp1252.in")));
    std::istringstream expected(readFile(golden(enie ? "cp1252-enie.out" : "cp1252.out")));
    int lines = 0;
    for (std::string text, written; std::getline(in, text) && std::getline(expected, written);
         ++lines) {
      std::string out;
      korvanda::appendCp1252(out, text, enie);
      EXPECT_EQ(out, written) << "line " << lines + 1;
    }
    EXPECT_EQ(lines, 16);
  }
}

}  // namespace
