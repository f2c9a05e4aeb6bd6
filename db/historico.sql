/*
  History of the capsule-weight module's tables: every insert, update and
  delete of PESOMED, RPESOMED and PESCAVAZ, whichever program makes it, is
  recorded by triggers in HISTPESO: one row per written row, with the columns
  that changed, before and after, packed in its column CAMPOS. History rows
  cannot be changed or deleted.

  Safe to run again on a database that has it, of this version or of the
  first one: the tables, their rows and the sequence are kept, the triggers,
  procedures and indexes are replaced. It creates only objects named HISTPESO*
  and GEN_HISTPESO and changes nothing else.

  What a write costs is mostly the pages its commit writes to disk, so each
  recorded write adds one row with one index entry (its formula or lot) and
  nothing else; no statement of the triggers reads a table but once per
  connection (the monitoring tables).

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
  is kept in columns of its own for searching (the index HISTPESO_CHAVE
  below). CAMPOS packs each changed column
  (all non-null columns of an inserted or deleted row), in column order, as
  NAME ':' before after, where a value is '-' for null or its length in
  characters, '=' and the value as Firebird writes it as text (numbers with a
  point, dates as yyyy-mm-dd; at most 200 characters); null when nothing
  changed. The selectable procedure HISTPESO_CAMPOS(ID_HISTPESO, CAMPOS) unpacks them as rows
  (ORDEM, CAMPO, ANTES, DEPOIS); it also reads the table HISTPESOCAMPO, where
  the first version of the history kept them, one row per column.
  ID_HISTPESO grows with every row, in the order the writes were made.

  The history never refuses a write: when recording one fails, a row with
  ACAO 'FALHA' tells it, with the error code.

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
        CAMPOS                varchar(8000)
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
  /* The first version kept the changed columns in HISTPESOCAMPO. */
  if (not exists(select 1 from RDB$RELATION_FIELDS where RDB$RELATION_NAME = 'HISTPESO'
                 and RDB$FIELD_NAME = 'CAMPOS')) then
    execute statement 'alter table HISTPESO add CAMPOS varchar(8000)';
end^

commit^

/* The history of a formula or of a lot, by one index: each index entry is a
   page more to write at every commit. The identifiers come from the sequence
   alone, unique without an index of their own (the first version had a
   primary key: dropped). A formula's key is 'F' station '/' order '/'
   formula, a lot's 'L' supplier '/' lot '/' size; the readers compare this
   very expression. It replaces the two indexes of the first version. */
execute block as
begin
  if (exists(select 1 from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME = 'PK_HISTPESO')) then
    execute statement 'alter table HISTPESO drop constraint PK_HISTPESO';
  if (exists(select 1 from RDB$INDICES where RDB$INDEX_NAME = 'IDX_HISTPESO_FORMULA')) then
    execute statement 'drop index IDX_HISTPESO_FORMULA';
  if (exists(select 1 from RDB$INDICES where RDB$INDEX_NAME = 'IDX_HISTPESO_LOTE')) then
    execute statement 'drop index IDX_HISTPESO_LOTE';
  if (not exists(select 1 from RDB$INDICES where RDB$INDEX_NAME = 'HISTPESO_CHAVE')) then
    execute statement 'create index HISTPESO_CHAVE on HISTPESO computed by (' ||
      'coalesce(''F'' || ESTACAO || ''/'' || NPEDIDO || ''/'' || NFORMULA, ' ||
      '''L'' || CODFORN || ''/'' || LOTE || ''/'' || TAMCAP))';
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

/* One history row with everything known about who, where and when.
   PESAGEM = 1 takes the weight's source that came with the write and removes
   it. What the connection itself tells (the operating-system user from the
   monitoring tables, the client's process id) is read on its first row and
   kept in session variables. */
create or alter procedure HISTPESO_REGISTRA (
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
  PESAGEM      smallint,
  CAMPOS       varchar(8000))
as
declare REGISTRO varchar(1000);
declare ORIGEM varchar(255);
declare BALANCA varchar(255);
declare NUMSERIE varchar(255);
declare LEITURA varchar(255);
declare USUARIO_SO varchar(255);
declare PID_TEXTO varchar(255);
declare X integer;
begin
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
    if (ORIGEM is not null) then
    begin
      BALANCA = rdb$get_context('USER_TRANSACTION', 'PESOMED_BALANCA');
      NUMSERIE = rdb$get_context('USER_TRANSACTION', 'PESOMED_NUMSERIE');
      LEITURA = rdb$get_context('USER_TRANSACTION', 'PESOMED_LEITURA');
      X = rdb$set_context('USER_TRANSACTION', 'PESOMED_ORIGEM', null);
      X = rdb$set_context('USER_TRANSACTION', 'PESOMED_BALANCA', null);
      X = rdb$set_context('USER_TRANSACTION', 'PESOMED_NUMSERIE', null);
      X = rdb$set_context('USER_TRANSACTION', 'PESOMED_LEITURA', null);
    end
  end

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
    PID_TEXTO = rdb$get_context('SYSTEM', 'CLIENT_PID');
    X = rdb$set_context('USER_SESSION', 'HISTPESO_PID',
                        iif(PID_TEXTO similar to '[0-9]{1,9}', PID_TEXTO, null));
    X = rdb$set_context('USER_SESSION', 'HISTPESO_LIDO', '1');
  end

  insert into HISTPESO (ID_HISTPESO, DATAHORA, TABELA, ACAO, REGISTRO,
      ESTACAO, NPEDIDO, NFORMULA, NUMCAP, ID_REGISTRO, CODFORN, LOTE, TAMCAP,
      MANIPULADOR, AMOSTRA, VEREDITO, ORIGEM, BALANCA, NUMSERIE, LEITURA,
      ENDERECO, COMPUTADOR, USUARIO_SO, PROGRAMA, PID, USUARIO_BD,
      COMPUTADOR_INFORMADO, USUARIO_SO_INFORMADO, CONEXAO, TRANSACAO, CAMPOS)
    values (gen_id(GEN_HISTPESO, 1), cast('NOW' as timestamp), :TABELA, :ACAO, left(:REGISTRO, 120),
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
      left(rdb$get_context('USER_SESSION', 'HISTPESO_USUARIO_SO'), 255),
      left(rdb$get_context('SYSTEM', 'CLIENT_PROCESS'), 255),
      cast(rdb$get_context('USER_SESSION', 'HISTPESO_PID') as integer),
      left(current_user, 63),
      left(rdb$get_context('USER_SESSION', 'PESOMED_COMPUTADOR'), 255),
      left(rdb$get_context('USER_SESSION', 'PESOMED_USUARIO_SO'), 255),
      current_connection, current_transaction, :CAMPOS);
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

/* The changed columns of a history row, one row each, in column order:
   HISTPESO_CAMPOS(ID_HISTPESO, CAMPOS) of the row. */
create or alter procedure HISTPESO_CAMPOS (ID bigint, CAMPOS varchar(8000))
returns (ORDEM smallint, CAMPO varchar(31), ANTES varchar(200), DEPOIS varchar(200))
as
declare C varchar(8000);
declare P integer;
declare Q integer;
declare N integer;
declare K smallint;
declare V varchar(200);
begin
  C = CAMPOS;
  if (C is null) then
  begin
    for select ORDEM, CAMPO, ANTES, DEPOIS from HISTPESOCAMPO where ID_HISTPESO = :ID order by ORDEM
      into :ORDEM, :CAMPO, :ANTES, :DEPOIS do
      suspend;
    exit;
  end
  P = 1;
  ORDEM = 0;
  while (P <= char_length(C)) do
  begin
    Q = position(':', C, P);
    CAMPO = substring(C from P for Q - P);
    P = Q + 1;
    ORDEM = ORDEM + 1;
    K = 0;
    while (K < 2) do
    begin
      if (substring(C from P for 1) = '-') then
      begin
        V = null;
        P = P + 1;
      end
      else
      begin
        Q = position('=', C, P);
        N = cast(substring(C from P for Q - P) as integer);
        V = substring(C from Q + 1 for N);
        P = Q + 1 + N;
      end
      if (K = 0) then
        ANTES = V;
      else
        DEPOIS = V;
      K = K + 1;
    end
    suspend;
  end
end^

/* The changed columns are packed as the header of this file says. Texts are
   compared with their length too, so that a change of trailing blanks is
   recorded; the collation already tells case and accents apart. */

create or alter trigger HISTPESO_PESOMED for PESOMED
active after insert or update or delete position 32000
as
declare C varchar(8000) = '';
declare ACAO varchar(10);
begin
  if (inserting) then
    ACAO = 'INCLUSAO';
  else if (updating) then
    ACAO = 'ALTERACAO';
  else
    ACAO = 'EXCLUSAO';
  begin
    if (old.ID_PESOMED is distinct from new.ID_PESOMED) then
      C = C || 'ID_PESOMED:' || iif(old.ID_PESOMED is null, '-', char_length(left(old.ID_PESOMED, 200)) || '=' || left(old.ID_PESOMED, 200)) || iif(new.ID_PESOMED is null, '-', char_length(left(new.ID_PESOMED, 200)) || '=' || left(new.ID_PESOMED, 200));
    if (old.CHAVE is distinct from new.CHAVE or char_length(old.CHAVE) is distinct from char_length(new.CHAVE)) then
      C = C || 'CHAVE:' || iif(old.CHAVE is null, '-', char_length(left(old.CHAVE, 200)) || '=' || left(old.CHAVE, 200)) || iif(new.CHAVE is null, '-', char_length(left(new.CHAVE, 200)) || '=' || left(new.CHAVE, 200));
    if (old.ESTACAO is distinct from new.ESTACAO or char_length(old.ESTACAO) is distinct from char_length(new.ESTACAO)) then
      C = C || 'ESTACAO:' || iif(old.ESTACAO is null, '-', char_length(left(old.ESTACAO, 200)) || '=' || left(old.ESTACAO, 200)) || iif(new.ESTACAO is null, '-', char_length(left(new.ESTACAO, 200)) || '=' || left(new.ESTACAO, 200));
    if (old.NPEDIDO is distinct from new.NPEDIDO) then
      C = C || 'NPEDIDO:' || iif(old.NPEDIDO is null, '-', char_length(left(old.NPEDIDO, 200)) || '=' || left(old.NPEDIDO, 200)) || iif(new.NPEDIDO is null, '-', char_length(left(new.NPEDIDO, 200)) || '=' || left(new.NPEDIDO, 200));
    if (old.NFORMULA is distinct from new.NFORMULA) then
      C = C || 'NFORMULA:' || iif(old.NFORMULA is null, '-', char_length(left(old.NFORMULA, 200)) || '=' || left(old.NFORMULA, 200)) || iif(new.NFORMULA is null, '-', char_length(left(new.NFORMULA, 200)) || '=' || left(new.NFORMULA, 200));
    if (old.NUMCAP is distinct from new.NUMCAP) then
      C = C || 'NUMCAP:' || iif(old.NUMCAP is null, '-', char_length(left(old.NUMCAP, 200)) || '=' || left(old.NUMCAP, 200)) || iif(new.NUMCAP is null, '-', char_length(left(new.NUMCAP, 200)) || '=' || left(new.NUMCAP, 200));
    if (old.CODPEDIDO is distinct from new.CODPEDIDO) then
      C = C || 'CODPEDIDO:' || iif(old.CODPEDIDO is null, '-', char_length(left(old.CODPEDIDO, 200)) || '=' || left(old.CODPEDIDO, 200)) || iif(new.CODPEDIDO is null, '-', char_length(left(new.CODPEDIDO, 200)) || '=' || left(new.CODPEDIDO, 200));
    if (old.PESO is distinct from new.PESO) then
      C = C || 'PESO:' || iif(old.PESO is null, '-', char_length(left(old.PESO, 200)) || '=' || left(old.PESO, 200)) || iif(new.PESO is null, '-', char_length(left(new.PESO, 200)) || '=' || left(new.PESO, 200));
    if (old.VARIACAOPESO is distinct from new.VARIACAOPESO) then
      C = C || 'VARIACAOPESO:' || iif(old.VARIACAOPESO is null, '-', char_length(left(old.VARIACAOPESO, 200)) || '=' || left(old.VARIACAOPESO, 200)) || iif(new.VARIACAOPESO is null, '-', char_length(left(new.VARIACAOPESO, 200)) || '=' || left(new.VARIACAOPESO, 200));
    if (old.VARIACAOPESOPERC is distinct from new.VARIACAOPESOPERC) then
      C = C || 'VARIACAOPESOPERC:' || iif(old.VARIACAOPESOPERC is null, '-', char_length(left(old.VARIACAOPESOPERC, 200)) || '=' || left(old.VARIACAOPESOPERC, 200)) || iif(new.VARIACAOPESOPERC is null, '-', char_length(left(new.VARIACAOPESOPERC, 200)) || '=' || left(new.VARIACAOPESOPERC, 200));
    if (old.QUADRADOSUBTRACOES is distinct from new.QUADRADOSUBTRACOES) then
      C = C || 'QUADRADOSUBTRACOES:' || iif(old.QUADRADOSUBTRACOES is null, '-', char_length(left(old.QUADRADOSUBTRACOES, 200)) || '=' || left(old.QUADRADOSUBTRACOES, 200)) || iif(new.QUADRADOSUBTRACOES is null, '-', char_length(left(new.QUADRADOSUBTRACOES, 200)) || '=' || left(new.QUADRADOSUBTRACOES, 200));
    if (old.OBS is distinct from new.OBS or char_length(old.OBS) is distinct from char_length(new.OBS)) then
      C = C || 'OBS:' || iif(old.OBS is null, '-', char_length(left(old.OBS, 200)) || '=' || left(old.OBS, 200)) || iif(new.OBS is null, '-', char_length(left(new.OBS, 200)) || '=' || left(new.OBS, 200));
    if (old.PACIENTE is distinct from new.PACIENTE or char_length(old.PACIENTE) is distinct from char_length(new.PACIENTE)) then
      C = C || 'PACIENTE:' || iif(old.PACIENTE is null, '-', char_length(left(old.PACIENTE, 200)) || '=' || left(old.PACIENTE, 200)) || iif(new.PACIENTE is null, '-', char_length(left(new.PACIENTE, 200)) || '=' || left(new.PACIENTE, 200));
    if (old.RESULTADO is distinct from new.RESULTADO or char_length(old.RESULTADO) is distinct from char_length(new.RESULTADO)) then
      C = C || 'RESULTADO:' || iif(old.RESULTADO is null, '-', char_length(left(old.RESULTADO, 200)) || '=' || left(old.RESULTADO, 200)) || iif(new.RESULTADO is null, '-', char_length(left(new.RESULTADO, 200)) || '=' || left(new.RESULTADO, 200));
    if (old.DESVIOMEDIO is distinct from new.DESVIOMEDIO) then
      C = C || 'DESVIOMEDIO:' || iif(old.DESVIOMEDIO is null, '-', char_length(left(old.DESVIOMEDIO, 200)) || '=' || left(old.DESVIOMEDIO, 200)) || iif(new.DESVIOMEDIO is null, '-', char_length(left(new.DESVIOMEDIO, 200)) || '=' || left(new.DESVIOMEDIO, 200));
    if (old.PESOTEORICO is distinct from new.PESOTEORICO) then
      C = C || 'PESOTEORICO:' || iif(old.PESOTEORICO is null, '-', char_length(left(old.PESOTEORICO, 200)) || '=' || left(old.PESOTEORICO, 200)) || iif(new.PESOTEORICO is null, '-', char_length(left(new.PESOTEORICO, 200)) || '=' || left(new.PESOTEORICO, 200));
    execute procedure HISTPESO_REGISTRA('PESOMED', :ACAO,
        coalesce(new.ESTACAO, old.ESTACAO), coalesce(new.NPEDIDO, old.NPEDIDO),
        coalesce(new.NFORMULA, old.NFORMULA), coalesce(new.NUMCAP, old.NUMCAP),
        coalesce(new.ID_PESOMED, old.ID_PESOMED), null, null, null, null, null,
        iif(deleting, 0, 1), nullif(:C, ''));
    when any do
      execute procedure HISTPESO_FALHA('PESOMED', :ACAO, null, gdscode);
  end
end^

create or alter trigger HISTPESO_RPESOMED for RPESOMED
active after insert or update or delete position 32000
as
declare C varchar(8000) = '';
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
    if (old.ID_RPESOMED is distinct from new.ID_RPESOMED) then
      C = C || 'ID_RPESOMED:' || iif(old.ID_RPESOMED is null, '-', char_length(left(old.ID_RPESOMED, 200)) || '=' || left(old.ID_RPESOMED, 200)) || iif(new.ID_RPESOMED is null, '-', char_length(left(new.ID_RPESOMED, 200)) || '=' || left(new.ID_RPESOMED, 200));
    if (old.CHAVE is distinct from new.CHAVE or char_length(old.CHAVE) is distinct from char_length(new.CHAVE)) then
      C = C || 'CHAVE:' || iif(old.CHAVE is null, '-', char_length(left(old.CHAVE, 200)) || '=' || left(old.CHAVE, 200)) || iif(new.CHAVE is null, '-', char_length(left(new.CHAVE, 200)) || '=' || left(new.CHAVE, 200));
    if (old.ESTACAO is distinct from new.ESTACAO or char_length(old.ESTACAO) is distinct from char_length(new.ESTACAO)) then
      C = C || 'ESTACAO:' || iif(old.ESTACAO is null, '-', char_length(left(old.ESTACAO, 200)) || '=' || left(old.ESTACAO, 200)) || iif(new.ESTACAO is null, '-', char_length(left(new.ESTACAO, 200)) || '=' || left(new.ESTACAO, 200));
    if (old.NPEDIDO is distinct from new.NPEDIDO) then
      C = C || 'NPEDIDO:' || iif(old.NPEDIDO is null, '-', char_length(left(old.NPEDIDO, 200)) || '=' || left(old.NPEDIDO, 200)) || iif(new.NPEDIDO is null, '-', char_length(left(new.NPEDIDO, 200)) || '=' || left(new.NPEDIDO, 200));
    if (old.NFORMULA is distinct from new.NFORMULA) then
      C = C || 'NFORMULA:' || iif(old.NFORMULA is null, '-', char_length(left(old.NFORMULA, 200)) || '=' || left(old.NFORMULA, 200)) || iif(new.NFORMULA is null, '-', char_length(left(new.NFORMULA, 200)) || '=' || left(new.NFORMULA, 200));
    if (old.CODPEDIDO is distinct from new.CODPEDIDO) then
      C = C || 'CODPEDIDO:' || iif(old.CODPEDIDO is null, '-', char_length(left(old.CODPEDIDO, 200)) || '=' || left(old.CODPEDIDO, 200)) || iif(new.CODPEDIDO is null, '-', char_length(left(new.CODPEDIDO, 200)) || '=' || left(new.CODPEDIDO, 200));
    if (old.QDECAPS is distinct from new.QDECAPS) then
      C = C || 'QDECAPS:' || iif(old.QDECAPS is null, '-', char_length(left(old.QDECAPS, 200)) || '=' || left(old.QDECAPS, 200)) || iif(new.QDECAPS is null, '-', char_length(left(new.QDECAPS, 200)) || '=' || left(new.QDECAPS, 200));
    if (old.PESOMEDIO is distinct from new.PESOMEDIO) then
      C = C || 'PESOMEDIO:' || iif(old.PESOMEDIO is null, '-', char_length(left(old.PESOMEDIO, 200)) || '=' || left(old.PESOMEDIO, 200)) || iif(new.PESOMEDIO is null, '-', char_length(left(new.PESOMEDIO, 200)) || '=' || left(new.PESOMEDIO, 200));
    if (old.DESVIOPADRAO is distinct from new.DESVIOPADRAO) then
      C = C || 'DESVIOPADRAO:' || iif(old.DESVIOPADRAO is null, '-', char_length(left(old.DESVIOPADRAO, 200)) || '=' || left(old.DESVIOPADRAO, 200)) || iif(new.DESVIOPADRAO is null, '-', char_length(left(new.DESVIOPADRAO, 200)) || '=' || left(new.DESVIOPADRAO, 200));
    if (old.COEFVARIACAO is distinct from new.COEFVARIACAO) then
      C = C || 'COEFVARIACAO:' || iif(old.COEFVARIACAO is null, '-', char_length(left(old.COEFVARIACAO, 200)) || '=' || left(old.COEFVARIACAO, 200)) || iif(new.COEFVARIACAO is null, '-', char_length(left(new.COEFVARIACAO, 200)) || '=' || left(new.COEFVARIACAO, 200));
    if (old.RESULTADO is distinct from new.RESULTADO or char_length(old.RESULTADO) is distinct from char_length(new.RESULTADO)) then
      C = C || 'RESULTADO:' || iif(old.RESULTADO is null, '-', char_length(left(old.RESULTADO, 200)) || '=' || left(old.RESULTADO, 200)) || iif(new.RESULTADO is null, '-', char_length(left(new.RESULTADO, 200)) || '=' || left(new.RESULTADO, 200));
    if (old.MOTIVOS is distinct from new.MOTIVOS or char_length(old.MOTIVOS) is distinct from char_length(new.MOTIVOS)) then
      C = C || 'MOTIVOS:' || iif(old.MOTIVOS is null, '-', char_length(left(old.MOTIVOS, 200)) || '=' || left(old.MOTIVOS, 200)) || iif(new.MOTIVOS is null, '-', char_length(left(new.MOTIVOS, 200)) || '=' || left(new.MOTIVOS, 200));
    if (old.PACIENTE is distinct from new.PACIENTE or char_length(old.PACIENTE) is distinct from char_length(new.PACIENTE)) then
      C = C || 'PACIENTE:' || iif(old.PACIENTE is null, '-', char_length(left(old.PACIENTE, 200)) || '=' || left(old.PACIENTE, 200)) || iif(new.PACIENTE is null, '-', char_length(left(new.PACIENTE, 200)) || '=' || left(new.PACIENTE, 200));
    if (old.VARIANCIA is distinct from new.VARIANCIA) then
      C = C || 'VARIANCIA:' || iif(old.VARIANCIA is null, '-', char_length(left(old.VARIANCIA, 200)) || '=' || left(old.VARIANCIA, 200)) || iif(new.VARIANCIA is null, '-', char_length(left(new.VARIANCIA, 200)) || '=' || left(new.VARIANCIA, 200));
    if (old.PESOTOTAL is distinct from new.PESOTOTAL) then
      C = C || 'PESOTOTAL:' || iif(old.PESOTOTAL is null, '-', char_length(left(old.PESOTOTAL, 200)) || '=' || left(old.PESOTOTAL, 200)) || iif(new.PESOTOTAL is null, '-', char_length(left(new.PESOTOTAL, 200)) || '=' || left(new.PESOTOTAL, 200));
    if (old.MAXIMO is distinct from new.MAXIMO) then
      C = C || 'MAXIMO:' || iif(old.MAXIMO is null, '-', char_length(left(old.MAXIMO, 200)) || '=' || left(old.MAXIMO, 200)) || iif(new.MAXIMO is null, '-', char_length(left(new.MAXIMO, 200)) || '=' || left(new.MAXIMO, 200));
    if (old.MINIMO is distinct from new.MINIMO) then
      C = C || 'MINIMO:' || iif(old.MINIMO is null, '-', char_length(left(old.MINIMO, 200)) || '=' || left(old.MINIMO, 200)) || iif(new.MINIMO is null, '-', char_length(left(new.MINIMO, 200)) || '=' || left(new.MINIMO, 200));
    if (old.AMPLITUDE is distinct from new.AMPLITUDE) then
      C = C || 'AMPLITUDE:' || iif(old.AMPLITUDE is null, '-', char_length(left(old.AMPLITUDE, 200)) || '=' || left(old.AMPLITUDE, 200)) || iif(new.AMPLITUDE is null, '-', char_length(left(new.AMPLITUDE, 200)) || '=' || left(new.AMPLITUDE, 200));
    if (old.VALORTEORICO is distinct from new.VALORTEORICO) then
      C = C || 'VALORTEORICO:' || iif(old.VALORTEORICO is null, '-', char_length(left(old.VALORTEORICO, 200)) || '=' || left(old.VALORTEORICO, 200)) || iif(new.VALORTEORICO is null, '-', char_length(left(new.VALORTEORICO, 200)) || '=' || left(new.VALORTEORICO, 200));
    if (old.PRECISAO is distinct from new.PRECISAO) then
      C = C || 'PRECISAO:' || iif(old.PRECISAO is null, '-', char_length(left(old.PRECISAO, 200)) || '=' || left(old.PRECISAO, 200)) || iif(new.PRECISAO is null, '-', char_length(left(new.PRECISAO, 200)) || '=' || left(new.PRECISAO, 200));
    if (old.TOTAL_CAPSULAS is distinct from new.TOTAL_CAPSULAS) then
      C = C || 'TOTAL_CAPSULAS:' || iif(old.TOTAL_CAPSULAS is null, '-', char_length(left(old.TOTAL_CAPSULAS, 200)) || '=' || left(old.TOTAL_CAPSULAS, 200)) || iif(new.TOTAL_CAPSULAS is null, '-', char_length(left(new.TOTAL_CAPSULAS, 200)) || '=' || left(new.TOTAL_CAPSULAS, 200));
    if (old.MEDIA is distinct from new.MEDIA) then
      C = C || 'MEDIA:' || iif(old.MEDIA is null, '-', char_length(left(old.MEDIA, 200)) || '=' || left(old.MEDIA, 200)) || iif(new.MEDIA is null, '-', char_length(left(new.MEDIA, 200)) || '=' || left(new.MEDIA, 200));
    if (old.DATA_EMISSAO is distinct from new.DATA_EMISSAO) then
      C = C || 'DATA_EMISSAO:' || iif(old.DATA_EMISSAO is null, '-', char_length(left(old.DATA_EMISSAO, 200)) || '=' || left(old.DATA_EMISSAO, 200)) || iif(new.DATA_EMISSAO is null, '-', char_length(left(new.DATA_EMISSAO, 200)) || '=' || left(new.DATA_EMISSAO, 200));
    if (old.DATA_ULT_ALT is distinct from new.DATA_ULT_ALT) then
      C = C || 'DATA_ULT_ALT:' || iif(old.DATA_ULT_ALT is null, '-', char_length(left(old.DATA_ULT_ALT, 200)) || '=' || left(old.DATA_ULT_ALT, 200)) || iif(new.DATA_ULT_ALT is null, '-', char_length(left(new.DATA_ULT_ALT, 200)) || '=' || left(new.DATA_ULT_ALT, 200));
    if (old.MANIPULADOR is distinct from new.MANIPULADOR or char_length(old.MANIPULADOR) is distinct from char_length(new.MANIPULADOR)) then
      C = C || 'MANIPULADOR:' || iif(old.MANIPULADOR is null, '-', char_length(left(old.MANIPULADOR, 200)) || '=' || left(old.MANIPULADOR, 200)) || iif(new.MANIPULADOR is null, '-', char_length(left(new.MANIPULADOR, 200)) || '=' || left(new.MANIPULADOR, 200));
    if (old.VARTEORMIN is distinct from new.VARTEORMIN) then
      C = C || 'VARTEORMIN:' || iif(old.VARTEORMIN is null, '-', char_length(left(old.VARTEORMIN, 200)) || '=' || left(old.VARTEORMIN, 200)) || iif(new.VARTEORMIN is null, '-', char_length(left(new.VARTEORMIN, 200)) || '=' || left(new.VARTEORMIN, 200));
    if (old.VARTEORMAX is distinct from new.VARTEORMAX) then
      C = C || 'VARTEORMAX:' || iif(old.VARTEORMAX is null, '-', char_length(left(old.VARTEORMAX, 200)) || '=' || left(old.VARTEORMAX, 200)) || iif(new.VARTEORMAX is null, '-', char_length(left(new.VARTEORMAX, 200)) || '=' || left(new.VARTEORMAX, 200));
    execute procedure HISTPESO_REGISTRA('RPESOMED', :ACAO,
        coalesce(new.ESTACAO, old.ESTACAO), coalesce(new.NPEDIDO, old.NPEDIDO),
        coalesce(new.NFORMULA, old.NFORMULA), null,
        coalesce(new.ID_RPESOMED, old.ID_RPESOMED), null, null, null,
        :AMOSTRA, :VEREDITO, 0, nullif(:C, ''));
    when any do
      execute procedure HISTPESO_FALHA('RPESOMED', :ACAO, null, gdscode);
  end
end^

create or alter trigger HISTPESO_PESCAVAZ for PESCAVAZ
active after insert or update or delete position 32000
as
declare C varchar(8000) = '';
declare ACAO varchar(10);
begin
  if (inserting) then
    ACAO = 'INCLUSAO';
  else if (updating) then
    ACAO = 'ALTERACAO';
  else
    ACAO = 'EXCLUSAO';
  begin
    if (old.CODFORN is distinct from new.CODFORN or char_length(old.CODFORN) is distinct from char_length(new.CODFORN)) then
      C = C || 'CODFORN:' || iif(old.CODFORN is null, '-', char_length(left(old.CODFORN, 200)) || '=' || left(old.CODFORN, 200)) || iif(new.CODFORN is null, '-', char_length(left(new.CODFORN, 200)) || '=' || left(new.CODFORN, 200));
    if (old.LOTE is distinct from new.LOTE or char_length(old.LOTE) is distinct from char_length(new.LOTE)) then
      C = C || 'LOTE:' || iif(old.LOTE is null, '-', char_length(left(old.LOTE, 200)) || '=' || left(old.LOTE, 200)) || iif(new.LOTE is null, '-', char_length(left(new.LOTE, 200)) || '=' || left(new.LOTE, 200));
    if (old.TAMCAP is distinct from new.TAMCAP or char_length(old.TAMCAP) is distinct from char_length(new.TAMCAP)) then
      C = C || 'TAMCAP:' || iif(old.TAMCAP is null, '-', char_length(left(old.TAMCAP, 200)) || '=' || left(old.TAMCAP, 200)) || iif(new.TAMCAP is null, '-', char_length(left(new.TAMCAP, 200)) || '=' || left(new.TAMCAP, 200));
    if (old.PESOMEDIO is distinct from new.PESOMEDIO) then
      C = C || 'PESOMEDIO:' || iif(old.PESOMEDIO is null, '-', char_length(left(old.PESOMEDIO, 200)) || '=' || left(old.PESOMEDIO, 200)) || iif(new.PESOMEDIO is null, '-', char_length(left(new.PESOMEDIO, 200)) || '=' || left(new.PESOMEDIO, 200));
    if (old.P01 is distinct from new.P01) then
      C = C || 'P01:' || iif(old.P01 is null, '-', char_length(left(old.P01, 200)) || '=' || left(old.P01, 200)) || iif(new.P01 is null, '-', char_length(left(new.P01, 200)) || '=' || left(new.P01, 200));
    if (old.P02 is distinct from new.P02) then
      C = C || 'P02:' || iif(old.P02 is null, '-', char_length(left(old.P02, 200)) || '=' || left(old.P02, 200)) || iif(new.P02 is null, '-', char_length(left(new.P02, 200)) || '=' || left(new.P02, 200));
    if (old.P03 is distinct from new.P03) then
      C = C || 'P03:' || iif(old.P03 is null, '-', char_length(left(old.P03, 200)) || '=' || left(old.P03, 200)) || iif(new.P03 is null, '-', char_length(left(new.P03, 200)) || '=' || left(new.P03, 200));
    if (old.P04 is distinct from new.P04) then
      C = C || 'P04:' || iif(old.P04 is null, '-', char_length(left(old.P04, 200)) || '=' || left(old.P04, 200)) || iif(new.P04 is null, '-', char_length(left(new.P04, 200)) || '=' || left(new.P04, 200));
    if (old.P05 is distinct from new.P05) then
      C = C || 'P05:' || iif(old.P05 is null, '-', char_length(left(old.P05, 200)) || '=' || left(old.P05, 200)) || iif(new.P05 is null, '-', char_length(left(new.P05, 200)) || '=' || left(new.P05, 200));
    if (old.P06 is distinct from new.P06) then
      C = C || 'P06:' || iif(old.P06 is null, '-', char_length(left(old.P06, 200)) || '=' || left(old.P06, 200)) || iif(new.P06 is null, '-', char_length(left(new.P06, 200)) || '=' || left(new.P06, 200));
    if (old.P07 is distinct from new.P07) then
      C = C || 'P07:' || iif(old.P07 is null, '-', char_length(left(old.P07, 200)) || '=' || left(old.P07, 200)) || iif(new.P07 is null, '-', char_length(left(new.P07, 200)) || '=' || left(new.P07, 200));
    if (old.P08 is distinct from new.P08) then
      C = C || 'P08:' || iif(old.P08 is null, '-', char_length(left(old.P08, 200)) || '=' || left(old.P08, 200)) || iif(new.P08 is null, '-', char_length(left(new.P08, 200)) || '=' || left(new.P08, 200));
    if (old.P09 is distinct from new.P09) then
      C = C || 'P09:' || iif(old.P09 is null, '-', char_length(left(old.P09, 200)) || '=' || left(old.P09, 200)) || iif(new.P09 is null, '-', char_length(left(new.P09, 200)) || '=' || left(new.P09, 200));
    if (old.P10 is distinct from new.P10) then
      C = C || 'P10:' || iif(old.P10 is null, '-', char_length(left(old.P10, 200)) || '=' || left(old.P10, 200)) || iif(new.P10 is null, '-', char_length(left(new.P10, 200)) || '=' || left(new.P10, 200));
    if (old.P11 is distinct from new.P11) then
      C = C || 'P11:' || iif(old.P11 is null, '-', char_length(left(old.P11, 200)) || '=' || left(old.P11, 200)) || iif(new.P11 is null, '-', char_length(left(new.P11, 200)) || '=' || left(new.P11, 200));
    if (old.P12 is distinct from new.P12) then
      C = C || 'P12:' || iif(old.P12 is null, '-', char_length(left(old.P12, 200)) || '=' || left(old.P12, 200)) || iif(new.P12 is null, '-', char_length(left(new.P12, 200)) || '=' || left(new.P12, 200));
    if (old.P13 is distinct from new.P13) then
      C = C || 'P13:' || iif(old.P13 is null, '-', char_length(left(old.P13, 200)) || '=' || left(old.P13, 200)) || iif(new.P13 is null, '-', char_length(left(new.P13, 200)) || '=' || left(new.P13, 200));
    if (old.P14 is distinct from new.P14) then
      C = C || 'P14:' || iif(old.P14 is null, '-', char_length(left(old.P14, 200)) || '=' || left(old.P14, 200)) || iif(new.P14 is null, '-', char_length(left(new.P14, 200)) || '=' || left(new.P14, 200));
    if (old.P15 is distinct from new.P15) then
      C = C || 'P15:' || iif(old.P15 is null, '-', char_length(left(old.P15, 200)) || '=' || left(old.P15, 200)) || iif(new.P15 is null, '-', char_length(left(new.P15, 200)) || '=' || left(new.P15, 200));
    if (old.P16 is distinct from new.P16) then
      C = C || 'P16:' || iif(old.P16 is null, '-', char_length(left(old.P16, 200)) || '=' || left(old.P16, 200)) || iif(new.P16 is null, '-', char_length(left(new.P16, 200)) || '=' || left(new.P16, 200));
    if (old.P17 is distinct from new.P17) then
      C = C || 'P17:' || iif(old.P17 is null, '-', char_length(left(old.P17, 200)) || '=' || left(old.P17, 200)) || iif(new.P17 is null, '-', char_length(left(new.P17, 200)) || '=' || left(new.P17, 200));
    if (old.P18 is distinct from new.P18) then
      C = C || 'P18:' || iif(old.P18 is null, '-', char_length(left(old.P18, 200)) || '=' || left(old.P18, 200)) || iif(new.P18 is null, '-', char_length(left(new.P18, 200)) || '=' || left(new.P18, 200));
    if (old.P19 is distinct from new.P19) then
      C = C || 'P19:' || iif(old.P19 is null, '-', char_length(left(old.P19, 200)) || '=' || left(old.P19, 200)) || iif(new.P19 is null, '-', char_length(left(new.P19, 200)) || '=' || left(new.P19, 200));
    if (old.P20 is distinct from new.P20) then
      C = C || 'P20:' || iif(old.P20 is null, '-', char_length(left(old.P20, 200)) || '=' || left(old.P20, 200)) || iif(new.P20 is null, '-', char_length(left(new.P20, 200)) || '=' || left(new.P20, 200));
    execute procedure HISTPESO_REGISTRA('PESCAVAZ', :ACAO, null, null, null, null, null,
        coalesce(new.CODFORN, old.CODFORN), coalesce(new.LOTE, old.LOTE),
        coalesce(new.TAMCAP, old.TAMCAP), null, null, 0, nullif(:C, ''));
    when any do
      execute procedure HISTPESO_FALHA('PESCAVAZ', :ACAO, null, gdscode);
  end
end^

/* Of the first version. */
execute block as
begin
  if (exists(select 1 from RDB$PROCEDURES where RDB$PROCEDURE_NAME = 'HISTPESO_GRAVA')) then
    execute statement 'drop procedure HISTPESO_GRAVA';
end^

set term ; ^

commit;
