#include "component/modErrores.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "component/frame.h"
#include "korvanda/textform.h"
#include "core/files.h"

namespace korvanda {
namespace {

// The fixed Spanish messages, by error number.
constexpr std::pair<int32_t, const char*> kMessages[] = {
    {5, "Error de la aplicación, problemas con el sistema operativo"},
    {6, "No se aceptan valores tan grandes dentro del sistema"},
    {7, "El sistema no tiene memoria suficiente, por favor cierre las aplicaciones que no sean necesarias y vuelva a intentarlo."},
    {9, "Se trato de acceder un elemento, no existente."},
    {11, "No se permiten divisiones entre 0"},
    {13, "Los elementos no son del mismo tipo"},
    {14, "El texto es demasiado largo"},
    {17, "No se puede realizar la operación solicitada"},
    {18, "Ocurrió una interrupción del usuario"},
    {48, "Error al cargar el DLL"},
    {49, "Problemas con las versiones de DLL'S"},
    {52, "El nombre de archivo es incorrecto"},
    {53, "No se pudo encontrar el archivo"},
    {54, "No se puede abrir el archivo"},
    {55, "El archivo ya esta abierto"},
    {58, "El archivo ya existe"},
    {61, "El disco esta lleno"},
    {67, "Demasiados archivos abiertos al mismo tiempo, por favor cierre los que no están en uso."},
    {68, "No se encuentra el dispositivo"},
    {70, "El acceso al archivo esta denegado, cambie la propiedad de solo lectura para que pueda utilizarlo."},
    {71, "No hay disco insertado"},
    {75, "No se encontró el archivo en la ruta especificada."},
    {76, "No se encontró el archivo en la ruta especificada."},
    {91, "Variable de objeto no tiene referencia "},
    {94, "No se puede realizar la operación seleccionada sobre un valor vació"},
    {298, "El DLL de sistema especificado no se puede encontrar o esta dañado."},
    {320, "Nombre de archivo invalido."},
    {321, "El formato de archivo esta incorrecto"},
    {335, "No se puede acceder al registro de sistema"},
    {336, "El componente no fue registrado correctamente"},
    {337, "No se puede encontrar el componente"},
    {338, "El componente no funciona correctamente"},
    {360, "El objeto ya a sido cargado"},
    {361, "No se puede cargar o descargar este objeto"},
    {363, "El control especificado no se encuentra"},
    {364, "El objeto fue descargado"},
    {368, "El archivo esta fuera de fecha, Este programa requiere la ultima Versión."},
    {371, "El objeto especificado no se puede utilizar como una forma dueña para mostrarse."},
    {380, "Valor de la propiedad invalida"},
    {381, "Valor del arreglo de la propiedad"},
    {400, "La forma ya esta desplegada no puede mostrarse de manera modal"},
    {419, "No se tienen los permisos suficientes para utilizar este objeto."},
    {424, "Se requiere un objeto, se realizo la llamada a un objeto pero no se tiene la referencia hacia el."},
    {429, "No esta registrado el objeto en el sistema. Se requiere que el objeto se registre y todos los DLL's asociados."},
    {430, "La clase que especificaste en la función getObject o CreateObject  se pudo encontrar pero no tiene una interfase expuesta."},
    {432, "El nombre especificado no se puede encontrar"},
    {438, "El objeto no cuenta con estas propiedades ó métodos"},
    {442, "La conexión con el objeto se rompió"},
    {445, "El objeto no cuenta con estas propiedades ó métodos"},
    {453, "El DLL especificado no pudo encontrarse o la versión registrada es incorrecta."},
    {461, "El nombre del objeto ó miembro esta mal escrito. O el índice esta fuera de rango"},
    {463, "El objeto no esta registrado en el sistema"},
    {481, "La imagen que selecciono no es valida. Favor de intentar con alguna otra."},
    {482, "Existe un error  en la impresora. Favor de verificar que tenga papel y que no esta fuera de línea."},
    {483, "La impresora especificada no cuenta con la funcionalidad que se le esta pidiendo."},
    {484, "Existe un problema con la impresora: No tiene una impresora instalada , Su impresora esta apagada o fuera de línea , Su impresora esta atorada o sin papel."},
    {485, "Tipo de imagen invalida, favor de probar con otra o cambia el tipo de la imagen."},
    {3021, "ADO La consulta no contiene registros y los valores de EOF ó BOF se han alcanzado ó el actual registro fue borrado."},
    {3219, "ADO La operación solicitada por la aplicación no esta permitida en este contexto en la base de datos."},
    {3246, "ADO No se puede cerrar una conexión mientras exista una transacción en proceso"},
    {3251, "ADO La operación solicitada no puede ser realizada por el proveedor. Access o puede ejecutar la instrucción"},
    {3265, "ADO no puede encontrar el nombre ó el campo seleccionado."},
    {3367, "ADO No se puede anexar un objeto que ya esta en la coleccion."},
    {3420, "ADO La referencia del objeto ya no apunta a un objeto valido favor de verificar."},
    {3421, "ADO La aplicación esta utilizando un tipo diferente al de la operación."},
    {3704, "ADO La conexión con la base de datos se encuentra cerrada por lo que no puede realizar la aplicación solicitada."},
    {3705, "ADO La operación solicitada no se puede realizar si la conexión con la BD esta abierta."},
    {3706, "ADO No se encuentra al proveedor especificado."},
    {3707, "ADO La aplicación no puede cambiar la propiedad 'ActiveConnection' de un 'recordset' si la fuente del objeto es tipo 'command' "},
    {3708, "ADO Existe un parámetro mal definido"},
    {3709, "ADO Se solicito una operación hacia un objeto con una conexión cerrada o invalida."},
    {31001, "El sistema no cuenta con memoria suficiente cierre todas las aplicaciones que no se estén utilizando y vuelva a intentarlo."},
    {31004, "No existe el objeto"},
    {31027, "El objeto no esta disponible"},
    {31036, "No se puede salvar el archivo, verifique que tiene espacio suficiente y que el nombre del archivo sea valido."},
    {31037, "No se puede cargar el archivo, verifique el nombre del archivo y que el archivo no se encuentre dañado"},
};

}  // namespace

std::string getDescError(const Error& error) {
  auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), error.number(),
                             [](const auto& entry, int32_t n) { return entry.first < n; });
  if (it != std::end(kMessages) && it->first == error.number()) return it->second;
  return error.description();
}

std::string logDirectory() {
  if (const char* dir = std::getenv("KORVANDA_LOG_DIR"); dir && *dir) {
    std::string d(dir);
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    return d;
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&logDirectory), &info) && info.dli_fname) {
    std::string path(info.dli_fname);
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
  }
  return ".";
}

std::string errorLogPath() { return logDirectory() + "/logFile.log"; }
std::string duplicatesLogPath() { return logDirectory() + "/Errores.log"; }

std::string errorLogLine(const Error& error, std::string_view label) {
  Date t = now();
  std::string line = "Fecha:" + formatDateOnly(t) + " " + formatTimeOnly(t);
  line += "|Modulo:";
  line += label;
  line += "|Numero:" + std::to_string(error.number());
  line += "|Source:" + loggedText(error.source());
  line += "|LastDLLError:" + std::to_string(error.lastSystemError());
  line += "|Desc Alt " + loggedText(getDescError(error));
  return line;
}

void logNotice(std::string_view label, const std::string& text) {
  GrabaLog(errorLogLine(Error(0, errors::kRuntimeSource, text), label));
}

std::string loggedText(std::string_view text) {
  // The cut falls on a character boundary (UTF-8 continuation bytes do not count).
  size_t end = 0, chars = 0;
  while (end < text.size() && chars < kLoggedTextLimit) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++chars;
  }
  const size_t more = utf8Length(text.substr(end));
  std::string out;
  out.reserve(end + 32);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (size_t i = 0; i < end; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else if (c == 0xC2 && i + 1 < end && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      const auto c1 = static_cast<unsigned char>(text[++i]);
      out += "\\u00";
      out.push_back(kHex[c1 >> 4]);
      out.push_back(kHex[c1 & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  if (more > 0) out += "[... " + std::to_string(more) + " more characters]";
  return out;
}

void GrabaLog(const std::string& line) { appendLine(errorLogPath(), line + "\r\n"); }

void ManejaError(const Error& error, std::string_view label) {
  // A log that cannot be written raises its own error in place of this one.
  GrabaLog(errorLogLine(error, label));
  throw error;
}

}  // namespace korvanda
