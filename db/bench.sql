/*
  Benchmark data: a large suite database for timing the order lists, the
  order search and the theoretical weight.

  Load after schema.sql into an empty database (no demo data), with the
  connection character set UTF8. Every value is derived from the loop
  counters, so two loads give the same rows:

    20 suppliers (the first 10 sell empty capsules)
    2 000 registered empty-capsule lots (200 per capsule supplier)
    2 200 stock lots of capsules (200 extra lots have no registered weights)
    234 stock lots of raw materials (26 products at 9 suppliers)
    100 000 orders over two stations and two years, 2 or 3 formulas each,
    3 to 6 components per formula; each capsule formula has one capsule
    component whose lot and supplier match a registered lot.
*/

set sql dialect 3;
set term ^ ;

/* Suppliers, stock lots and empty-capsule lots. */
execute block
as
  declare s integer;
  declare k integer;
  declare j integer;
  declare p integer;
  declare fantasia varchar(40);
  declare tam varchar(3);
  declare base integer;
  declare soma integer;
  declare w0 integer;
  declare w1 integer;
  declare w2 integer;
  declare w3 integer;
  declare w4 integer;
  declare w5 integer;
  declare w6 integer;
  declare w7 integer;
  declare w8 integer;
  declare w9 integer;
  declare w10 integer;
  declare w11 integer;
  declare w12 integer;
  declare w13 integer;
  declare w14 integer;
  declare w15 integer;
  declare w16 integer;
  declare w17 integer;
  declare w18 integer;
  declare w19 integer;
begin
  s = 1;
  while (s <= 20) do
  begin
    fantasia = decode(s,
      1, 'SERRA AZUL CAPSULAS', 2, 'GELPAULISTA', 3, 'ENCAPSULAR', 4, 'CAPSULAS DO VALE',
      5, 'GELCAP MINAS', 6, 'CAPSULAR SUL', 7, 'NORTE CAPSULAS', 8, 'GELATINAS RIO CLARO',
      9, 'CAPSULAS PIONEIRA', 10, 'VEGECAPS BRASIL',
      11, 'BOA VISTA QUIMICA', 12, 'IPIRANGA INSUMOS', 13, 'QUIMICA ANDRADAS', 14, 'FARMOS INSUMOS',
      15, 'SAO CAETANO QUIMICA', 16, 'INSUMOS PARANA', 17, 'BIOATIVOS CAMPINAS', 18, 'MERIDIANO QUIMICA',
      19, 'ATIVOS DO SERTAO', 20, 'VALE DO SOL EMBALAGENS');
    insert into FORNECED (CODIGO, NOME, NOMEFANTASIA, ENDERECO, CEP, CIDADE, ESTADO, TEL, E_MAIL, CNPJ, PRAZO_PAGAMENTO)
      values (lpad(:s, 4, '0'), :fantasia || ' LTDA', :fantasia,
              'Rua Industrial, ' || (100 + :s * 37), lpad(mod(:s * 7919, 99999), 5, '0') || '-000',
              decode(mod(:s, 4), 0, 'São Paulo', 1, 'Campinas', 2, 'Sorocaba', 'Belo Horizonte'),
              iif(mod(:s, 4) = 3, 'MG', 'SP'), '(11) 3' || lpad(mod(:s * 4513, 1000), 3, '0') || '-' || lpad(mod(:s * 6271, 10000), 4, '0'),
              'vendas' || :s || '@fornecedor.com.br',
              lpad(mod(:s * 1234567, 100), 2, '0') || '.' || lpad(mod(:s * 7654321, 1000), 3, '0') || '.' ||
              lpad(mod(:s * 3141593, 1000), 3, '0') || '/0001-' || lpad(mod(:s * 97, 100), 2, '0'),
              30);

    if (s <= 10) then
    begin
      /* 200 registered lots and 20 unregistered ones per capsule supplier;
         the capsule size follows the lot number. */
      k = 1;
      while (k <= 220) do
      begin
        tam = decode(mod(k, 6), 0, '00', 1, '0', 2, '1', 3, '2', 4, '3', '4');
        insert into ESTLOTE (DESCRICAO, LOTE, FORNECEDOR, CODIGO, SALDOPREVISTO, SALDOCORRENTE, UNIDADE,
                             FABRICANTE, VALIDADE, SITUACAO, FATORCORRECAO, LABORATORIO)
          values ('Capsula ' || :tam || decode(mod(:k, 4), 0, ' Incolor', 1, ' Branca', 2, ' Azul/Branca', ' Verde'),
                  'C' || lpad(:s, 2, '0') || '-' || lpad(:k, 5, '0'), :fantasia, '0008' || mod(:k, 6) || mod(:k, 4),
                  1000 * (10 + mod(:k * 13, 50)), 1000 * (10 + mod(:k * 13, 50)), 'UN', :fantasia,
                  date '2026-06-30' + mod(:k * 29, 900), 'Liberado', 1, 'MATRIZ');

        if (k <= 200) then
        begin
          /* Weights in tenths of mg around the usual size weight, within +-1.5 mg. */
          base = decode(tam, '00', 1180, '0', 960, '1', 760, '2', 615, '3', 480, 386);
          w0  = base + mod(k * 37 + s * 13 +   0, 31) - 15;
          w1  = base + mod(k * 37 + s * 13 + 101, 31) - 15;
          w2  = base + mod(k * 37 + s * 13 + 202, 31) - 15;
          w3  = base + mod(k * 37 + s * 13 + 303, 31) - 15;
          w4  = base + mod(k * 37 + s * 13 + 404, 31) - 15;
          w5  = base + mod(k * 37 + s * 13 + 505, 31) - 15;
          w6  = base + mod(k * 37 + s * 13 + 606, 31) - 15;
          w7  = base + mod(k * 37 + s * 13 + 707, 31) - 15;
          w8  = base + mod(k * 37 + s * 13 + 808, 31) - 15;
          w9  = base + mod(k * 37 + s * 13 + 909, 31) - 15;
          w10 = base + mod(k * 41 + s * 17 +  11, 31) - 15;
          w11 = base + mod(k * 41 + s * 17 + 113, 31) - 15;
          w12 = base + mod(k * 41 + s * 17 + 215, 31) - 15;
          w13 = base + mod(k * 41 + s * 17 + 317, 31) - 15;
          w14 = base + mod(k * 41 + s * 17 + 419, 31) - 15;
          w15 = base + mod(k * 41 + s * 17 + 521, 31) - 15;
          w16 = base + mod(k * 41 + s * 17 + 623, 31) - 15;
          w17 = base + mod(k * 41 + s * 17 + 725, 31) - 15;
          w18 = base + mod(k * 41 + s * 17 + 827, 31) - 15;
          w19 = base + mod(k * 41 + s * 17 + 929, 31) - 15;
          soma = w0 + w1 + w2 + w3 + w4 + w5 + w6 + w7 + w8 + w9
               + w10 + w11 + w12 + w13 + w14 + w15 + w16 + w17 + w18 + w19;
          insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P02, P03, P04, P05, P06, P07, P08, P09, P10,
                                P11, P12, P13, P14, P15, P16, P17, P18, P19, P20)
            values (lpad(:s, 4, '0'), 'C' || lpad(:s, 2, '0') || '-' || lpad(:k, 5, '0'), :tam,
                    cast(:soma as decimal(15,3)) / 200,
                    :w0 / 10.0, :w1 / 10.0, :w2 / 10.0, :w3 / 10.0, :w4 / 10.0,
                    :w5 / 10.0, :w6 / 10.0, :w7 / 10.0, :w8 / 10.0, :w9 / 10.0,
                    :w10 / 10.0, :w11 / 10.0, :w12 / 10.0, :w13 / 10.0, :w14 / 10.0,
                    :w15 / 10.0, :w16 / 10.0, :w17 / 10.0, :w18 / 10.0, :w19 / 10.0);
        end
        k = k + 1;
      end
    end
    else if (s < 20) then
    begin
      /* Raw materials: 26 products, one lot of each at every raw-material supplier. */
      p = 0;
      while (p < 26) do
      begin
        insert into ESTLOTE (DESCRICAO, LOTE, FORNECEDOR, CODIGO, SALDOPREVISTO, SALDOCORRENTE, UNIDADE,
                             VALIDADE, SITUACAO, DENSIDADE, FATORCORRECAO, LABORATORIO)
          values ('Matéria-prima ' || lpad(:p, 2, '0'), 'MP' || lpad(:p, 2, '0') || '-' || lpad(:s - 11, 2, '0'),
                  :fantasia, '001' || lpad(:p, 3, '0'), 500 + mod(:p * 37, 500), 500 + mod(:p * 37, 500), 'G',
                  date '2026-03-31' + mod(:p * 53 + :s * 17, 700), 'Liberado', 1, 1, 'MATRIZ');
        p = p + 1;
      end
    end
    s = s + 1;
  end
end^

commit^

/* Orders, formulas and components, committed every 10 000 orders. */
execute block
as
  declare i integer;
  declare chunk integer;
  declare last_i integer;
  declare n1 integer = 0;
  declare n2 integer = 0;
  declare est varchar(3);
  declare num integer;
  declare dia date;
  declare tipo varchar(20);
  declare h integer;
  declare nforms integer;
  declare f integer;
  declare forma varchar(20);
  declare caps integer;
  declare ncomp integer;
  declare c integer;
  declare a integer;
  declare sup integer;
  declare lot integer;
  declare tam varchar(3);
  declare nome varchar(40);
  declare sobrenome varchar(30);
  declare paciente varchar(40);
  declare preco decimal(15,2);
  declare total decimal(15,2);
begin
  i = 1;
  chunk = 10000;
  while (i <= 100000) do
  begin
    last_i = i + chunk - 1;
    in autonomous transaction do
    begin
      while (i <= last_i) do
      begin
        /* Station 01 takes three orders in five, each station numbers its own. */
        if (mod(i, 5) < 3) then
        begin
          est = '01';
          n1 = n1 + 1;
          num = n1;
        end
        else
        begin
          est = '02';
          n2 = n2 + 1;
          num = n2;
        end
        dia = date '2024-03-01' + (i * 730) / 100000;
        h = mod(i * 7919, 100);
        tipo = case when h < 85 then 'Pedido' when h < 90 then 'Repos' when h < 93 then 'Próprio'
                    when h < 97 then 'Orçam' else 'Cancel' end;
        sobrenome = decode(mod(i / 20, 10),
                 0, 'Silva', 1, 'Santos', 2, 'Oliveira', 3, 'Souza', 4, 'Rodrigues', 5, 'Ferreira',
                 6, 'Alves', 7, 'Pereira', 8, 'Lima', 'Gomes')
            || ' ' || decode(mod(i / 200, 10),
                 0, 'Costa', 1, 'Ribeiro', 2, 'Martins', 3, 'Carvalho', 4, 'Almeida', 5, 'Lopes',
                 6, 'Soares', 7, 'Fernandes', 8, 'Vieira', 'Barbosa');
        nome = decode(mod(i, 20),
                 0, 'Maria', 1, 'José', 2, 'Ana', 3, 'João', 4, 'Antônio', 5, 'Francisca', 6, 'Carlos',
                 7, 'Paulo', 8, 'Adriana', 9, 'Lucas', 10, 'Juliana', 11, 'Marcos', 12, 'Patrícia',
                 13, 'Pedro', 14, 'Fernanda', 15, 'Luiz', 16, 'Aline', 17, 'Rafael', 18, 'Sandra', 'Gabriel')
            || ' ' || sobrenome;
        /* Every ninth order is bought by a parent for a child. */
        paciente = iif(mod(i, 9) = 0,
                       decode(mod(i, 4), 0, 'Laura', 1, 'Miguel', 2, 'Helena', 'Davi') || ' ' || sobrenome, nome);
        nforms = 2 + iif(mod(i * 13, 7) < 3, 1, 0);
        total = 0;

        f = 1;
        while (f <= nforms) do
        begin
          h = mod(i * 31 + f * 17, 20);
          forma = case when h < 10 then 'Cápsulas' when h < 16 then 'Capsulas' when h = 16 then 'Cápsula'
                       when h = 17 then 'Capsula' else 'Creme' end;
          ncomp = 3 + mod(i * 11 + f * 5, 4);
          preco = 30 + mod(i * 7 + f * 3, 90) + mod(i, 100) / 100.0;
          total = total + preco;

          if (forma = 'Creme') then
          begin
            insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA, POSOLOGIA, PRECOFORMULA, QDEROTULOS,
                                  VALIDADE, VOLUMETOTAL, UNIDADE, USO, NOMEFORMULA, PRONTO, ENTREGUE, LABORATORIO)
              values (:est, :num, :f, :forma, 'Aplicar 2 vezes ao dia', :preco, 1, :dia + 90,
                      30 + 20 * mod(:i, 3), 'G', 'Uso externo', 'Creme ' || :i || '/' || :f, 'S', 'S', 'MATRIZ');
            c = 1;
            while (c <= ncomp) do
            begin
              a = mod(i + f * 7 + c * 3, 6);
              insert into COMPEDID (ESTACAO, NPEDIDO, NFORMULA, COMPONENTE, QDE, UNID, VALOR, QDEDIG, UNIDDIG,
                                    USADO, ORDEM, TIPOPEDIDO, CODIGO, LOTE, FORNECEDOR, FATORCORRECAO, FATORDILUICAO)
                values (:est, :num, :f,
                        decode(:a, 0, 'CREME BASE LANETTE', 1, 'UREIA', 2, 'DEXPANTENOL', 3, 'ALANTOINA',
                               4, 'ACIDO HIALURONICO', 'ALFA BISABOLOL'),
                        iif(:c = 1, 25, 0.5 + mod(:i + :c, 5)), 'G', :preco / :ncomp,
                        iif(:c = 1, 25, 0.5 + mod(:i + :c, 5)), 'G', 'S', :c, substring(:tipo from 1 for 3),
                        '001' || lpad(20 + :a, 3, '0'), 'MP' || lpad(20 + :a, 2, '0') || '-' || lpad(mod(:i, 9), 2, '0'),
                        decode(mod(:i, 9), 0, 'BOA VISTA QUIMICA', 1, 'IPIRANGA INSUMOS', 2, 'QUIMICA ANDRADAS',
                               3, 'FARMOS INSUMOS', 4, 'SAO CAETANO QUIMICA', 5, 'INSUMOS PARANA',
                               6, 'BIOATIVOS CAMPINAS', 7, 'MERIDIANO QUIMICA', 'ATIVOS DO SERTAO'),
                        1, 1);
              c = c + 1;
            end
          end
          else
          begin
            caps = 30 * (1 + mod(i + f, 4));
            insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA, POSOLOGIA, PRECOFORMULA, QDECAPSULAS,
                                  QDEROTULOS, VALIDADE, VOLUMETOTAL, UNIDADE, USO, NOMEFORMULA, PRONTO, ENTREGUE,
                                  QUANTIDADEDIAS, QDE_CAPS_PRESCRITA, LABORATORIO)
              values (:est, :num, :f, :forma, 'Tomar 1 cápsula ao dia', :preco, :caps, 1, :dia + 180, :caps, 'CAP',
                      'Oral', 'Fórmula ' || :i || '/' || :f, 'S', 'S', :caps, :caps, 'MATRIZ');

            /* Active ingredients first, the capsules last. */
            c = 1;
            while (c < ncomp) do
            begin
              a = mod(i * 3 + f * 7 + c * 11, 20);
              insert into COMPEDID (ESTACAO, NPEDIDO, NFORMULA, COMPONENTE, QDE, UNID, VALOR, QDEDIG, UNIDDIG,
                                    USADO, ORDEM, TIPOPEDIDO, CODIGO, LOTE, FORNECEDOR, FATORCORRECAO, FATORDILUICAO)
                values (:est, :num, :f,
                        decode(:a, 0, 'CITRATO DE MAGNESIO', 1, 'CLORIDRATO DE METFORMINA', 2, 'CAFEINA ANIDRA',
                               3, 'MELATONINA', 4, 'COLECALCIFEROL', 5, 'METILCOBALAMINA', 6, 'PICOLINATO DE CROMO',
                               7, 'COENZIMA Q10', 8, 'ACIDO FOLICO', 9, 'BIOTINA', 10, 'SULFATO DE GLUCOSAMINA',
                               11, 'SULFATO DE CONDROITINA', 12, 'GINKGO BILOBA EXTRATO SECO', 13, 'CURCUMA EXTRATO SECO',
                               14, 'L-TRIPTOFANO', 15, 'SILIMARINA', 16, 'ZINCO QUELATO', 17, 'RESVERATROL',
                               18, 'ACIDO ASCORBICO', 'EXCIPIENTE PADRAO'),
                        :caps * decode(:a, 0, 150, 1, 500, 2, 100, 3, 3, 4, 2000, 5, 1000, 6, 250, 7, 100, 8, 5,
                                       9, 5, 10, 0.3, 11, 0.2, 12, 80, 13, 300, 14, 250, 15, 200, 16, 30, 17, 100,
                                       18, 0.5, 100),
                        decode(:a, 4, 'UI', 5, 'MCG', 6, 'MCG', 10, 'G', 11, 'G', 18, 'G', 'MG'),
                        :preco / :ncomp,
                        decode(:a, 0, 150, 1, 500, 2, 100, 3, 3, 4, 2000, 5, 1000, 6, 250, 7, 100, 8, 5,
                               9, 5, 10, 300, 11, 200, 12, 80, 13, 300, 14, 250, 15, 200, 16, 30, 17, 100, 18, 500, 100),
                        decode(:a, 4, 'UI', 5, 'MCG', 6, 'MCG', 'MG'),
                        'S', :c, substring(:tipo from 1 for 3), '001' || lpad(:a, 3, '0'),
                        'MP' || lpad(:a, 2, '0') || '-' || lpad(mod(:i, 9), 2, '0'),
                        decode(mod(:i, 9), 0, 'BOA VISTA QUIMICA', 1, 'IPIRANGA INSUMOS', 2, 'QUIMICA ANDRADAS',
                               3, 'FARMOS INSUMOS', 4, 'SAO CAETANO QUIMICA', 5, 'INSUMOS PARANA',
                               6, 'BIOATIVOS CAMPINAS', 7, 'MERIDIANO QUIMICA', 'ATIVOS DO SERTAO'),
                        1, 1);
              c = c + 1;
            end

            /* A registered lot: supplier 1..10, lot 1..200, size from the lot number. */
            sup = 1 + mod(i + f, 10);
            lot = 1 + mod(i * 7 + f * 3, 200);
            tam = decode(mod(lot, 6), 0, '00', 1, '0', 2, '1', 3, '2', 4, '3', '4');
            insert into COMPEDID (ESTACAO, NPEDIDO, NFORMULA, COMPONENTE, QDE, UNID, VALOR, QDEDIG, UNIDDIG,
                                  USADO, ORDEM, TIPOPEDIDO, CODIGO, LOTE, FORNECEDOR, FATORCORRECAO, FATORDILUICAO)
              values (:est, :num, :f, 'CAPSULA GELATINA INCOLOR N ' || :tam, :caps, 'UN', :preco / :ncomp,
                      :caps, 'UN', 'S', :ncomp, substring(:tipo from 1 for 3), '0008' || mod(:lot, 6) || mod(:lot, 4),
                      'C' || lpad(:sup, 2, '0') || '-' || lpad(:lot, 5, '0'),
                      decode(:sup, 1, 'SERRA AZUL CAPSULAS', 2, 'GELPAULISTA', 3, 'ENCAPSULAR', 4, 'CAPSULAS DO VALE',
                             5, 'GELCAP MINAS', 6, 'CAPSULAR SUL', 7, 'NORTE CAPSULAS', 8, 'GELATINAS RIO CLARO',
                             9, 'CAPSULAS PIONEIRA', 'VEGECAPS BRASIL'),
                      1, 1);
          end
          f = f + 1;
        end

        insert into PEDIDOS (ESTACAO, NPEDIDO, NOME, ENDER1, FONE, MEDICO, DATAPEDIDO, HORAPEDIDO, TIPOPEDIDO,
                             QDEFORMULAS, PRECOFINAL, PRECOTOTAL, PAGO, PRONTO, ENTREGUE, VENDEDOR, LABORATORIO, PACIENTE)
          values (:est, :num, :nome, 'Rua ' || (1 + mod(:i * 17, 900)) || ', ' || (1 + mod(:i * 31, 3000)),
                  '(11) 9' || lpad(mod(:i * 7919, 10000), 4, '0') || '-' || lpad(mod(:i * 104729, 10000), 4, '0'),
                  'Dr(a). ' || decode(mod(:i, 7), 0, 'Helena Castro', 1, 'Ricardo Tavares', 2, 'Marcelo Vasconcelos',
                                      3, 'Sílvia Ramos', 4, 'Eduardo Sales', 5, 'Beatriz Moura', 'Otávio Brandão'),
                  :dia, time '08:00' + mod(:i * 97, 36000), :tipo, :nforms, :total, :total,
                  iif(:tipo in ('Orçam', 'Cancel'), 'N', 'S'), iif(:tipo in ('Orçam', 'Cancel'), 'N', 'S'),
                  iif(:tipo in ('Pedido', 'Repos'), 'S', 'N'),
                  decode(mod(:i, 4), 0, 'SILVANA', 1, 'RODRIGO', 2, 'KEILA', 'MARCOS'), 'MATRIZ', :paciente);
        i = i + 1;
      end
    end
  end
end^

set term ; ^

commit;

/* The indexes were built on empty tables; recompute their selectivity so
   that the optimizer sees the loaded data (without it the order lists
   prefer the nearly useless dosage-form and order-type indexes). */
set statistics index PK_PEDIDOS;
set statistics index IDX_PEDIDOS_DATAPEDIDO;
set statistics index IDX_PEDIDOS_TIPOPEDIDO;
set statistics index PK_PEDIFORM;
set statistics index IDX_PEDIFORM_FORMAFARMA;
set statistics index IDX_COMPEDID_FORMULA;
set statistics index PK_FORNECED;
set statistics index IDX_FORNECED_NOMEFANTASIA;
set statistics index IDX_FORNECED_NOME;
set statistics index PK_ESTLOTE;
set statistics index IDX_ESTLOTE_LOTE;
set statistics index IDX_ESTLOTE_FORNECEDOR;
set statistics index UQ_PESCAVAZ;

commit;
