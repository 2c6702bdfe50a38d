// The records the demo registers, as a capture station hands them to clsCatValida: agricultural
// subscription items, agricultural claims and livestock items of the demo funds, with the
// duplicates a second station sends again.
#pragma once

#include <cstdint>
#include <vector>

#include "demo_portfolio.h"
#include "korvanda/records.h"

namespace korvanda::cli::demo {

std::vector<RegistroAgricola> agricolaRecords(const Period& period);
std::vector<RegistroAgricolaFc> agricolaFcRecords(const Period& period);
std::vector<RegistroGanadero> ganaderoRecords(const Period& period);

// The records sent a second time: the position of each in its list above.
inline constexpr size_t kAgricolaDuplicate = 1;  // reported to "Window": raised
inline constexpr size_t kAgricolaFcDuplicate = 0;  // reported to the duplicates log
inline constexpr size_t kGanaderoDuplicate = 0;    // reported to the duplicates log

}  // namespace korvanda::cli::demo
