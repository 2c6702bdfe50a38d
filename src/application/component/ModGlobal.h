// The shared module: the per-thread connection slot and the routines every class shares.
#pragma once

#include <cstdint>
#include <string>

#include "korvanda/connection.h"

namespace korvanda {

// The shared connection of this thread: made, or reopened when closed, as needed.
ConnectionRef getOpenConnection();
// Runs a statement without rows on the shared connection.
bool EjecutaQuerySinResultado(const std::string& statement);
// Whether an ordinary file is at the path; never fails.
bool ExisteArchivo(const std::string& path);
// Appends "code|date time|extra|message" to the duplicates log.
void GrabaFileErrores(int16_t code, const std::string& message, int16_t extra);

namespace slot {
// This thread's shared connection slot.
ConnectionRef& current();
// Runs the connection sequence and stores the new connection in the slot.
void connect();
}  // namespace slot

}  // namespace korvanda
