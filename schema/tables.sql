-- KORVANDA embedded database: tables, view and indexes.
-- Types are SQL Server's; every text column compares as SQL Server's default collation does
-- (COLLATE KV_CI_AS: letter case and trailing blanks ignored, accents kept apart; the engine and
-- the T-SQL extension register it), dates are stored as ISO-8601 text ('yyyy-mm-dd HH:MM:SS').
-- Columns declared INTEGER PRIMARY KEY are keys the database assigns.
--
-- Catalogs (catalog identifier of the directory in brackets)
--   CATCCLIENTES [1]        ceding funds: key PkCedente, code cveCte, fund code cveFondo
--   CATCCULTIVO [2]         crops
--   SUBREDOREG [3]          states by region
--   CATCESPECIES [4]        livestock species
--   CATCESTADO [5]          the 32 states (INEGI codes)
--   CATCFUNCIONES [6]       livestock functions (meat, milk...)
--   SUBRGPOCUL [7]          crop groups
--   CATCMUNICIPIO [8]       municipalities: key PkMunicipio (PKMpio is the same key), codes cveEstado/CveMunicipio
--   CATCRAMO [9]            lines of insurance
--   CATCRIESGOS [10]        risks
--   SUBHMONEDAS [11]        exchange rates by currency and date
--   CATRESPECIEFUNCION [12] species and function pairs of the catalog
--   CATCTIPOPRACTICA [13]   practice types (irrigated, rain-fed)
--   CATCTIPOENDOSO [14]     endorsement types
--   SUBCDIASINHABILES [15]  non-working days
--   SUBCSUBSIDIO [16]       subsidy percentages by state and crop
--   CATCMONEDA [17]         currencies
--   SUBCTIPOSEG [18]        insurance types
--   SUBCBIMESTRE [19]       two-month periods
--   SUBMCONSECEXPFC [20]    claims export consecutives (no unique key: a consecutive may repeat)
--   SUBCSTATUS [21]         statuses
-- Reference tables
--   CATCTIPOCULTIVO         crop types and their practice type
--   CATRENDOSORAMO          endorsement types admitted by each line
--   CATRCLASIFICAENDOSO     classification of endorsement types
--   CATRESPECIEUMEDIDA      unit of measure of each species
--   CATRRIESGORAMO          risks of each line
--   CATDCONSEJOCEDENTE      council president of each ceding fund
--   COTDPAQUETESRIESGOS     risk packages and their risk lists
--   CATCLOCALIDAD           localities (Agregada marks an added one)
--   CATCTIPOVIAL            road types
--   CATCPARAMGENERALES      per-fund parameters (NomParam/ValorParam)
--   CATCPRODUCTOS           products and their sub-line (PkSubramo)
--   SUBCMUNICIPIO           municipalities known to the subsidy side
--   SUBRESPFUN              livestock species-and-function keys
--   SUBCTCOBER              coverage cycles by line
--   SUBCFONDOSANEXOH        funds of annex H with start and limit dates
--   SUBDCOORDENADASFC       geographic coordinates of claim items (read by getCoordenadasFormatoC)
-- Certificates, quotations and collections
--   FONMPROGRAMAS           programmes: fund, cycle, crop, crop type, product
--   SOLMCONSTANCIA          certificates (CveConstancia is the number the outside sees)
--   SOLDINCISO              items of a certificate (CveInciso)
--   SOLDENDOSO              movements of an item: type 0 initial, others endorsements
--   SICICSOCIOS             insured parties and their address
--   SICIMCOBRANZA           premium collections; EnviadoSubsidio marks a sent payment
--   COTCCOTIZAGRL           quotations (risk package, cycle, sub-line)
--   COTCCOTIZARGO           risks of a quotation
--   SINMAJUSTESIN           claim adjustments
--   solrpagoendoso          endorsement payments (view SOLRPAGOSENDOSO reads it)
-- Registration
--   SUBMAGRICOLA            agricultural subscription records (unique on the duplicate key)
--   SUBMAGRICOLAFC          agricultural claim records (unique on the duplicate key)
--   SUBMGANADERO            livestock subscription records (key written by the library)
--   SUBCONSENVIADAS         sent register of subscription items (a second row is allowed)
--   SUBCONSENVIADASFC       sent register of claim items (a second row is allowed)

-- Catalogs ---------------------------------------------------------------------------------

CREATE TABLE CATCCLIENTES (
  PkCedente SMALLINT NOT NULL PRIMARY KEY,
  cveCte INT NOT NULL,
  cveFondo VARCHAR(10) COLLATE KV_CI_AS,
  NomCliente VARCHAR(150) COLLATE KV_CI_AS
);
CREATE INDEX IX_CATCCLIENTES_cveCte ON CATCCLIENTES (cveCte);
CREATE INDEX IX_CATCCLIENTES_cveFondo ON CATCCLIENTES (cveFondo);

CREATE TABLE CATCCULTIVO (
  PKCultivo SMALLINT NOT NULL PRIMARY KEY,
  CveCultivo SMALLINT NOT NULL,
  NomCultivo VARCHAR(100) COLLATE KV_CI_AS
);
CREATE INDEX IX_CATCCULTIVO_CveCultivo ON CATCCULTIVO (CveCultivo);

CREATE TABLE SUBREDOREG (
  cveEstado SMALLINT NOT NULL,
  cveRegion SMALLINT NOT NULL,
  NomRegion VARCHAR(100) COLLATE KV_CI_AS,
  PRIMARY KEY (cveEstado, cveRegion)
);

CREATE TABLE CATCESPECIES (
  pkespecie SMALLINT NOT NULL PRIMARY KEY,
  cveEspecie SMALLINT NOT NULL,
  nomEspecie VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE CATCESTADO (
  PKEstado SMALLINT NOT NULL PRIMARY KEY,
  CveEstado SMALLINT NOT NULL,
  NomEstado VARCHAR(50) COLLATE KV_CI_AS,
  Abreviatura VARCHAR(10) COLLATE KV_CI_AS
);
CREATE INDEX IX_CATCESTADO_CveEstado ON CATCESTADO (CveEstado);

CREATE TABLE CATCFUNCIONES (
  pkFuncion SMALLINT NOT NULL PRIMARY KEY,
  cveFuncion SMALLINT NOT NULL,
  nomFuncion VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE SUBRGPOCUL (
  cveGrupo SMALLINT NOT NULL,
  cveCultivo SMALLINT NOT NULL,
  NomGrupo VARCHAR(100) COLLATE KV_CI_AS,
  PRIMARY KEY (cveGrupo, cveCultivo)
);

CREATE TABLE CATCMUNICIPIO (
  PkMunicipio SMALLINT NOT NULL PRIMARY KEY,
  PKMpio SMALLINT GENERATED ALWAYS AS (PkMunicipio) VIRTUAL,
  PkEstado SMALLINT NOT NULL,
  cveEstado SMALLINT NOT NULL,
  CveMunicipio SMALLINT NOT NULL,
  NomMunicipio VARCHAR(100) COLLATE KV_CI_AS
);
CREATE UNIQUE INDEX UX_CATCMUNICIPIO_codigo ON CATCMUNICIPIO (cveEstado, CveMunicipio);
CREATE INDEX IX_CATCMUNICIPIO_PkEstado ON CATCMUNICIPIO (PkEstado, CveMunicipio);

CREATE TABLE CATCRAMO (
  PkRamo SMALLINT NOT NULL PRIMARY KEY,
  cveRamo SMALLINT NOT NULL,
  NomRamo VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE CATCRIESGOS (
  PKRiesgo SMALLINT NOT NULL PRIMARY KEY,
  cveRiesgo SMALLINT NOT NULL,
  NomRiesgo VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE SUBHMONEDAS (
  cveMoneda SMALLINT NOT NULL,
  Fecha DATETIME NOT NULL,
  TipoCambio DECIMAL(10,4) NOT NULL,
  PRIMARY KEY (cveMoneda, Fecha)
);

CREATE TABLE CATRESPECIEFUNCION (
  cveCiclo SMALLINT NOT NULL PRIMARY KEY,
  cveEspecie SMALLINT NOT NULL,
  cveFuncion SMALLINT NOT NULL
);

CREATE TABLE CATCTIPOPRACTICA (
  PKTipoPractica SMALLINT NOT NULL PRIMARY KEY,
  PKTCultivo SMALLINT NOT NULL,
  CveTipoCultivo SMALLINT NOT NULL,
  NomTipoPractica VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE CATCTIPOENDOSO (
  pkTipoEndoso SMALLINT NOT NULL PRIMARY KEY,
  CveTipoEndoso SMALLINT NOT NULL,
  nomTipoEndoso VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE SUBCDIASINHABILES (
  ANIO SMALLINT NOT NULL,
  Fecha DATETIME NOT NULL,
  Descripcion VARCHAR(100) COLLATE KV_CI_AS,
  PRIMARY KEY (ANIO, Fecha)
);

CREATE TABLE SUBCSUBSIDIO (
  cveEstado SMALLINT NOT NULL,
  cveCultivo SMALLINT NOT NULL,
  Porcentaje DECIMAL(5,2) NOT NULL,
  PRIMARY KEY (cveEstado, cveCultivo)
);

CREATE TABLE CATCMONEDA (
  cveCiclo SMALLINT NOT NULL PRIMARY KEY,
  NomMoneda VARCHAR(50) COLLATE KV_CI_AS,
  Simbolo VARCHAR(5) COLLATE KV_CI_AS
);

CREATE TABLE SUBCTIPOSEG (
  cveTipoSeguro SMALLINT NOT NULL PRIMARY KEY,
  NomTipoSeguro VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE SUBCBIMESTRE (
  cveBimestre SMALLINT NOT NULL PRIMARY KEY,
  NomBimestre VARCHAR(50) COLLATE KV_CI_AS,
  MesIni SMALLINT NOT NULL,
  MesFin SMALLINT NOT NULL
);

CREATE TABLE SUBMCONSECEXPFC (
  pkConsec INT NOT NULL,
  cveFondo VARCHAR(10) COLLATE KV_CI_AS,
  cveRamo SMALLINT,
  Semestre SMALLINT,
  Anio SMALLINT,
  Estatus SMALLINT
);
CREATE INDEX IX_SUBMCONSECEXPFC_pkConsec ON SUBMCONSECEXPFC (pkConsec);

CREATE TABLE SUBCSTATUS (
  cveStatus SMALLINT NOT NULL PRIMARY KEY,
  NomStatus VARCHAR(50) COLLATE KV_CI_AS
);

-- Reference tables -------------------------------------------------------------------------

CREATE TABLE CATCTIPOCULTIVO (
  PKTipoCultivo SMALLINT NOT NULL PRIMARY KEY,
  NomTipoCultivo VARCHAR(100) COLLATE KV_CI_AS,
  PKTipoPractica SMALLINT NOT NULL
);

CREATE TABLE CATRENDOSORAMO (
  cveTipoEndoso SMALLINT NOT NULL,
  cveRamo SMALLINT NOT NULL,
  PRIMARY KEY (cveRamo, cveTipoEndoso)
);

CREATE TABLE CATRCLASIFICAENDOSO (
  pkendoso SMALLINT NOT NULL PRIMARY KEY,
  clasificacion SMALLINT NOT NULL
);

CREATE TABLE CATRESPECIEUMEDIDA (
  pkespecie SMALLINT NOT NULL PRIMARY KEY,
  unidadmedida VARCHAR(50) COLLATE KV_CI_AS
);

CREATE TABLE CATRRIESGORAMO (
  pkriesgo SMALLINT NOT NULL,
  pkramo SMALLINT NOT NULL,
  PRIMARY KEY (pkramo, pkriesgo)
);

CREATE TABLE CATDCONSEJOCEDENTE (
  pkcedente SMALLINT NOT NULL PRIMARY KEY,
  apPatPdte VARCHAR(50) COLLATE KV_CI_AS,
  apMatPdte VARCHAR(50) COLLATE KV_CI_AS,
  nomPdte VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE COTDPAQUETESRIESGOS (
  Cvepaquete VARCHAR(20) COLLATE KV_CI_AS NOT NULL PRIMARY KEY,
  listariesgos VARCHAR(255) COLLATE KV_CI_AS
);

CREATE TABLE CATCLOCALIDAD (
  PkEstado SMALLINT NOT NULL,
  CveMunicipio SMALLINT NOT NULL,
  CveLocalidad VARCHAR(4) COLLATE KV_CI_AS NOT NULL,
  NomLocalidad VARCHAR(100) COLLATE KV_CI_AS,
  Agregada TINYINT NOT NULL DEFAULT 0,
  PRIMARY KEY (PkEstado, CveMunicipio, CveLocalidad)
);

CREATE TABLE CATCTIPOVIAL (
  CveTipoVial VARCHAR(4) COLLATE KV_CI_AS NOT NULL PRIMARY KEY,
  NomTipoVial VARCHAR(50) COLLATE KV_CI_AS
);

CREATE TABLE CATCPARAMGENERALES (
  PkCedente SMALLINT NOT NULL,
  NomParam VARCHAR(100) COLLATE KV_CI_AS NOT NULL,
  ValorParam VARCHAR(255) COLLATE KV_CI_AS,
  PRIMARY KEY (PkCedente, NomParam)
);

CREATE TABLE CATCPRODUCTOS (
  PkProducto SMALLINT NOT NULL PRIMARY KEY,
  PkSubramo SMALLINT NOT NULL,
  NomProducto VARCHAR(100) COLLATE KV_CI_AS
);

CREATE TABLE SUBCMUNICIPIO (
  pkmunicipio SMALLINT NOT NULL PRIMARY KEY,
  cveEstado SMALLINT NOT NULL,
  cvemunicipio SMALLINT NOT NULL,
  NomMunicipio VARCHAR(100) COLLATE KV_CI_AS
);
CREATE INDEX IX_SUBCMUNICIPIO_codigo ON SUBCMUNICIPIO (cveEstado, cvemunicipio);

CREATE TABLE SUBRESPFUN (
  pkespfun SMALLINT NOT NULL PRIMARY KEY,
  cveEspecie SMALLINT NOT NULL,
  cveFuncion SMALLINT NOT NULL
);
CREATE INDEX IX_SUBRESPFUN_codigo ON SUBRESPFUN (cveEspecie, cveFuncion);

CREATE TABLE SUBCTCOBER (
  cveciclo SMALLINT NOT NULL PRIMARY KEY,
  cveRamo SMALLINT NOT NULL,
  cicloInicio VARCHAR(4) COLLATE KV_CI_AS NOT NULL,
  cicloFin VARCHAR(4) COLLATE KV_CI_AS NOT NULL
);
CREATE INDEX IX_SUBCTCOBER_ciclo ON SUBCTCOBER (cveRamo, cicloInicio, cicloFin);

CREATE TABLE SUBCFONDOSANEXOH (
  CveFondo VARCHAR(10) COLLATE KV_CI_AS NOT NULL,
  CicloIni SMALLINT NOT NULL,
  CicloFin SMALLINT NOT NULL,
  FechaInicio DATETIME,
  FechaLimite DATETIME,
  PRIMARY KEY (CicloIni, CicloFin, CveFondo)
);

CREATE TABLE SUBDCOORDENADASFC (
  CicloIni SMALLINT NOT NULL,
  CicloFin SMALLINT NOT NULL,
  CveConstancia INT NOT NULL,
  CveInciso INT NOT NULL,
  Coordenadas VARCHAR(250) COLLATE KV_CI_AS NOT NULL,
  PRIMARY KEY (CicloIni, CicloFin, CveConstancia, CveInciso)
);

-- Certificates, quotations and collections -------------------------------------------------

CREATE TABLE FONMPROGRAMAS (
  PkPrograma INTEGER PRIMARY KEY,
  PkCedente SMALLINT NOT NULL,
  CicloIni SMALLINT NOT NULL,
  CicloFin SMALLINT NOT NULL,
  PkCultivo SMALLINT,
  PkTipoCultivo SMALLINT,
  PkProducto SMALLINT
);
CREATE INDEX IX_FONMPROGRAMAS_ciclo ON FONMPROGRAMAS (CicloIni, CicloFin, PkCedente);

CREATE TABLE COTCCOTIZAGRL (
  PkCotizacion INTEGER PRIMARY KEY,
  PaqueteRiesgos VARCHAR(150) COLLATE KV_CI_AS,
  cicloini SMALLINT,
  ciclofin SMALLINT,
  pksubramo SMALLINT,
  pkvariante SMALLINT
);

CREATE TABLE COTCCOTIZARGO (
  pkcotizacion INT NOT NULL,
  pkriesgo SMALLINT NOT NULL,
  PRIMARY KEY (pkcotizacion, pkriesgo)
);

CREATE TABLE SOLMCONSTANCIA (
  PkConstancia INTEGER PRIMARY KEY,
  CveConstancia INT NOT NULL,
  PkPrograma INT NOT NULL,
  pkcotizacion INT
);
CREATE INDEX IX_SOLMCONSTANCIA_CveConstancia ON SOLMCONSTANCIA (CveConstancia);
CREATE INDEX IX_SOLMCONSTANCIA_PkPrograma ON SOLMCONSTANCIA (PkPrograma);

CREATE TABLE SOLDINCISO (
  PkInciso INTEGER PRIMARY KEY,
  PkConstancia INT NOT NULL,
  CveInciso INT NOT NULL,
  inciso INT,
  pktipoendoso SMALLINT NOT NULL DEFAULT 0,
  PkCedente SMALLINT NOT NULL,
  PkSocio INT,
  PkEstado SMALLINT,
  PkMunicipio SMALLINT,
  paterno VARCHAR(50) COLLATE KV_CI_AS,
  materno VARCHAR(50) COLLATE KV_CI_AS,
  nombre VARCHAR(255) COLLATE KV_CI_AS,
  identificacion VARCHAR(30) COLLATE KV_CI_AS
);
CREATE INDEX IX_SOLDINCISO_PkConstancia ON SOLDINCISO (PkConstancia, CveInciso);

CREATE TABLE SOLDENDOSO (
  PkEndoso INTEGER PRIMARY KEY,
  pkconstancia INT NOT NULL,
  PkInciso INT NOT NULL,
  CveEndoso INT NOT NULL DEFAULT 0,
  PkTipoEndoso SMALLINT NOT NULL,
  PkCedente SMALLINT NOT NULL,
  PkEstado SMALLINT,
  PkMunicipio SMALLINT,
  PkCotizacion INT,
  PkSocioSubsidio INT,
  VigenciaIni DATETIME,
  VigenciaFin DATETIME,
  SuperficieAseg DECIMAL(18,4),
  SumaAsegTotal MONEY,
  PrimaAseg MONEY,
  PrimaGobFed MONEY,
  PrimaTotal MONEY,
  FechaModif DATETIME,
  cobroAseg MONEY,
  tipoCambio DECIMAL(10,4),
  fechaCobro DATETIME
);
CREATE INDEX IX_SOLDENDOSO_PkInciso ON SOLDENDOSO (PkInciso, PkTipoEndoso);
CREATE INDEX IX_SOLDENDOSO_PkTipoEndoso ON SOLDENDOSO (PkTipoEndoso, FechaModif);

CREATE TABLE SICICSOCIOS (
  PkCedente SMALLINT NOT NULL,
  PkSocio INT NOT NULL,
  PkTipoSocio SMALLINT,
  Paterno VARCHAR(50) COLLATE KV_CI_AS,
  Materno VARCHAR(50) COLLATE KV_CI_AS,
  Nombre VARCHAR(255) COLLATE KV_CI_AS,
  CURP VARCHAR(18) COLLATE KV_CI_AS,
  RFC VARCHAR(20) COLLATE KV_CI_AS,
  TipoVialidad VARCHAR(4) COLLATE KV_CI_AS,
  Calle VARCHAR(255) COLLATE KV_CI_AS,
  NoExt VARCHAR(20) COLLATE KV_CI_AS,
  NoExtAlf VARCHAR(20) COLLATE KV_CI_AS,
  NumExterior2 VARCHAR(40) COLLATE KV_CI_AS,
  NoInt VARCHAR(20) COLLATE KV_CI_AS,
  NoIntAlf VARCHAR(20) COLLATE KV_CI_AS,
  TipoAsentamiento VARCHAR(4) COLLATE KV_CI_AS,
  Poblacion VARCHAR(255) COLLATE KV_CI_AS,
  CodPostal VARCHAR(5) COLLATE KV_CI_AS,
  Localidad VARCHAR(4) COLLATE KV_CI_AS,
  PKMunicipioDom INT,
  PKEstadoDom INT,
  TipoVialidad1 VARCHAR(4) COLLATE KV_CI_AS,
  NomVialidad1 VARCHAR(255) COLLATE KV_CI_AS,
  TipoVialidad2 VARCHAR(4) COLLATE KV_CI_AS,
  NomVialidad2 VARCHAR(255) COLLATE KV_CI_AS,
  TipoVialidadPosterior VARCHAR(4) COLLATE KV_CI_AS,
  NomVialidadPosterior VARCHAR(255) COLLATE KV_CI_AS,
  Ubicacion VARCHAR(255) COLLATE KV_CI_AS,
  TipoLocalizacion CHAR(1) COLLATE KV_CI_AS,
  Carretera VARCHAR(255) COLLATE KV_CI_AS,
  Camino VARCHAR(255) COLLATE KV_CI_AS,
  PRIMARY KEY (PkCedente, PkSocio)
);

CREATE TABLE SICIMCOBRANZA (
  PkCobranza INTEGER PRIMARY KEY,
  PKInciso INT NOT NULL,
  PkEndoso INT NOT NULL DEFAULT 0,
  NumPago SMALLINT NOT NULL DEFAULT 1,
  ImportePagado MONEY,
  fechaPago DATETIME,
  TipoCambio DECIMAL(10,4),
  EnviadoSubsidio BIT NOT NULL DEFAULT 0
);
CREATE INDEX IX_SICIMCOBRANZA_inciso ON SICIMCOBRANZA (PKInciso, PkEndoso);
CREATE INDEX IX_SICIMCOBRANZA_enviado ON SICIMCOBRANZA (EnviadoSubsidio, fechaPago);

CREATE TABLE SINMAJUSTESIN (
  PkAjuste INTEGER PRIMARY KEY,
  PKInciso INT NOT NULL,
  PkRiesgo SMALLINT NOT NULL,
  SupSinPP DECIMAL(18,4) NOT NULL DEFAULT 0,
  SupSinPT DECIMAL(18,4) NOT NULL DEFAULT 0,
  IndemNetaPP MONEY NOT NULL DEFAULT 0,
  IndemNetaPT MONEY NOT NULL DEFAULT 0,
  fechaPago DATETIME,
  StatusAprobado SMALLINT NOT NULL DEFAULT 0
);
CREATE INDEX IX_SINMAJUSTESIN_pago ON SINMAJUSTESIN (StatusAprobado, fechaPago);
CREATE INDEX IX_SINMAJUSTESIN_inciso ON SINMAJUSTESIN (PKInciso);

CREATE TABLE solrpagoendoso (
  pkpagoendoso INT NOT NULL PRIMARY KEY,
  pkconstancia INT NOT NULL,
  pkendoso INT NOT NULL,
  pkinciso INT NOT NULL,
  primaCaseg MONEY,
  primaCgobFed MONEY,
  primaCtotal MONEY,
  fechaPago DATETIME,
  hectareas DECIMAL(18,4),
  tipoCambio DECIMAL(10,4),
  moneda SMALLINT,
  numeroPago SMALLINT NOT NULL
);
CREATE INDEX IX_solrpagoendoso_busqueda ON solrpagoendoso (pkconstancia, pkendoso, pkinciso, numeroPago);

CREATE VIEW SOLRPAGOSENDOSO AS SELECT * FROM solrpagoendoso;

-- Registration -----------------------------------------------------------------------------

CREATE TABLE SUBMAGRICOLA (
  pkagricola INTEGER PRIMARY KEY,
  poliza VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  endoso VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  cveTipoEndoso SMALLINT NOT NULL,
  Inciso INT NOT NULL,
  apPaterno VARCHAR(50) COLLATE KV_CI_AS,
  apMaterno VARCHAR(50) COLLATE KV_CI_AS,
  Nombres VARCHAR(255) COLLATE KV_CI_AS,
  identificacion VARCHAR(25) COLLATE KV_CI_AS,
  pkmunicipio SMALLINT,
  ciclo VARCHAR(15) COLLATE KV_CI_AS NOT NULL,
  cveCultivo SMALLINT NOT NULL,
  cveTipoCultivo SMALLINT,
  vigenciaAsegIni DATETIME,
  vigenciaAsegFin DATETIME,
  superficieAseg DECIMAL(18,4),
  sumaAsegurada MONEY,
  primaEaseg MONEY,
  primaEgobFed MONEY,
  primaCaseg MONEY,
  primaCgobFed MONEY,
  totalemitido MONEY,
  totalcobrado MONEY,
  numPagoIni SMALLINT,
  numPagoFin SMALLINT,
  fecPago DATETIME,
  tipoCambio DECIMAL(10,4),
  riesgos VARCHAR(100) COLLATE KV_CI_AS,
  observaciones VARCHAR(255) COLLATE KV_CI_AS,
  mesSolicitud SMALLINT,
  anioSolicitud SMALLINT,
  PkCedente SMALLINT NOT NULL,
  TipoSeguro SMALLINT,
  RFC VARCHAR(20) COLLATE KV_CI_AS,
  TipoVialidad VARCHAR(4) COLLATE KV_CI_AS,
  NomVialidad VARCHAR(255) COLLATE KV_CI_AS,
  NumExterior1 VARCHAR(40) COLLATE KV_CI_AS,
  NumExterior2 VARCHAR(40) COLLATE KV_CI_AS,
  NumInterior VARCHAR(40) COLLATE KV_CI_AS,
  TipoAsentamiento VARCHAR(4) COLLATE KV_CI_AS,
  NomAsentamiento VARCHAR(255) COLLATE KV_CI_AS,
  CodPostal VARCHAR(5) COLLATE KV_CI_AS,
  Localidad VARCHAR(4) COLLATE KV_CI_AS,
  MunicipioDom INT,
  EstadoDom INT,
  EntreVialidades VARCHAR(1000) COLLATE KV_CI_AS,
  VialidadPosterior VARCHAR(500) COLLATE KV_CI_AS,
  DescUbicacion VARCHAR(255) COLLATE KV_CI_AS,
  TipoLocalizacion CHAR(1) COLLATE KV_CI_AS,
  Carretera VARCHAR(255) COLLATE KV_CI_AS,
  Camino VARCHAR(255) COLLATE KV_CI_AS,
  PkSocio INT,
  PkEndoso INT,
  AnioVigenciaMovInicial SMALLINT
);
CREATE UNIQUE INDEX UX_SUBMAGRICOLA_duplicado
  ON SUBMAGRICOLA (poliza, endoso, cveTipoEndoso, Inciso, cveCultivo, PkCedente, ciclo);

CREATE TABLE SUBMAGRICOLAFC (
  pkagricolaFc INTEGER PRIMARY KEY,
  Periodo SMALLINT NOT NULL,
  Anio SMALLINT NOT NULL,
  poliza VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  Inciso INT NOT NULL,
  apPaterno VARCHAR(50) COLLATE KV_CI_AS,
  apMaterno VARCHAR(50) COLLATE KV_CI_AS,
  Nombres VARCHAR(255) COLLATE KV_CI_AS,
  pkmunicipio SMALLINT,
  cveCultivo SMALLINT,
  cveTipoCultivo SMALLINT,
  ciclo VARCHAR(15) COLLATE KV_CI_AS,
  FecPagoIndem DATETIME,
  Indemnizacion MONEY,
  PkRiesgo SMALLINT,
  SuperfSinies DECIMAL(18,4),
  mesSolicitud SMALLINT,
  anioSolicitud SMALLINT,
  PkCedente SMALLINT NOT NULL,
  TipoSeguro SMALLINT,
  CURP VARCHAR(50) COLLATE KV_CI_AS,
  RFC VARCHAR(50) COLLATE KV_CI_AS,
  Coordenadas VARCHAR(250) COLLATE KV_CI_AS
);
CREATE UNIQUE INDEX UX_SUBMAGRICOLAFC_duplicado
  ON SUBMAGRICOLAFC (poliza, Inciso, Periodo, Anio, PkCedente);

CREATE TABLE SUBMGANADERO (
  pkGanadero INTEGER PRIMARY KEY,
  poliza VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  endoso VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  cveTipoEndoso SMALLINT NOT NULL,
  Inciso INT NOT NULL,
  apPaterno VARCHAR(50) COLLATE KV_CI_AS,
  apMaterno VARCHAR(50) COLLATE KV_CI_AS,
  Nombres VARCHAR(255) COLLATE KV_CI_AS,
  identificacion VARCHAR(25) COLLATE KV_CI_AS,
  pkmunicipio SMALLINT,
  pkespfun SMALLINT,
  AnioContrata SMALLINT,
  vigenciaAsegIni DATETIME,
  vigenciaAsegFin DATETIME,
  cabezasaseg INT,
  unidadesaseg DECIMAL(18,4),
  sumaAsegurada MONEY,
  primaEaseg MONEY,
  primaEgobFed MONEY,
  primaCaseg MONEY,
  primaCgobFed MONEY,
  totalEmitido MONEY,
  totalCobrado MONEY,
  numPagoIni SMALLINT,
  numPagoFin SMALLINT,
  fecPago DATETIME,
  tipoCambio DECIMAL(10,4),
  observaciones VARCHAR(255) COLLATE KV_CI_AS,
  mesSolicitud SMALLINT,
  anioSolicitud SMALLINT,
  cveFondo VARCHAR(10) COLLATE KV_CI_AS
);
CREATE INDEX IX_SUBMGANADERO_duplicado
  ON SUBMGANADERO (poliza, endoso, cveTipoEndoso, Inciso, pkespfun, cveFondo);

CREATE TABLE SUBCONSENVIADAS (
  pkenviado INTEGER PRIMARY KEY,
  PkCedente SMALLINT NOT NULL,
  poliza VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  endoso VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  TipoEndoso SMALLINT NOT NULL,
  Inciso INT NOT NULL,
  mes SMALLINT NOT NULL,
  CicloIni SMALLINT NOT NULL,
  CicloFin SMALLINT NOT NULL,
  AnioSolic SMALLINT
);
CREATE INDEX IX_SUBCONSENVIADAS_registro
  ON SUBCONSENVIADAS (PkCedente, poliza, endoso, TipoEndoso, Inciso, mes, CicloIni, CicloFin);
CREATE INDEX IX_SUBCONSENVIADAS_mes ON SUBCONSENVIADAS (CicloIni, CicloFin, PkCedente, mes);

CREATE TABLE SUBCONSENVIADASFC (
  pkenviadaFc INTEGER PRIMARY KEY,
  PkCedente SMALLINT NOT NULL,
  Periodo SMALLINT NOT NULL,
  Anio SMALLINT NOT NULL,
  poliza VARCHAR(30) COLLATE KV_CI_AS NOT NULL,
  Inciso INT NOT NULL
);
CREATE INDEX IX_SUBCONSENVIADASFC_registro
  ON SUBCONSENVIADASFC (PkCedente, Periodo, Anio, poliza, Inciso);
