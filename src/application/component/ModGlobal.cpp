#include "component/ModGlobal.h"

#include "component/frame.h"
#include "korvanda/textform.h"
#include "core/files.h"

namespace korvanda {

bool ExisteArchivo(const std::string& path) {
  try {
    return isOrdinaryFile(path);
  } catch (...) {
    return false;
  }
}

void GrabaFileErrores(int16_t code, const std::string& message, int16_t extra) {
  frame("KORVANDA.ModGlobal.GrabaFileErrores", [&] {
    Date t = now();
    std::string line = std::to_string(code) + "|" + formatDateOnly(t) + " " + formatTimeOnly(t) +
                       "|" + std::to_string(extra) + "|" + loggedText(message) + "\r\n";
    appendLine(duplicatesLogPath(), line);
  });
}

}  // namespace korvanda
