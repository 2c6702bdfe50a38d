// Sample records of the three registration tables, with every argument of the public members.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/clsCatValida.h"
#include "korvanda/records.h"
#include "korvanda/textform.h"
#include "registration/statements.h"

namespace korvanda::test {

// Names with quotes, Ñ and accents; a date with a time of day; the municipality of state 1,
// municipality 5 of the demo data (key 4) and its species 2, function 1 (key 4).
RegistroAgricola sampleAgricola();
RegistroAgricolaFc sampleAgricolaFc();
RegistroGanadero sampleGanadero();

// Lines of a golden file under tests/golden/ whose first tab-separated field is the case, the
// rest of each line split at its tabs; lines starting with '#' are comments.
std::vector<std::vector<std::string>> golden(const std::string& file, const std::string& key);
// The statements of a case in registration/statements.tsv, in order.
std::vector<std::string> goldenStatements(const std::string& key);

// A connection that hands every statement to another one, and runs an action of the test
// just before the first statement that starts with the given text: another station's work
// between two statements of a call. (Statements reach the trace twice through it.) It begins
// no transaction: a database whose transactions lock nothing that another station's statements
// wait for (SQL Server reading committed rows).
class InterposedConnection : public Connection {
 public:
  InterposedConnection(ConnectionRef inner, std::string trigger, std::function<void()> action)
      : inner_(std::move(inner)), trigger_(std::move(trigger)), action_(std::move(action)) {}
  bool fired() const { return fired_; }

  int32_t state() const override { return inner_->state(); }
  void open() override { inner_->open(); }
  void close() override { inner_->close(); }
  RecordsetRef openSchemaTables() override { return inner_->openSchemaTables(); }
  void beginTrans() override {}
  void commitTrans() override {}
  void rollbackTrans() override {}

 protected:
  RecordsetRef run(std::string_view sql) override {
    if (!fired_ && sql.starts_with(trigger_)) {
      fired_ = true;
      action_();
    }
    return inner_->execute(sql);
  }

 private:
  ConnectionRef inner_;
  std::string trigger_;
  std::function<void()> action_;
  bool fired_ = false;
};

// The duplicate description, with its carriage return and six blanks.
inline constexpr const char* kDuplicado =
    "El registro que intenta insertar esta duplicado\r      , verifique e intente nuevamente";

}  // namespace korvanda::test
