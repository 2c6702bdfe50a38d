// The demo's capture data: the certificates, items, movements and payments of the demo fund, as
// the capture system stores them, for the month the demo works on.
#pragma once

#include <cstdint>
#include <string>

namespace korvanda::cli::demo {

// The month the demo works on: the current month of the local clock (the certificate selection
// only takes movements whose validity starts in the current year).
struct Period {
  int year = 0;
  int month = 0;
  int day = 0;  // today
  int16_t semester() const { return month <= 6 ? 1 : 2; }
  // "yyyy-mm-dd 00:00:00" of a day of the month, never after today.
  std::string paymentDate(int dayOfMonth) const;
};
Period currentPeriod();

// Fund 1 ("F001") of the demo catalogs; its programmes of the portfolio run over the cycle
// year/year.
inline constexpr int16_t kCedente = 1;
// The livestock fund of the demo catalogs.
inline constexpr const char* kFondoGanadero = "F002";

// The portfolio as a batch of INSERTs (ISO dates) that a connection to the embedded database
// runs, for the period:
//   certificate 5001 (1 item)   initial movement paid this month              due
//   certificate 5002 (1 item)   initial movement paid, an increase of the
//                               insured sum paid, a decrease not paid yet     2 due
//   certificate 5003 (1 item)   initial movement paid                         due
//   certificate 5004 (2 items)  both initial movements paid                   2 due
//   certificate 5005 (1 item)   paid and already sent in an earlier delivery  not due
//   certificate 5006 (1 item)   paid after the month                          not due
std::string portfolioSql(const Period& period);
// The movements of the portfolio that the monthly selection gives.
inline constexpr int kDueMovements = 6;

}  // namespace korvanda::cli::demo
