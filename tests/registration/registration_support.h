// Sample records of the three registration tables, with every argument of the public members.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// The INSERT of sampleAgricola(), municipality key 4.
inline constexpr const char* kSampleAgricolaInsert =
    "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA ( poliza ,endoso ,cveTipoEndoso ,Inciso"
    " ,apPaterno ,apMaterno ,Nombres ,identificacion ,pkmunicipio ,ciclo ,cveCultivo"
    " ,cveTipoCultivo ,vigenciaAsegIni ,vigenciaAsegFin ,superficieAseg ,sumaAsegurada"
    " ,primaEaseg ,primaEgobFed ,primaCaseg ,primaCgobFed ,totalemitido ,totalcobrado"
    " ,numPagoIni ,numPagoFin ,fecPago ,tipoCambio ,riesgos ,observaciones ,mesSolicitud"
    " ,anioSolicitud ,PkCedente ,TipoSeguro ,RFC ,TipoVialidad ,NomVialidad ,NumExterior1"
    " ,NumExterior2 ,NumInterior ,TipoAsentamiento ,NomAsentamiento ,CodPostal ,Localidad"
    " ,MunicipioDom ,EstadoDom ,EntreVialidades ,VialidadPosterior ,DescUbicacion"
    " ,TipoLocalizacion ,Carretera ,Camino ,PkSocio ,PkEndoso ,AnioVigenciaMovInicial )"
    " values( 'AG-0001' ,'0' ,1 ,3 ,'O''Brien' ,'Núñez' ,'José María' ,'ID-1' ,4"
    " ,'PV2026' ,5 ,2 ,'01/04/2026' ,'31/10/2026 13:05:09' ,12.5 ,150000 ,1234.56 ,0.1"
    " ,-3.25 ,2000 ,100 ,99.99 ,1 ,-2 ,'15/05/2026' ,17.1234 ,'1,2,3' ,'' ,4 ,2026 ,12"
    " ,2 ,'XAXX010101000' ,'CALLE' ,'Niños Héroes' ,'12' ,'' ,'B' ,'COL' ,'Centro'"
    " ,'01000' ,'0001' ,'15' ,'9' ,'a y b' ,'c' ,'d' ,'U' ,'' ,'' ,7 ,123456 ,2026 )";

// The INSERT of sampleAgricolaFc(), municipality key 4.
inline constexpr const char* kSampleAgricolaFcInsert =
    "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLAFC ( Periodo ,Anio ,poliza ,Inciso"
    " ,apPaterno ,apMaterno ,Nombres ,pkmunicipio ,cveCultivo ,cveTipoCultivo ,ciclo"
    " ,FecPagoIndem ,Indemnizacion ,PkRiesgo ,SuperfSinies ,mesSolicitud ,anioSolicitud"
    " ,PkCedente ,TipoSeguro ,CURP ,RFC ,Coordenadas ) values(2 ,2026 ,'FC-''9' ,4"
    " ,'Peña' ,'Ibáñez' ,'Ana' ,4 ,5 ,2 ,'OI2025' ,'30/09/2026 08:30:00' ,45678.9 ,3"
    " ,7.25 ,10 ,2026 ,12 ,1 ,'CURP01' ,'RFC01' ,'19.4,-99.1' )";

// The INSERT of sampleGanadero() as the first row: row key 1, municipality key 4,
// species-and-function key 4.
inline constexpr const char* kSampleGanaderoInsert =
    "INSERT INTO SUBMGANADERO ( pkGanadero ,poliza ,endoso ,cveTipoEndoso ,Inciso"
    " ,apPaterno ,apMaterno ,Nombres ,identificacion ,pkmunicipio ,pkespfun"
    " ,AnioContrata ,vigenciaAsegIni ,vigenciaAsegFin ,cabezasaseg ,unidadesaseg"
    " ,sumaAsegurada ,primaEaseg ,primaEgobFed ,primaCaseg ,primaCgobFed ,totalEmitido"
    " ,totalCobrado ,numPagoIni ,numPagoFin ,fecPago ,tipoCambio ,observaciones"
    " ,mesSolicitud ,anioSolicitud ,cveFondo ) values(1 ,'GA-0001' ,'0' ,1 ,2"
    " ,'Muñoz' ,'D''Arcy' ,'Íñigo' ,'ID-9' ,4 ,4 ,2026 ,'03/04/2026'"
    " ,'02/04/2027 18:00:00' ,250 ,250.5 ,500000 ,1500.75 ,3000.25 ,0 ,0 ,4501 ,4501"
    " ,1 ,1 ,'05/04/2026' ,1 ,'sin observaciones' ,4 ,2026 ,'F01' )";

// A connection that hands every statement to another one, and runs an action of the test
// just before the first statement that starts with the given text: another station's work
// between two statements of a call. (Statements reach the trace twice through it.)
class InterposedConnection : public Connection {
 public:
  // Without transactions, it stands for a database whose transactions lock nothing that
  // another station's statements wait for (SQL Server reading committed rows).
  InterposedConnection(ConnectionRef inner, std::string trigger, std::function<void()> action,
                       bool transactions = true)
      : inner_(std::move(inner)), trigger_(std::move(trigger)), action_(std::move(action)),
        transactions_(transactions) {}
  bool fired() const { return fired_; }

  int32_t state() const override { return inner_->state(); }
  void open() override { inner_->open(); }
  void close() override { inner_->close(); }
  RecordsetRef openSchemaTables() override { return inner_->openSchemaTables(); }
  void beginTrans() override {
    if (transactions_) inner_->beginTrans();
  }
  void commitTrans() override {
    if (transactions_) inner_->commitTrans();
  }
  void rollbackTrans() override {
    if (transactions_) inner_->rollbackTrans();
  }

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
  bool transactions_;
  bool fired_ = false;
};

// The duplicate description, with its carriage return and six blanks.
inline constexpr const char* kDuplicado =
    "El registro que intenta insertar esta duplicado\r      , verifique e intente nuevamente";

}  // namespace korvanda::test
