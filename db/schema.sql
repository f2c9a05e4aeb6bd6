/*
  Tables of the capsule-weight module and the suite tables it reads.

  Run against an existing dialect 3 database whose default character set is
  WIN1252. The suite tables carry the columns the module knows by name; the
  suite database has no foreign keys between them, so neither does this one.
*/

set sql dialect 3;

/* ---------------------------------------------------------------------------
   Module tables
   ------------------------------------------------------------------------- */

/* One row per weighed filled capsule of a formula. */
create table PESOMED (
  ID_PESOMED          integer not null,
  CHAVE               varchar(20),
  ESTACAO             varchar(3) not null,
  NPEDIDO             integer not null,
  NFORMULA            integer not null,
  NUMCAP              integer not null,
  CODPEDIDO           integer,
  PESO                double precision,
  VARIACAOPESO        double precision,
  VARIACAOPESOPERC    double precision,
  QUADRADOSUBTRACOES  double precision,
  OBS                 varchar(200),
  PACIENTE            varchar(100),
  RESULTADO           varchar(100),
  DESVIOMEDIO         double precision,
  PESOTEORICO         decimal(15,8),
  constraint PK_PESOMED primary key (ID_PESOMED)
);

/* The weighings of one formula, and the report's join by text key. */
create index IDX_PESOMED_FORMULA on PESOMED (ESTACAO, NPEDIDO, NFORMULA);
create index IDX_PESOMED_CHAVE on PESOMED (CHAVE);

/* One row per analysed formula: statistics and verdict. */
create table RPESOMED (
  ID_RPESOMED     integer not null,
  CHAVE           varchar(20),
  ESTACAO         varchar(3) not null,
  NPEDIDO         integer not null,
  NFORMULA        integer not null,
  CODPEDIDO       integer,
  QDECAPS         integer,
  PESOMEDIO       double precision,
  DESVIOPADRAO    double precision,
  COEFVARIACAO    double precision,
  RESULTADO       varchar(100),
  MOTIVOS         varchar(200),
  PACIENTE        varchar(100),
  VARIANCIA       double precision,
  PESOTOTAL       double precision,
  MAXIMO          double precision,
  MINIMO          double precision,
  AMPLITUDE       double precision,
  VALORTEORICO    double precision,
  PRECISAO        double precision,
  TOTAL_CAPSULAS  integer,
  MEDIA           double precision,
  DATA_EMISSAO    date,
  DATA_ULT_ALT    date,
  MANIPULADOR     varchar(60),
  VARTEORMIN      decimal(15,8),
  VARTEORMAX      decimal(15,8),
  constraint PK_RPESOMED primary key (ID_RPESOMED)
);

create index IDX_RPESOMED_FORMULA on RPESOMED (ESTACAO, NPEDIDO, NFORMULA);
create index IDX_RPESOMED_CHAVE on RPESOMED (CHAVE);

/* Empty-capsule lots: 20 weighings and their average. No identifier column;
   a lot is known by supplier code, lot number and capsule size. */
create table PESCAVAZ (
  CODFORN    varchar(4) not null,
  LOTE       varchar(30) not null,
  TAMCAP     varchar(3) not null,
  PESOMEDIO  decimal(15,3),
  P01        decimal(15,3),
  P02        decimal(15,3),
  P03        decimal(15,3),
  P04        decimal(15,3),
  P05        decimal(15,3),
  P06        decimal(15,3),
  P07        decimal(15,3),
  P08        decimal(15,3),
  P09        decimal(15,3),
  P10        decimal(15,3),
  P11        decimal(15,3),
  P12        decimal(15,3),
  P13        decimal(15,3),
  P14        decimal(15,3),
  P15        decimal(15,3),
  P16        decimal(15,3),
  P17        decimal(15,3),
  P18        decimal(15,3),
  P19        decimal(15,3),
  P20        decimal(15,3),
  constraint UQ_PESCAVAZ unique (CODFORN, LOTE, TAMCAP)
);

/* ---------------------------------------------------------------------------
   Suite tables (read only for the module)
   ------------------------------------------------------------------------- */

/* Customer orders. */
create table PEDIDOS (
  ESTACAO               varchar(3) not null,
  NPEDIDO               integer not null,
  NOME                  varchar(40),
  ENDER1                varchar(40),
  ENDER2                varchar(40),
  FONE                  varchar(30),
  MEDICO                varchar(40),
  ESTACAOCLIENTE        varchar(3),
  CODIGOCLIENTE         integer,
  DATAPEDIDO            date,
  HORAPEDIDO            time,
  RECEBIDOPOR           varchar(20),
  ENTREGUEPOR           varchar(20),
  DATAENTREGA           date,
  HORAENTREGA           time,
  TIPOPEDIDO            varchar(20),
  QDEFORMULAS           integer,
  PRECOFINAL            decimal(15,2),
  PRECOTOTAL            decimal(15,2),
  USASUBSTCONTR         varchar(1),
  CUPOMFISCAL           varchar(10),
  JANOLIVRO             varchar(1),
  CRM                   varchar(20),
  OBS1                  varchar(200),
  OBS2                  varchar(200),
  VETF                  varchar(1),
  CONVENIO              varchar(20),
  DESCPERC              decimal(15,2),
  DESCONTO              decimal(15,2),
  SINAL                 decimal(15,2),
  VALORRESTANTE         decimal(15,2),
  VENCIMENTO            date,
  PAGO                  varchar(1),
  DATAPAGAMENTO         date,
  PRONTO                varchar(1),
  ENTREGUE              varchar(1),
  IMPORTADO             varchar(1),
  REFERENCIA            varchar(20),
  EMPRESA               varchar(40),
  MATRICULA             varchar(20),
  FORMAPAGAMENTO        varchar(20),
  CODENTREGA            integer,
  SITENTREGA            varchar(20),
  CUSTO                 decimal(15,2),
  VENDEDOR              varchar(20),
  CAIXA                 varchar(3),
  CAIXAQ                varchar(3),
  LABORATORIO           varchar(20),
  ACRESCPERC            decimal(15,2),
  NPED                  integer,
  NCF                   varchar(20),
  DATA_CONF_ENTREGA     date,
  TIPODOCUMENTO         varchar(20),
  NUMDOCUMENTO          varchar(20),
  ORGAOEXPEDIDOR        varchar(10),
  UFEMISSAODOCUMENTO    varchar(2),
  CONSELHOPROFISSIONAL  varchar(10),
  UFCONSELHO            varchar(2),
  PACIENTE              varchar(40),
  FONEPACIENTE          varchar(30),
  CCF                   varchar(10),
  CODLIVRO              integer,
  constraint PK_PEDIDOS primary key (ESTACAO, NPEDIDO)
);

/* Date search and the order-type filters of the order lists. */
create index IDX_PEDIDOS_DATAPEDIDO on PEDIDOS (DATAPEDIDO);
create index IDX_PEDIDOS_TIPOPEDIDO on PEDIDOS (TIPOPEDIDO);

/* Formulas of an order. */
create table PEDIFORM (
  ESTACAO             varchar(3) not null,
  NPEDIDO             integer not null,
  NFORMULA            integer not null,
  FORMAFARMA          varchar(20),
  POSOLOGIA           varchar(100),
  PRECOFORMULA        decimal(15,2),
  QDECAPSULAS         integer,
  QDEROTULOS          integer,
  TAMROTULO           varchar(10),
  VALIDADE            date,
  VOLUMETOTAL         decimal(15,3),
  UNIDADE             varchar(3),
  USO                 varchar(20),
  ROTULO              varchar(200),
  USASUBSTCONTR       varchar(1),
  LIVRO               varchar(1),
  CODLIVRO            integer,
  VOLUME_MIN          decimal(15,3),
  VOLUME_MAX          decimal(15,3),
  DESDOBRAMENTO       varchar(1),
  PRONTO              varchar(1),
  ENTREGUE            varchar(1),
  OBSERVACAO          varchar(200),
  IMPORTADO           varchar(1),
  PADRAOPRECO         varchar(3),
  ROTPRONTO           varchar(1),
  CONFERIDO           varchar(1),
  DATAPROXPED         date,
  QUANTIDADEDIAS      integer,
  NOMEFORMULA         varchar(40),
  OBSDOSAGEM          varchar(200),
  GRUPOF              varchar(3),
  QDEGOTASCALC        integer,
  QDEGOTASSOLIC       integer,
  CUSTOFORMULA        decimal(15,2),
  ODESPE              decimal(15,2),
  ODCILI              decimal(15,2),
  ODEIXO              integer,
  ODADIC              decimal(15,2),
  OEESPE              decimal(15,2),
  OECILI              decimal(15,2),
  OEEIXO              integer,
  OEADIC              decimal(15,2),
  LOTE                varchar(30),
  FORMULA             varchar(200),
  PROCED_MANIP        varchar(200),
  PROCED_MANIP2       varchar(200),
  NUMERONOTIFICACAO   varchar(20),
  DATAPRESCRICAO      date,
  USO_SNGPC           varchar(1),
  QDE_CAPS_PRESCRITA  integer,
  RESF_TRANSPORTE     varchar(1),
  LABORATORIO         varchar(20),
  NUMDAV              varchar(20),
  constraint PK_PEDIFORM primary key (ESTACAO, NPEDIDO, NFORMULA)
);

/* The order lists join on the dosage form. */
create index IDX_PEDIFORM_FORMAFARMA on PEDIFORM (FORMAFARMA);

/* Components of a formula. The suite keeps no unique key here. */
create table COMPEDID (
  ESTACAO             varchar(2) not null,
  NPEDIDO             integer not null,
  NFORMULA            integer not null,
  COMPONENTE          varchar(40) not null,
  QDE                 double precision,
  UNID                varchar(3),
  VALOR               decimal(15,8),
  COMPONENTEDIG       varchar(40),
  QDEDIG              double precision,
  UNIDDIG             varchar(3),
  GRUPO               varchar(5),
  USADO               varchar(1),
  ORDEM               integer,
  TIPOPEDIDO          varchar(3),
  CONTROLADA          varchar(3),
  JANOLIVRO           varchar(1),
  IMPORTADO           varchar(1),
  VALIDADE            decimal(15,8),
  FORMULAPREDEFINIDA  varchar(3),
  GRUPOF              varchar(3),
  CODIGOCOMP          varchar(20),
  QDEGOTASCALC        integer,
  QDEGOTASSOLIC       integer,
  CODIGO              varchar(13),
  CUSTO               decimal(15,8),
  TEMPOMANIP          integer,
  LOTE                varchar(30),
  FORNECEDOR          varchar(35),
  CUSTOFIXO           decimal(15,8),
  USAR_FORMPRECO      varchar(1),
  DCB                 varchar(15),
  REGMSMEDICAM        varchar(15),
  QDEESTOQUE          decimal(15,8),
  VALIDADELOTE        date,
  DENSIDADE           decimal(15,8),
  FATORCORRECAO       decimal(15,8),
  FATORDILUICAO       decimal(15,8)
);

create index IDX_COMPEDID_FORMULA on COMPEDID (ESTACAO, NPEDIDO, NFORMULA, ORDEM);

/* Suppliers. Lots of empty capsules refer to CODIGO; stock lots and
   formula components name the supplier by NOMEFANTASIA. */
create table FORNECED (
  CODIGO           varchar(4) not null,
  NOME             varchar(40),
  NOMEFANTASIA     varchar(40),
  ENDERECO         varchar(40),
  COMPLEMENTO      varchar(40),
  CEP              varchar(10),
  CIDADE           varchar(30),
  ESTADO           varchar(2),
  TEL              varchar(30),
  FAX              varchar(20),
  E_MAIL           varchar(40),
  SITE             varchar(40),
  CNPJ             varchar(20),
  IE               varchar(20),
  IM               varchar(20),
  PRAZO_PAGAMENTO  integer,
  constraint PK_FORNECED primary key (CODIGO)
);

create index IDX_FORNECED_NOMEFANTASIA on FORNECED (NOMEFANTASIA);
create index IDX_FORNECED_NOME on FORNECED (NOME);

/* Stock lots. */
create table ESTLOTE (
  DESCRICAO      varchar(70),
  LOTE           varchar(30) not null,
  FORNECEDOR     varchar(35) not null,
  CODIGO         varchar(13) not null,
  SALDOPREVISTO  decimal(15,8),
  SALDOCORRENTE  decimal(15,8),
  UNIDADE        varchar(5),
  CODIGOEAN      varchar(13),
  FABRICANTE     varchar(35),
  VALIDADE       date,
  SITUACAO       varchar(10),
  DENSIDADE      decimal(15,8),
  FATORCORRECAO  decimal(15,8),
  LABORATORIO    varchar(20) not null,
  CONTROLADA     varchar(3),
  constraint PK_ESTLOTE primary key (CODIGO, LOTE, FORNECEDOR, LABORATORIO)
);

/* Look-up of a lot by number, and the lot picker by supplier. */
create index IDX_ESTLOTE_LOTE on ESTLOTE (LOTE);
create index IDX_ESTLOTE_FORNECEDOR on ESTLOTE (FORNECEDOR);

commit;
