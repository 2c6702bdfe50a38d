// The capture record-set layouts that clsControlFiles hands the application.
#pragma once

#include <span>

#include "core/layout.h"

namespace korvanda {

// Agricultural subscription items: 52 fields, mirroring the arguments of insertAgricola.
std::span<const LayoutField> layoutRecordsetAgr();
// Agricultural claim items: 21 fields, mirroring the arguments of insertAgricolaFc.
std::span<const LayoutField> layoutRecordsetFcAgr();

}  // namespace korvanda
