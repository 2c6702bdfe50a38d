// The certificate record-set layouts that clsCatValida hands the application.
#pragma once

#include <span>

#include "core/layout.h"

namespace korvanda {

// Subscription certificates: 50 fields.
std::span<const LayoutField> layoutRsSuscSubs();
// Agricultural claims certificates: 24 fields.
std::span<const LayoutField> layoutRsSinAgr();

}  // namespace korvanda
