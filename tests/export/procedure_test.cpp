// What every export shares: progress, refusals, file failures, separators inside values.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "core/recordset_store.h"
#include "export/procedure.h"
#include "export_support.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
using namespace exporttest;

namespace {

const std::string kNoObject =
    "La informaci\xC3\xB3n que desea exportar debe estar cargada en la pantalla,\r"
    "     capture la informaci\xC3\xB3n o use Abrir en el menu";
const std::string kNoRecords = "No hay informaci\xC3\xB3n para exportar";

// n records of a golden input's fields, the first field "0", "1", ... and the others Null.
RecordsetRef records(const std::string& input, size_t n,
                     RecordsetKind kind = RecordsetKind::InMemory) {
  const std::vector<std::string> names = readTable(golden(input)).names;
  std::vector<std::vector<Variant>> rows(n, std::vector<Variant>(names.size(), Variant(Null{})));
  for (size_t i = 0; i < n; ++i) rows[i][0] = Variant(std::to_string(i));
  return makeRecordset(names, rows, kind);
}
const char *kDat = "dat-ganadero-text.csv", *kC = "formatoc.csv", *kB1 = "formatob-policies.csv",
           *kB2 = "formatob-persons.csv";

class Procedure : public ExportTest {
 protected:
  // Runs an export by its member's name on the record sets given, into b1 (and b2).
  bool run(const std::string& kind, RecordsetRef a, RecordsetRef b) {
    const std::string one = path("b1"), two = path("b2");
    if (kind == "ExportFileDat") return files.ExportFileDat(one, a, 2);
    if (kind == "ExportFilesFormatoB") return files.ExportFilesFormatoB(one, two, a, b);
    if (kind == "ExportFileDatFormatoC") return files.ExportFileDatFormatoC(one, a, 1, "", 1, 1, 1);
    if (kind == "ExportFileDatForCSta")
      return files.ExportFileDatForCSta(one, 2, 1, "F", 1, 2026, "");
    return files.invoke(kind, kMethod,
                        std::vector<Variant>{one, a ? Variant(a) : Variant(), int16_t{2}}) ==
           Variant(true);
  }

  clsControlFiles files;
};

// Without a total (a forward-only source that cannot count) the progress stays at 1.
TEST_F(Procedure, ProgressWithoutATotal) {
  std::vector<int16_t> seen;
  ExportProgress progress([&](int32_t t, int32_t c) { return files.setPercentAdvanceExport(t, c); },
                          [&](int16_t v) { seen.push_back(v); });
  progress.start(-1);
  for (int i = 0; i < 3; ++i) progress.step();
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 1, 1, 1}));
  EXPECT_EQ(progress.count(), 3);
}

// Progress after each line, from 1 whatever it was, and correctFile true again.
TEST_F(Procedure, ProgressOfEachExport) {
  const auto bytes = RecordsetKind::ByteCounted;
  const std::tuple<const char*, RecordsetRef, RecordsetRef, std::vector<int16_t>> cases[] = {
      {"ExportFileDat", records(kDat, 4), nullptr, {1, 25, 50, 75, 100}},
      {"ExportFilesFormatoB",
       records(kB1, 4),
       records(kB2, 4),
       {1, 12, 25, 38, 50, 62, 75, 88, 100}},
      // Policies counted, persons by bytes: the count goes on over both.
      {"ExportFilesFormatoB",
       records(kB1, 4),
       records(kB2, 4, bytes),
       {1, 12, 25, 38, 50, 62, 75, 88, 100}},
      // Both by bytes: over the bytes of both inputs (200 and 600), read one record ahead.
      {"ExportFilesFormatoB",
       records(kB1, 2, bytes),
       records(kB2, 6, bytes),
       {1, 25, 25, 50, 62, 75, 88, 100, 100}},
      {"ExportFileDatFormatoC", records(kC, 2), nullptr, {1, 50, 100}},
      {"ExportFileDatForCSta", nullptr, nullptr, {1, 1}},
  };
  for (const auto& [kind, a, b, expected] : cases) {
    std::vector<int16_t> seen;
    files.onProgress([&](int16_t v) { seen.push_back(v); });
    files.setFileAdvance(77);
    files.setCorrectFile(false);
    EXPECT_TRUE(run(kind, a, b));
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(files.getFileAdvance(), expected.back());
    EXPECT_TRUE(files.getCorrectFile());
  }
}

// No record set, or one without records: the fixed error, logged under the export's label,
// before the refused record set's file is touched; Format B writes its policy file first.
TEST_F(Procedure, RefusalsLeaveTheFilesAlone) {
  struct Case {
    const char* kind;
    RecordsetRef a, b;
    const std::string& description;
    bool policiesWritten = false;
  };
  const Case cases[] = {
      {"ExportFileDat", nullptr, nullptr, kNoObject},
      {"ExportFileDat", records(kDat, 0), nullptr, kNoRecords},
      {"ExportFileDatFormatoC", nullptr, nullptr, kNoObject},
      {"ExportFileDatFormatoC", records(kC, 0), nullptr, kNoRecords},
      {"ExportFilesFormatoB", nullptr, records(kB2, 1), kNoObject},
      {"ExportFilesFormatoB", records(kB1, 0), records(kB2, 1), kNoRecords},
      {"ExportFilesFormatoB", records(kB1, 1), nullptr, kNoObject, true},
      {"ExportFilesFormatoB", records(kB1, 1), records(kB2, 0), kNoRecords, true},
      {"exportfiledat", nullptr, nullptr, kNoObject},  // by name, Empty for the record set
  };
  for (const Case& c : cases) {
    const std::string label = c.kind == std::string("exportfiledat") ? "ExportFileDat" : c.kind;
    SCOPED_TRACE(label + " " + std::to_string(&c - cases));
    writeFile(path("b1"), "previo\r\n");
    writeFile(path("b2"), "previo\r\n");
    writeFile(path("logFile.log"), "");
    files.setCorrectFile(false);
    Error e = errorOf([&] { run(c.kind, c.a, c.b); });
    EXPECT_EQ(e.number(), -2147220503);
    EXPECT_EQ(e.description(), c.description);
    EXPECT_TRUE(files.getCorrectFile());
    EXPECT_EQ(readFile(path("b1")),
              c.policiesWritten ? "0" + std::string(29, '|') + "\r\n" : "previo\r\n");
    EXPECT_EQ(readFile(path("b2")), "previo\r\n");
    if (c.policiesWritten) {
      EXPECT_EQ(files.getFileAdvance(), 50);
    }
    std::string logged = c.description;  // the log writes its CR as the two characters \r
    if (size_t cr = logged.find('\r'); cr != std::string::npos) logged.replace(cr, 1, "\\r");
    EXPECT_NE(logText().find("|Modulo:KORVANDA.clsControlFiles." + label +
                             "|Numero:-2147220503|Source:KORVANDA.clsControlFiles." + label +
                             "|LastDLLError:0|Desc Alt " + logged + "\r\n"),
              std::string::npos)
        << logText();
  }
}

// Failures of the file or the record set: the error, no descriptor left open, no partial file.
TEST_F(Procedure, FileAndRecordsetFailures) {
  ASSERT_EQ(::mkdir(path("d.dat").c_str(), 0755), 0);
  writeFile(path("ro.dat"), "protegido");
  ::chmod(path("ro.dat").c_str(), 0444);
  writeFile(path("g.dat"), "viejo\r\n");
  std::vector<std::string> names = readTable(golden("dat-ganadero-text.csv")).names;
  names.pop_back();  // no tipocambio
  auto closed = records(kDat, 1);
  closed->close();
  // The file, the record set, the error and a part of its description.
  const std::tuple<std::string, RecordsetRef, int32_t, std::string> cases[] = {
      {path("nodir/g.dat"), records(kDat, 1), 76, path("nodir/g.dat")},
      {"/dev/full", records(kDat, 3), 75,
       "Path/File access error: /dev/full is a device, not a regular file"},
      {path("ro.dat"), records(kDat, 1), 70, ""},
      {path("d.dat"), records(kDat, 1), 75, ""},
      {path("g.dat"), makeRecordset(names, {{}}), 3265, "TipoCambio"},
      {path("g.dat"), closed, 3704, ""},
  };
  for (const auto& [file, rs, number, description] : cases) {
    SCOPED_TRACE(file + " " + std::to_string(number));
    writeFile(path("logFile.log"), "");
    const int fds = openDescriptors();
    Error e = errorOf([&] { files.ExportFileDat(file, rs, 2); });
    EXPECT_EQ(e.number(), number);
    EXPECT_NE(e.description().find(description), std::string::npos) << e.description();
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_NE(logText().find("|Modulo:KORVANDA.clsControlFiles.ExportFileDat|Numero:" +
                             std::to_string(number) + "|"),
              std::string::npos);
  }
  EXPECT_EQ(readFile(path("ro.dat")), "protegido");
  // The old file was deleted first; the new one never reached the path.
  EXPECT_FALSE(std::filesystem::exists(path("g.dat")));
}

// A "|", CR or LF inside a value would split the record or shift its fields: each is written
// as a blank, and the export says how many in one log line (none when there were none).
TEST_F(Procedure, SeparatorsInsideValuesAreCountedInTheLog) {
  auto logged = [&](const std::string& label, int blanked, const std::string& file) {
    const std::string log = logText();
    EXPECT_EQ(log.substr(std::min(log.find("|Modulo:"), log.size())),
              blanked == 0 ? ""
                           : "|Modulo:KORVANDA.clsControlFiles." + label +
                                 "|Numero:0|Source:KORVANDA|LastDLLError:0|Desc Alt " +
                                 std::to_string(blanked) +
                                 " separadores (|, CR o LF) dentro de valores se escribieron "
                                 "como blancos en " +
                                 file + "\r\n");
    ::unlink(path("logFile.log").c_str());
  };
  const std::vector<std::string> names = readTable(golden("dat-ganadero-text.csv")).names;
  const std::pair<const char*, int> cases[] = {{"a|b", 2}, {"x\r\ny", 4}, {"|||", 6}, {"sin", 0}};
  for (const auto& [value, blanked] : cases) {
    std::vector<Variant> row(names.size(), Variant(Null{}));
    row.front() = row.back() = Variant(value);
    ASSERT_TRUE(files.ExportFileDat(path("g.dat"), makeRecordset(names, {row}), 2));
    logged("ExportFileDat", blanked, path("g.dat"));
  }
  ASSERT_TRUE(files.ExportFileDatForCSta(path("p.dat"), 2, 1, "F|0\r\n1", 1, 2026, ""));
  logged("ExportFileDatforCst", 3, path("p.dat"));
}

}  // namespace
