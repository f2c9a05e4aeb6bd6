/*
  History of the capsule-weight module's tables: every insert, update and
  delete of PESOMED, RPESOMED and PESCAVAZ, whichever program makes it, is
  recorded by triggers in HISTPESO (one row per written row) and HISTPESOCAMPO
  (the columns that changed, before and after, as text). History rows cannot
  be changed or deleted.

  Safe to run again on a database that has it: the tables, their rows and the
  sequence are kept, the triggers and procedures are replaced. It creates only
  objects named HISTPESO* and GEN_HISTPESO and changes nothing else.

  What a program tells the triggers (context variables, RDB$SET_CONTEXT):

  Once per connection, namespace USER_SESSION (changed whenever they change):
    PESOMED_OPERADOR      the operator ("Manipulador") at this workstation;
                          goes into HISTPESO.MANIPULADOR of every row.
    PESOMED_USUARIO_SO    the operating-system user as the program knows it
                          (HISTPESO.USUARIO_SO_INFORMADO).
    PESOMED_COMPUTADOR    the computer name as the program knows it
                          (HISTPESO.COMPUTADOR_INFORMADO).
  What the server itself knows is recorded beside them: network address and
  host name of the client, its process and process id (RDB$GET_CONTEXT
  'SYSTEM'), the operating-system user the client library sent
  (MON$ATTACHMENTS.MON$REMOTE_OS_USER, read once per connection) and the
  database user.

  With the write itself, namespace USER_TRANSACTION, set in the same EXECUTE
  BLOCK as the INSERT or UPDATE of PESOMED, so that no request is added. The
  next PESOMED insert or update of the transaction records them and removes
  them:
    PESOMED_ORIGEM        where the weight came from: 'DIGITADO' (typed) or
                          'BALANCA' (read from the balance); HISTPESO.ORIGEM.
    PESOMED_BALANCA       model of the balance (HISTPESO.BALANCA).
    PESOMED_NUMSERIE      serial number of the balance (HISTPESO.NUMSERIE).
    PESOMED_LEITURA       the line the balance sent, as received
                          (HISTPESO.LEITURA).
  The analysis marks its write of the result record the same way:
    PESOMED_ANALISE       any value: the next RPESOMED insert or update of the
                          transaction is the analysis; its history row has
                          ACAO 'ANALISE' with the sample size (QDECAPS) in
                          AMOSTRA and the verdict (RESULTADO) in VEREDITO. The
                          variable is removed once recorded.

  HISTPESO.ACAO: 'INCLUSAO', 'ALTERACAO', 'EXCLUSAO' or 'ANALISE'.
  HISTPESO.REGISTRO names the row in words ("Estação 01, pedido 1234,
  fórmula 2, cápsula 3"; "Fornecedor 0012, lote L0, tamanho 0"); the same key
  is kept in columns of its own for searching. HISTPESOCAMPO holds one row per
  changed column (all non-null columns of an inserted or deleted row): ANTES
  and DEPOIS as Firebird writes the values as text (numbers with a point,
  dates as yyyy-mm-dd), null for null. ID_HISTPESO grows with every row, in
  the order the writes were made.

  The history never refuses a write: when recording one fails, a row with
  ACAO 'FALHA' tells it, with the error code and the history row written in
  part, if any.

  Load with the connection character set UTF8 (isql -ch UTF8).
*/

set sql dialect 3;
set term ^ ;

/* Tables, sequence and indexes: created once, kept afterwards. */
execute block as
begin
  if (not exists(select 1 from RDB$GENERATORS where RDB$GENERATOR_NAME = 'GEN_HISTPESO')) then
    execute statement 'create sequence GEN_HISTPESO';
  if (not exists(select 1 from RDB$RELATIONS where RDB$RELATION_NAME = 'HISTPESO')) then
    execute statement '
      create table HISTPESO (
        ID_HISTPESO           bigint not null,
        DATAHORA              timestamp not null,
        TABELA                varchar(10) not null,
        ACAO                  varchar(10) not null,
        REGISTRO              varchar(120),
        ESTACAO               varchar(3),
        NPEDIDO               integer,
        NFORMULA              integer,
        NUMCAP                integer,
        ID_REGISTRO           integer,
        CODFORN               varchar(4),
        LOTE                  varchar(30),
        TAMCAP                varchar(3),
        MANIPULADOR           varchar(60),
        AMOSTRA               integer,
        VEREDITO              varchar(100),
        ORIGEM                varchar(10),
        BALANCA               varchar(60),
        NUMSERIE              varchar(40),
        LEITURA               varchar(255),
        ENDERECO              varchar(255),
        COMPUTADOR            varchar(255),
        USUARIO_SO            varchar(255),
        PROGRAMA              varchar(255),
        PID                   integer,
        USUARIO_BD            varchar(63),
        COMPUTADOR_INFORMADO  varchar(255),
        USUARIO_SO_INFORMADO  varchar(255),
        CONEXAO               bigint,
        TRANSACAO             bigint,
        constraint PK_HISTPESO primary key (ID_HISTPESO)
      )';
  if (not exists(select 1 from RDB$RELATIONS where RDB$RELATION_NAME = 'HISTPESOCAMPO')) then
    execute statement '
      create table HISTPESOCAMPO (
        ID_HISTPESO  bigint not null,
        ORDEM        smallint not null,
        CAMPO        varchar(31) not null,
        ANTES        varchar(200),
        DEPOIS       varchar(200),
        constraint PK_HISTPESOCAMPO primary key (ID_HISTPESO, ORDEM)
      )';
end^

commit^

/* The history of a formula and of a lot. */
execute block as
begin
  if (not exists(select 1 from RDB$INDICES where RDB$INDEX_NAME = 'IDX_HISTPESO_FORMULA')) then
    execute statement 'create index IDX_HISTPESO_FORMULA on HISTPESO (ESTACAO, NPEDIDO, NFORMULA)';
  if (not exists(select 1 from RDB$INDICES where RDB$INDEX_NAME = 'IDX_HISTPESO_LOTE')) then
    execute statement 'create index IDX_HISTPESO_LOTE on HISTPESO (CODFORN, LOTE, TAMCAP)';
end^

commit^

create or alter exception HISTPESO_IMUTAVEL
  'O histórico das pesagens não pode ser alterado nem excluído.'^

/* History rows are written once and never changed. */
create or alter trigger HISTPESO_IMUTAVEL for HISTPESO
active before update or delete position 0
as
begin
  exception HISTPESO_IMUTAVEL;
end^

create or alter trigger HISTPESOCAMPO_IMUTAVEL for HISTPESOCAMPO
active before update or delete position 0
as
begin
  exception HISTPESO_IMUTAVEL;
end^

/* One history row with everything known about who, where and when; returns
   its identifier. PESAGEM = 1 takes the weight's source that came with the
   write and removes it. */
create or alter procedure HISTPESO_GRAVA (
  TABELA       varchar(10),
  ACAO         varchar(10),
  ESTACAO      varchar(255),
  NPEDIDO      bigint,
  NFORMULA     bigint,
  NUMCAP       bigint,
  ID_REGISTRO  bigint,
  CODFORN      varchar(255),
  LOTE         varchar(255),
  TAMCAP       varchar(255),
  AMOSTRA      bigint,
  VEREDITO     varchar(1000),
  PESAGEM      smallint)
returns (ID bigint)
as
declare REGISTRO varchar(1000);
declare ORIGEM varchar(255);
declare BALANCA varchar(255);
declare NUMSERIE varchar(255);
declare LEITURA varchar(255);
declare USUARIO_SO varchar(255);
declare PID_TEXTO varchar(255);
declare PID integer;
declare X integer;
begin
  ID = gen_id(GEN_HISTPESO, 1);

  if (TABELA = 'PESCAVAZ') then
    REGISTRO = 'Fornecedor ' || coalesce(CODFORN, '') || ', lote ' || coalesce(LOTE, '') ||
               ', tamanho ' || coalesce(TAMCAP, '');
  else
    REGISTRO = 'Estação ' || coalesce(ESTACAO, '') || ', pedido ' || coalesce(cast(NPEDIDO as varchar(20)), '') ||
               ', fórmula ' || coalesce(cast(NFORMULA as varchar(20)), '') ||
               coalesce(', cápsula ' || NUMCAP, '');

  if (PESAGEM = 1) then
  begin
    ORIGEM = rdb$get_context('USER_TRANSACTION', 'PESOMED_ORIGEM');
    BALANCA = rdb$get_context('USER_TRANSACTION', 'PESOMED_BALANCA');
    NUMSERIE = rdb$get_context('USER_TRANSACTION', 'PESOMED_NUMSERIE');
    LEITURA = rdb$get_context('USER_TRANSACTION', 'PESOMED_LEITURA');
    X = rdb$set_context('USER_TRANSACTION', 'PESOMED_ORIGEM', null);
    X = rdb$set_context('USER_TRANSACTION', 'PESOMED_BALANCA', null);
    X = rdb$set_context('USER_TRANSACTION', 'PESOMED_NUMSERIE', null);
    X = rdb$set_context('USER_TRANSACTION', 'PESOMED_LEITURA', null);
  end

  /* The operating-system user sent by the client library: read from the
     monitoring tables once per connection. */
  if (rdb$get_context('USER_SESSION', 'HISTPESO_LIDO') is null) then
  begin
    begin
      select first 1 MON$REMOTE_OS_USER from MON$ATTACHMENTS
        where MON$ATTACHMENT_ID = current_connection
        into :USUARIO_SO;
      when any do
        USUARIO_SO = null;
    end
    X = rdb$set_context('USER_SESSION', 'HISTPESO_USUARIO_SO', USUARIO_SO);
    X = rdb$set_context('USER_SESSION', 'HISTPESO_LIDO', '1');
  end
  USUARIO_SO = rdb$get_context('USER_SESSION', 'HISTPESO_USUARIO_SO');

  PID_TEXTO = rdb$get_context('SYSTEM', 'CLIENT_PID');
  PID = null;
  if (PID_TEXTO similar to '[0-9]{1,9}') then
    PID = cast(PID_TEXTO as integer);

  insert into HISTPESO (ID_HISTPESO, DATAHORA, TABELA, ACAO, REGISTRO,
      ESTACAO, NPEDIDO, NFORMULA, NUMCAP, ID_REGISTRO, CODFORN, LOTE, TAMCAP,
      MANIPULADOR, AMOSTRA, VEREDITO, ORIGEM, BALANCA, NUMSERIE, LEITURA,
      ENDERECO, COMPUTADOR, USUARIO_SO, PROGRAMA, PID, USUARIO_BD,
      COMPUTADOR_INFORMADO, USUARIO_SO_INFORMADO, CONEXAO, TRANSACAO)
    values (:ID, cast('NOW' as timestamp), :TABELA, :ACAO, left(:REGISTRO, 120),
      left(:ESTACAO, 3),
      iif(:NPEDIDO between -2147483648 and 2147483647, :NPEDIDO, null),
      iif(:NFORMULA between -2147483648 and 2147483647, :NFORMULA, null),
      iif(:NUMCAP between -2147483648 and 2147483647, :NUMCAP, null),
      iif(:ID_REGISTRO between -2147483648 and 2147483647, :ID_REGISTRO, null),
      left(:CODFORN, 4), left(:LOTE, 30), left(:TAMCAP, 3),
      left(rdb$get_context('USER_SESSION', 'PESOMED_OPERADOR'), 60),
      iif(:AMOSTRA between -2147483648 and 2147483647, :AMOSTRA, null),
      left(:VEREDITO, 100),
      left(:ORIGEM, 10), left(:BALANCA, 60), left(:NUMSERIE, 40), left(:LEITURA, 255),
      left(rdb$get_context('SYSTEM', 'CLIENT_ADDRESS'), 255),
      left(rdb$get_context('SYSTEM', 'CLIENT_HOST'), 255),
      left(:USUARIO_SO, 255),
      left(rdb$get_context('SYSTEM', 'CLIENT_PROCESS'), 255),
      :PID,
      left(current_user, 63),
      left(rdb$get_context('USER_SESSION', 'PESOMED_COMPUTADOR'), 255),
      left(rdb$get_context('USER_SESSION', 'PESOMED_USUARIO_SO'), 255),
      current_connection, current_transaction);
end^

/* Tells that the history of a write could not be written in full (HISTORICO:
   the row written in part, if any), so that the write itself goes on and the
   gap shows. */
create or alter procedure HISTPESO_FALHA (TABELA varchar(10), ACAO varchar(10), HISTORICO bigint, ERRO integer)
as
begin
  insert into HISTPESO (ID_HISTPESO, DATAHORA, TABELA, ACAO, REGISTRO, MANIPULADOR,
      ENDERECO, COMPUTADOR, PROGRAMA, USUARIO_BD, CONEXAO, TRANSACAO)
    values (gen_id(GEN_HISTPESO, 1), cast('NOW' as timestamp), :TABELA, 'FALHA',
      left(coalesce(:ACAO, '') ||
           iif(:HISTORICO is null, ' não registrada', ' registrada em parte (histórico ' || :HISTORICO || ')') ||
           ', erro ' || coalesce(:ERRO, 0), 120),
      left(rdb$get_context('USER_SESSION', 'PESOMED_OPERADOR'), 60),
      left(rdb$get_context('SYSTEM', 'CLIENT_ADDRESS'), 255),
      left(rdb$get_context('SYSTEM', 'CLIENT_HOST'), 255),
      left(rdb$get_context('SYSTEM', 'CLIENT_PROCESS'), 255),
      left(current_user, 63), current_connection, current_transaction);
  when any do
  begin
  end
end^

/* The columns that changed: all non-null ones of an inserted or deleted row.
   Texts are compared byte for byte, so that a change of case or of trailing
   blanks is recorded too. */

create or alter trigger HISTPESO_PESOMED for PESOMED
active after insert or update or delete position 32000
as
declare ID bigint;
declare ACAO varchar(10);
begin
  if (inserting) then
    ACAO = 'INCLUSAO';
  else if (updating) then
    ACAO = 'ALTERACAO';
  else
    ACAO = 'EXCLUSAO';
  begin
    execute procedure HISTPESO_GRAVA('PESOMED', :ACAO,
        coalesce(new.ESTACAO, old.ESTACAO), coalesce(new.NPEDIDO, old.NPEDIDO),
        coalesce(new.NFORMULA, old.NFORMULA), coalesce(new.NUMCAP, old.NUMCAP),
        coalesce(new.ID_PESOMED, old.ID_PESOMED), null, null, null, null, null,
        iif(deleting, 0, 1))
      returning_values :ID;
    if (old.ID_PESOMED is distinct from new.ID_PESOMED) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 1, 'ID_PESOMED', left(old.ID_PESOMED, 200), left(new.ID_PESOMED, 200));
    if (octet_length(old.CHAVE) is distinct from octet_length(new.CHAVE)
        or cast(old.CHAVE as varchar(1000) character set octets) is distinct from cast(new.CHAVE as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 2, 'CHAVE', left(old.CHAVE, 200), left(new.CHAVE, 200));
    if (octet_length(old.ESTACAO) is distinct from octet_length(new.ESTACAO)
        or cast(old.ESTACAO as varchar(1000) character set octets) is distinct from cast(new.ESTACAO as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 3, 'ESTACAO', left(old.ESTACAO, 200), left(new.ESTACAO, 200));
    if (old.NPEDIDO is distinct from new.NPEDIDO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 4, 'NPEDIDO', left(old.NPEDIDO, 200), left(new.NPEDIDO, 200));
    if (old.NFORMULA is distinct from new.NFORMULA) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 5, 'NFORMULA', left(old.NFORMULA, 200), left(new.NFORMULA, 200));
    if (old.NUMCAP is distinct from new.NUMCAP) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 6, 'NUMCAP', left(old.NUMCAP, 200), left(new.NUMCAP, 200));
    if (old.CODPEDIDO is distinct from new.CODPEDIDO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 7, 'CODPEDIDO', left(old.CODPEDIDO, 200), left(new.CODPEDIDO, 200));
    if (old.PESO is distinct from new.PESO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 8, 'PESO', left(old.PESO, 200), left(new.PESO, 200));
    if (old.VARIACAOPESO is distinct from new.VARIACAOPESO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 9, 'VARIACAOPESO', left(old.VARIACAOPESO, 200), left(new.VARIACAOPESO, 200));
    if (old.VARIACAOPESOPERC is distinct from new.VARIACAOPESOPERC) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 10, 'VARIACAOPESOPERC', left(old.VARIACAOPESOPERC, 200), left(new.VARIACAOPESOPERC, 200));
    if (old.QUADRADOSUBTRACOES is distinct from new.QUADRADOSUBTRACOES) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 11, 'QUADRADOSUBTRACOES', left(old.QUADRADOSUBTRACOES, 200), left(new.QUADRADOSUBTRACOES, 200));
    if (octet_length(old.OBS) is distinct from octet_length(new.OBS)
        or cast(old.OBS as varchar(1000) character set octets) is distinct from cast(new.OBS as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 12, 'OBS', left(old.OBS, 200), left(new.OBS, 200));
    if (octet_length(old.PACIENTE) is distinct from octet_length(new.PACIENTE)
        or cast(old.PACIENTE as varchar(1000) character set octets) is distinct from cast(new.PACIENTE as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 13, 'PACIENTE', left(old.PACIENTE, 200), left(new.PACIENTE, 200));
    if (octet_length(old.RESULTADO) is distinct from octet_length(new.RESULTADO)
        or cast(old.RESULTADO as varchar(1000) character set octets) is distinct from cast(new.RESULTADO as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 14, 'RESULTADO', left(old.RESULTADO, 200), left(new.RESULTADO, 200));
    if (old.DESVIOMEDIO is distinct from new.DESVIOMEDIO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 15, 'DESVIOMEDIO', left(old.DESVIOMEDIO, 200), left(new.DESVIOMEDIO, 200));
    if (old.PESOTEORICO is distinct from new.PESOTEORICO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 16, 'PESOTEORICO', left(old.PESOTEORICO, 200), left(new.PESOTEORICO, 200));
    when any do
      execute procedure HISTPESO_FALHA('PESOMED', :ACAO, :ID, gdscode);
  end
end^

create or alter trigger HISTPESO_RPESOMED for RPESOMED
active after insert or update or delete position 32000
as
declare ID bigint;
declare ACAO varchar(10);
declare AMOSTRA bigint;
declare VEREDITO varchar(1000);
declare X integer;
begin
  if (inserting) then
    ACAO = 'INCLUSAO';
  else if (updating) then
    ACAO = 'ALTERACAO';
  else
    ACAO = 'EXCLUSAO';
  begin
    /* The analysis marks its write of the result record. */
    if (not deleting and rdb$get_context('USER_TRANSACTION', 'PESOMED_ANALISE') is not null) then
    begin
      ACAO = 'ANALISE';
      AMOSTRA = new.QDECAPS;
      VEREDITO = new.RESULTADO;
      X = rdb$set_context('USER_TRANSACTION', 'PESOMED_ANALISE', null);
    end
    execute procedure HISTPESO_GRAVA('RPESOMED', :ACAO,
        coalesce(new.ESTACAO, old.ESTACAO), coalesce(new.NPEDIDO, old.NPEDIDO),
        coalesce(new.NFORMULA, old.NFORMULA), null,
        coalesce(new.ID_RPESOMED, old.ID_RPESOMED), null, null, null,
        :AMOSTRA, :VEREDITO, 0)
      returning_values :ID;
    if (old.ID_RPESOMED is distinct from new.ID_RPESOMED) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 1, 'ID_RPESOMED', left(old.ID_RPESOMED, 200), left(new.ID_RPESOMED, 200));
    if (octet_length(old.CHAVE) is distinct from octet_length(new.CHAVE)
        or cast(old.CHAVE as varchar(1000) character set octets) is distinct from cast(new.CHAVE as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 2, 'CHAVE', left(old.CHAVE, 200), left(new.CHAVE, 200));
    if (octet_length(old.ESTACAO) is distinct from octet_length(new.ESTACAO)
        or cast(old.ESTACAO as varchar(1000) character set octets) is distinct from cast(new.ESTACAO as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 3, 'ESTACAO', left(old.ESTACAO, 200), left(new.ESTACAO, 200));
    if (old.NPEDIDO is distinct from new.NPEDIDO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 4, 'NPEDIDO', left(old.NPEDIDO, 200), left(new.NPEDIDO, 200));
    if (old.NFORMULA is distinct from new.NFORMULA) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 5, 'NFORMULA', left(old.NFORMULA, 200), left(new.NFORMULA, 200));
    if (old.CODPEDIDO is distinct from new.CODPEDIDO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 6, 'CODPEDIDO', left(old.CODPEDIDO, 200), left(new.CODPEDIDO, 200));
    if (old.QDECAPS is distinct from new.QDECAPS) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 7, 'QDECAPS', left(old.QDECAPS, 200), left(new.QDECAPS, 200));
    if (old.PESOMEDIO is distinct from new.PESOMEDIO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 8, 'PESOMEDIO', left(old.PESOMEDIO, 200), left(new.PESOMEDIO, 200));
    if (old.DESVIOPADRAO is distinct from new.DESVIOPADRAO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 9, 'DESVIOPADRAO', left(old.DESVIOPADRAO, 200), left(new.DESVIOPADRAO, 200));
    if (old.COEFVARIACAO is distinct from new.COEFVARIACAO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 10, 'COEFVARIACAO', left(old.COEFVARIACAO, 200), left(new.COEFVARIACAO, 200));
    if (octet_length(old.RESULTADO) is distinct from octet_length(new.RESULTADO)
        or cast(old.RESULTADO as varchar(1000) character set octets) is distinct from cast(new.RESULTADO as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 11, 'RESULTADO', left(old.RESULTADO, 200), left(new.RESULTADO, 200));
    if (octet_length(old.MOTIVOS) is distinct from octet_length(new.MOTIVOS)
        or cast(old.MOTIVOS as varchar(1000) character set octets) is distinct from cast(new.MOTIVOS as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 12, 'MOTIVOS', left(old.MOTIVOS, 200), left(new.MOTIVOS, 200));
    if (octet_length(old.PACIENTE) is distinct from octet_length(new.PACIENTE)
        or cast(old.PACIENTE as varchar(1000) character set octets) is distinct from cast(new.PACIENTE as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 13, 'PACIENTE', left(old.PACIENTE, 200), left(new.PACIENTE, 200));
    if (old.VARIANCIA is distinct from new.VARIANCIA) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 14, 'VARIANCIA', left(old.VARIANCIA, 200), left(new.VARIANCIA, 200));
    if (old.PESOTOTAL is distinct from new.PESOTOTAL) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 15, 'PESOTOTAL', left(old.PESOTOTAL, 200), left(new.PESOTOTAL, 200));
    if (old.MAXIMO is distinct from new.MAXIMO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 16, 'MAXIMO', left(old.MAXIMO, 200), left(new.MAXIMO, 200));
    if (old.MINIMO is distinct from new.MINIMO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 17, 'MINIMO', left(old.MINIMO, 200), left(new.MINIMO, 200));
    if (old.AMPLITUDE is distinct from new.AMPLITUDE) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 18, 'AMPLITUDE', left(old.AMPLITUDE, 200), left(new.AMPLITUDE, 200));
    if (old.VALORTEORICO is distinct from new.VALORTEORICO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 19, 'VALORTEORICO', left(old.VALORTEORICO, 200), left(new.VALORTEORICO, 200));
    if (old.PRECISAO is distinct from new.PRECISAO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 20, 'PRECISAO', left(old.PRECISAO, 200), left(new.PRECISAO, 200));
    if (old.TOTAL_CAPSULAS is distinct from new.TOTAL_CAPSULAS) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 21, 'TOTAL_CAPSULAS', left(old.TOTAL_CAPSULAS, 200), left(new.TOTAL_CAPSULAS, 200));
    if (old.MEDIA is distinct from new.MEDIA) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 22, 'MEDIA', left(old.MEDIA, 200), left(new.MEDIA, 200));
    if (old.DATA_EMISSAO is distinct from new.DATA_EMISSAO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 23, 'DATA_EMISSAO', left(old.DATA_EMISSAO, 200), left(new.DATA_EMISSAO, 200));
    if (old.DATA_ULT_ALT is distinct from new.DATA_ULT_ALT) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 24, 'DATA_ULT_ALT', left(old.DATA_ULT_ALT, 200), left(new.DATA_ULT_ALT, 200));
    if (octet_length(old.MANIPULADOR) is distinct from octet_length(new.MANIPULADOR)
        or cast(old.MANIPULADOR as varchar(1000) character set octets) is distinct from cast(new.MANIPULADOR as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 25, 'MANIPULADOR', left(old.MANIPULADOR, 200), left(new.MANIPULADOR, 200));
    if (old.VARTEORMIN is distinct from new.VARTEORMIN) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 26, 'VARTEORMIN', left(old.VARTEORMIN, 200), left(new.VARTEORMIN, 200));
    if (old.VARTEORMAX is distinct from new.VARTEORMAX) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 27, 'VARTEORMAX', left(old.VARTEORMAX, 200), left(new.VARTEORMAX, 200));
    when any do
      execute procedure HISTPESO_FALHA('RPESOMED', :ACAO, :ID, gdscode);
  end
end^

create or alter trigger HISTPESO_PESCAVAZ for PESCAVAZ
active after insert or update or delete position 32000
as
declare ID bigint;
declare ACAO varchar(10);
begin
  if (inserting) then
    ACAO = 'INCLUSAO';
  else if (updating) then
    ACAO = 'ALTERACAO';
  else
    ACAO = 'EXCLUSAO';
  begin
    execute procedure HISTPESO_GRAVA('PESCAVAZ', :ACAO, null, null, null, null, null,
        coalesce(new.CODFORN, old.CODFORN), coalesce(new.LOTE, old.LOTE),
        coalesce(new.TAMCAP, old.TAMCAP), null, null, 0)
      returning_values :ID;
    if (octet_length(old.CODFORN) is distinct from octet_length(new.CODFORN)
        or cast(old.CODFORN as varchar(1000) character set octets) is distinct from cast(new.CODFORN as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 1, 'CODFORN', left(old.CODFORN, 200), left(new.CODFORN, 200));
    if (octet_length(old.LOTE) is distinct from octet_length(new.LOTE)
        or cast(old.LOTE as varchar(1000) character set octets) is distinct from cast(new.LOTE as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 2, 'LOTE', left(old.LOTE, 200), left(new.LOTE, 200));
    if (octet_length(old.TAMCAP) is distinct from octet_length(new.TAMCAP)
        or cast(old.TAMCAP as varchar(1000) character set octets) is distinct from cast(new.TAMCAP as varchar(1000) character set octets)) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 3, 'TAMCAP', left(old.TAMCAP, 200), left(new.TAMCAP, 200));
    if (old.PESOMEDIO is distinct from new.PESOMEDIO) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 4, 'PESOMEDIO', left(old.PESOMEDIO, 200), left(new.PESOMEDIO, 200));
    if (old.P01 is distinct from new.P01) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 5, 'P01', left(old.P01, 200), left(new.P01, 200));
    if (old.P02 is distinct from new.P02) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 6, 'P02', left(old.P02, 200), left(new.P02, 200));
    if (old.P03 is distinct from new.P03) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 7, 'P03', left(old.P03, 200), left(new.P03, 200));
    if (old.P04 is distinct from new.P04) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 8, 'P04', left(old.P04, 200), left(new.P04, 200));
    if (old.P05 is distinct from new.P05) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 9, 'P05', left(old.P05, 200), left(new.P05, 200));
    if (old.P06 is distinct from new.P06) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 10, 'P06', left(old.P06, 200), left(new.P06, 200));
    if (old.P07 is distinct from new.P07) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 11, 'P07', left(old.P07, 200), left(new.P07, 200));
    if (old.P08 is distinct from new.P08) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 12, 'P08', left(old.P08, 200), left(new.P08, 200));
    if (old.P09 is distinct from new.P09) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 13, 'P09', left(old.P09, 200), left(new.P09, 200));
    if (old.P10 is distinct from new.P10) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 14, 'P10', left(old.P10, 200), left(new.P10, 200));
    if (old.P11 is distinct from new.P11) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 15, 'P11', left(old.P11, 200), left(new.P11, 200));
    if (old.P12 is distinct from new.P12) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 16, 'P12', left(old.P12, 200), left(new.P12, 200));
    if (old.P13 is distinct from new.P13) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 17, 'P13', left(old.P13, 200), left(new.P13, 200));
    if (old.P14 is distinct from new.P14) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 18, 'P14', left(old.P14, 200), left(new.P14, 200));
    if (old.P15 is distinct from new.P15) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 19, 'P15', left(old.P15, 200), left(new.P15, 200));
    if (old.P16 is distinct from new.P16) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 20, 'P16', left(old.P16, 200), left(new.P16, 200));
    if (old.P17 is distinct from new.P17) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 21, 'P17', left(old.P17, 200), left(new.P17, 200));
    if (old.P18 is distinct from new.P18) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 22, 'P18', left(old.P18, 200), left(new.P18, 200));
    if (old.P19 is distinct from new.P19) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 23, 'P19', left(old.P19, 200), left(new.P19, 200));
    if (old.P20 is distinct from new.P20) then
      insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, ANTES, DEPOIS)
        values (:ID, 24, 'P20', left(old.P20, 200), left(new.P20, 200));
    when any do
      execute procedure HISTPESO_FALHA('PESCAVAZ', :ACAO, :ID, gdscode);
  end
end^

set term ; ^

commit;
