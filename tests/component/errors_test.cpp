#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "catalogs/directory.h"
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/modErrores.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
namespace fs = std::filesystem;

namespace {

// Points both logs at a fresh directory for the length of a test.
class LogDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("korvanda-logs-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ::setenv("KORVANDA_LOG_DIR", dir_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string read(const char* name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::vector<std::string> lines(const char* name) {
    std::vector<std::string> out;
    std::string all = read(name);
    size_t start = 0, end;
    while ((end = all.find("\r\n", start)) != std::string::npos) {
      out.push_back(all.substr(start, end - start));
      start = end + 2;
    }
    EXPECT_EQ(start, all.size()) << "a line without CR LF";
    return out;
  }
  fs::path dir_;
};

Error caught(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return Error(0, "", "");
}

const char* kStamp = R"(Fecha:\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)";

}  // namespace

TEST(MessageTable, EveryFixedMessageToTheCharacter) {
  const std::pair<int32_t, const char*> expected[] = {
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
  for (const auto& [number, message] : expected)
    EXPECT_EQ(getDescError(Error(number, "s", "own")), message) << number;
  EXPECT_EQ(std::size(expected), 76u);
}

TEST(MessageTable, UnknownNumbersKeepTheirOwnDescription) {
  EXPECT_EQ(getDescError(Error(-2147220503, ".getCatalogos", "El catalogo solicitado no existe")),
            "El catalogo solicitado no existe");
  EXPECT_EQ(getDescError(Error(8, "x", "own text")), "own text");
  EXPECT_EQ(getDescError(Error(-2147217900, "x", "provider said no")), "provider said no");
}

TEST_F(LogDir, ManejaErrorWritesOneLineAndRaisesTheSameError) {
  Error in(-2147220503, ".getCatalogos", "El catalogo solicitado no existe");
  Error out = caught([&] { ManejaError(in, "KORVANDA.clsCatValida.getCatalogos"); });
  EXPECT_EQ(out.number(), in.number());
  EXPECT_EQ(out.source(), in.source());
  EXPECT_EQ(out.description(), in.description());
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      l[0], std::regex(std::string(kStamp) +
                       R"(\|Modulo:KORVANDA\.clsCatValida\.getCatalogos\|Numero:-2147220503)"
                       R"(\|Source:\.getCatalogos\|LastDLLError:0\|Desc Alt El catalogo solicitado no existe)")))
      << l[0];
}

TEST_F(LogDir, NestedFramesLogInnermostFirstAndKeepTheInnerError) {
  Error out = caught([] {
    frame("KORVANDA.clsCatValida.outer", [] {
      frame("KORVANDA.ModGlobal.inner", [] { throw errors::subscriptOutOfRange(); });
    });
  });
  EXPECT_EQ(out.number(), 9);
  EXPECT_EQ(out.description(), "Subscript out of range");
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_NE(l[0].find("|Modulo:KORVANDA.ModGlobal.inner|Numero:9|Source:KORVANDA|"),
            std::string::npos);
  EXPECT_NE(l[1].find("|Modulo:KORVANDA.clsCatValida.outer|Numero:9|"), std::string::npos);
  EXPECT_NE(l[1].find("|Desc Alt Se trato de acceder un elemento, no existente."),
            std::string::npos);
}

TEST_F(LogDir, ALogThatCannotBeWrittenReplacesTheError) {
  ::setenv("KORVANDA_LOG_DIR", (dir_ / "missing" / "dir").c_str(), 1);
  Error out = caught([] { frame("KORVANDA.x.y", [] { throw errors::overflow(); }); });
  EXPECT_EQ(out.number(), 76);
  EXPECT_NE(out.lastSystemError(), 0);
  ::setenv("KORVANDA_LOG_DIR", "/dev/full", 1);  // not a directory
  EXPECT_NE(caught([] { ManejaError(errors::overflow(), "KORVANDA.x.y"); }).number(), 6);
}

TEST_F(LogDir, ConcurrentLinesNeverMix) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 150; ++i) {
        try {
          frame("KORVANDA.thread" + std::to_string(t),
                [&] { throw Error(1000 + t, "src", std::string(200, char('a' + t))); });
        } catch (const Error&) {
        }
      }
    });
  for (auto& th : threads) th.join();
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 8u * 150u);
  std::regex shape(std::string(kStamp) + R"(\|Modulo:KORVANDA\.thread(\d)\|Numero:100\d\|Source:src\|LastDLLError:0\|Desc Alt ([a-h])\2{199})");
  for (const auto& line : l) EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

TEST_F(LogDir, DuplicatesLogLine) {
  GrabaFileErrores(1009, "El registro de constancia=123 esta duplicado", 0);
  GrabaFileErrores(2011, "El registro de constancia=O'Brien esta duplicado", 0);
  auto l = lines("Errores.log");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_TRUE(std::regex_match(
      l[0], std::regex(R"(1009\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|El registro de constancia=123 esta duplicado)")))
      << l[0];
  EXPECT_EQ(l[1].substr(0, 5), "2011|");
  EXPECT_TRUE(read("logFile.log").empty());
}

TEST_F(LogDir, DuplicatesLogFailureIsLoggedUnderItsLabel) {
  fs::create_directories(dir_ / "Errores.log");  // a directory where the file should be
  Error out = caught([] { GrabaFileErrores(1009, "m", 0); });
  EXPECT_EQ(out.number(), 75);
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_NE(l[0].find("|Modulo:KORVANDA.ModGlobal.GrabaFileErrores|Numero:75|"),
            std::string::npos);
}

// Control characters in logged texts are escaped, so no text adds or breaks a line; a text
// longer than kLoggedTextLimit characters is cut with a marker; the rest is written as it is.
TEST(LoggedText, EscapesControlsAndCutsLongTexts) {
  const std::string ene = "\xC3\xB1";  // one character, two bytes
  std::string thousandEnes;
  std::string newlines;  // a thousand escaped LFs
  for (int i = 0; i < 1000; ++i) thousandEnes += ene, newlines += "\\n";
  const std::pair<std::string, std::string> cases[] = {
      {"P-1\r\n1009|01/01/2026 00:00:00|0|forjada", "P-1\\r\\n1009|01/01/2026 00:00:00|0|forjada"},
      {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
      {std::string("\x00\x01\x1B\x1F\x7F", 5), "\\x00\\x01\\x1B\\x1F\\x7F"},
      {"NEL\xC2\x85" "fin\xC2\x9F", "NEL\\u0085fin\\u009F"},
      {"Pe" + ene + "a O'Brien \\r C:\\x \xC2\xA0", "Pe" + ene + "a O'Brien \\r C:\\x \xC2\xA0"},
      {std::string(1000, 'a'), std::string(1000, 'a')},
      {std::string(1001, 'a'), std::string(1000, 'a') + "[... 1 more characters]"},
      {std::string(1000000, '\n'), newlines + "[... 999000 more characters]"},
      {thousandEnes + ene + ene, thousandEnes + "[... 2 more characters]"},
      {"", ""},
  };
  for (const auto& [text, logged] : cases) EXPECT_EQ(loggedText(text), logged) << text.substr(0, 40);
}

TEST_F(LogDir, LoggedTextsNeverForgeALine) {
  // A certificate text with CR LF cannot add a line to Errores.log.
  GrabaFileErrores(1009, "El registro de constancia=P-1\r\n1009|01/01/2026 00:00:00|0|X esta duplicado", 0);
  auto dup = lines("Errores.log");
  ASSERT_EQ(dup.size(), 1u);
  EXPECT_TRUE(dup[0].ends_with("|0|El registro de constancia=P-1\\r\\n1009|01/01/2026 00:00:00|0|X esta duplicado"))
      << dup[0];
  // Nor can a source or a description (here a megabyte of one) add one to logFile.log; the
  // error itself reaches the caller unchanged.
  const std::string huge = "Type mismatch: \"x\r\ny" + std::string(1000000, 'z') + "\"";
  Error out = caught([&] { frame("KORVANDA.x.y", [&] { throw Error(-7, "fuente\n", huge); }); });
  EXPECT_EQ(out.description(), huge);
  EXPECT_EQ(out.source(), "fuente\n");
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      l[0], std::regex(std::string(kStamp) + R"(\|Modulo:KORVANDA\.x\.y\|Numero:-7\|Source:fuente\\n\|LastDLLError:0)"
                       R"(\|Desc Alt Type mismatch: "x\\r\\nyz{980}\[\.\.\. 999021 more characters\])")))
      << l[0].substr(0, 200);
}

TEST(ExisteArchivo, OnlyOrdinaryVisibleFiles) {
  fs::path d = fs::temp_directory_path() / ("korvanda-exists-" + std::to_string(::getpid()));
  fs::create_directories(d);
  std::ofstream(d / "a.txt") << "x";
  std::ofstream(d / ".hidden") << "x";
  EXPECT_TRUE(ExisteArchivo((d / "a.txt").string()));
  EXPECT_FALSE(ExisteArchivo((d / ".hidden").string()));
  EXPECT_FALSE(ExisteArchivo(d.string()));
  EXPECT_FALSE(ExisteArchivo((d / "none").string()));
  EXPECT_FALSE(ExisteArchivo(""));
  EXPECT_FALSE(ExisteArchivo(std::string("bad\0name", 8)));
  fs::remove_all(d);
}

TEST(CatalogDirectory, TablesAndCodeColumns) {
  EXPECT_EQ(nameTablesCat(13), "CATCTIPOPRACTICA");
  EXPECT_EQ(nameTablesCat(18), "SUBCTIPOSEG");
  EXPECT_EQ(nameTablesCat(19), "SUBCBIMESTRE");
  EXPECT_EQ(nameTablesCat(21), "SUBCSTATUS");
  EXPECT_EQ(nameClaveTablesCat(12), "cveCiclo");
  EXPECT_EQ(nameClaveTablesCat(17), "cveCiclo");
  EXPECT_EQ(nameClaveTablesCat(11), "cveMoneda");
  EXPECT_EQ(nameClaveTablesCat(14), "cveTipoendoso");
  for (int16_t id : {3, 7, 15, 16, 18, 19, 20, 21}) {
    EXPECT_FALSE(nameTablesCat(id).empty()) << id;
    EXPECT_EQ(nameClaveTablesCat(id), "") << id;
  }
  for (int16_t id : {0, 22, -1, 32767, -32768}) {
    EXPECT_EQ(nameTablesCat(id), "") << id;
    EXPECT_EQ(nameClaveTablesCat(id), "") << id;
  }
}

TEST(ProgressRule, ExamplesAndLimits) {
  clsControlFiles files;
  EXPECT_EQ(files.getFileAdvance(), 1);
  EXPECT_TRUE(files.getCorrectFile());
  EXPECT_EQ(files.setPercentAdvanceExport(3, 1), 33);
  EXPECT_EQ(files.setPercentAdvanceExport(3, 2), 67);
  EXPECT_EQ(files.setPercentAdvanceExport(200, 1), 1);  // 0.5 to even is 0, then the floor
  EXPECT_EQ(files.setPercentAdvanceExport(5, 5), 100);
  EXPECT_EQ(files.setPercentAdvanceExport(8, 1), 12);   // 12.5 to even
  EXPECT_EQ(files.setPercentAdvanceExport(8, 3), 38);   // 37.5 to even
  EXPECT_EQ(files.setPercentAdvanceExport(0, 5), 1);
  EXPECT_EQ(files.setPercentAdvanceExport(-1, 5), 1);
  EXPECT_EQ(files.setPercentAdvanceExport(4, 9), 100);
  EXPECT_EQ(files.setPercentAdvanceExport(4, 0), 1);
  for (int count = 1; count <= 4; ++count)
    EXPECT_EQ(files.setPercentAdvanceExport(4, count), 25 * count);
  EXPECT_EQ(files.setPercentAdvanceImport(3, 2), 67);
  EXPECT_EQ(files.setPercentAdvanceExport(INT32_MAX, INT32_MAX), 100);
}
