// A small portfolio written straight into a test database (bypassing the library), so the
// certificate selections can be checked row by row. Keys: a certificate's PkConstancia and its
// one item's PkInciso are both its number.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace korvanda::testing {

// "'yyyy-mm-dd 00:00:00'": how the embedded database stores a date.
std::string isoDate(int y, int m, int d);

class Portfolio {
 public:
  explicit Portfolio(const std::string& file);
  void exec(const std::string& sql);

  // Funds 7 and 8, cycle 2025/2026 (programmes 1 of fund 7 and 2 of fund 8) and 2024/2025
  // (programme 3 of fund 7); one municipality; road types; insured parties 1 (type 3, full
  // address) and 2 (type 1, no cross streets) of fund 7, 3 of fund 8; the 2019 rules date of
  // fund 7.
  void references(const std::string& liberacionFund7);

  // A certificate with one item (CveInciso 1) of an insured party.
  void certificate(int number, int programme, int socio = 1, int cedente = 7);
  struct Movement {
    int pk = 0;
    int certificate = 0;
    int cveEndoso = 0;
    int tipo = 0;
    std::string vigenciaIni;            // an isoDate
    double primaGobFed = 100;
    std::string fechaModif = "NULL";    // an isoDate or NULL
    int cedente = 7;
    int socioSubsidio = 1;
  };
  void movement(const Movement& m);
  // A payment of the certificate's item; pkEndoso 0 for an initial movement.
  void payment(int pk, int certificate, int pkEndoso, const std::string& fechaPago,
               int enviado = 0);

 private:
  struct Close {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
  };
  std::unique_ptr<sqlite3, Close> db_;
};

}  // namespace korvanda::testing
