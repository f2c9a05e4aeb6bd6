#include "config/uConfiguracao.h"

#include "core/AppError.h"
#include "core/Messages.h"
#include "core/Win1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

QString CaminhoSistema;
QString IPServidorCentral;
qint32 CorFundoTelas = 0;
QString UnidadePesoMedio;
QString CaminhoBackupManual;

namespace {

const QString NomeArquivo = QStringLiteral("VELTRAMO.INI");

constexpr qsizetype LarguraChave = 48;
constexpr qsizetype InicioValor = 49; // column 50, counted from 0
constexpr qsizetype LarguraValor = 60;
constexpr qsizetype SemLimite = -1;

struct Chave {
    std::string_view nome;
    qsizetype largura; // the stored value is cut to this many characters
};

// The known keys, in their usual order in the file.
constexpr Chave kChaves[] = {
    {"IP DO SERVIDOR CENTRAL.........................:", 60},
    {"IP DA ESTACAO DO USUARIO.......................:", 60},
    {"IP DO BACKUP DO BD LOCAL (BKPPED)..............:", 60},
    {"IP DO BACKUP DO BD CENTRAL.....................:", 60},
    {"CAMINHO DO BACKUP MANUAL DO BD DO SISTEMA......:", SemLimite},
    {"COR DE FUNDO DAS TELAS.........................:", SemLimite},
    {"LOG DE ATIVIDADES..............................:", 3},
    {"TIT.COL 4 F.FARMACEUTICA..(Preco Min./% Lucro).:", 30},
    {"PADRAO PRECO MINIMO............................:", 30},
    {"BOTAO MANIPULACAO EM ABERTO/EFETUADA...........:", 30},
    {"MODELO DA REQUISICAO...........................:", 30},
    {"USAR F.C. NO PRECO DE VENDA....................:", 30},
    {"ATENDENTE OBRIGATORIO..........................:", 30},
    {"MOSTRAR PRESCRICAO COMPLETA NA REQUISICAO......:", 30},
    {"MOSTRAR DESCONTO NA REQUISICAO.................:", 30},
    {"USAR PRECO PADRAO DAS FORMULAS PREDEFINIDAS....:", 30},
    {"LAGURA DA REQUISICAO (QDE TRACOS)..............:", 30},
    {"MOSTRAR CONVENIO NA REQUISICAO.................:", 30},
    {"SALTO FINAL APOS IMPRESSAO DA REQUISICAO.......:", 30},
    {"LOG ATIVADO....................................:", 30},
    {"USAR PRECO MINIMO POR FRASCO...................:", 30},
    {"ARREDONDAMENTO DO PRECO (1, 5, 10, 50, 100)....:", 30},
    {"MARGEM ESQUERDA DA REQUISICAO..................:", 30},
    {"MOSTRAR POSOLOGIA NA REQUISICAO................:", 30},
    {"LARGURA DA OM (QDE TRACOS).....................:", 30},
    {"MARGEM ESQUERDA DA OM..........................:", 30},
    {"EMBALAGEM OBRIGATORIA..........................:", 30},
    {"MOSTRAR VALIDADE NA REQUISICAO.................:", 30},
    {"FORMATA NOME DO CLIENTE........................:", 30},
    {"MOSTRAR ENDERECO NA REQUISICAO.................:", 30},
    {"REQUISICAO EM 1 OU 2 VIAS......................:", 30},
    {"ALERTAR QUANDO VALIDADE MENOR QUE N (DIAS).....:", 30},
    {"FORMA DE PAGAMENTO OBRIGATORIA.................:", 30},
    {"INCLUIR OBSERVACAO NA REQUISICAO...............:", 30},
    {"QDE DIAS PARA ENTREGA APOS SEXTA FEIRA.........:", 30},
    {"QDE DIAS PARA ENTREGA APOS SEG A QUI...........:", 30},
    {"USAR HOMEOPATIA E FLORAIS......................:", 30},
    {"QDE GOTAS POR ML DO CONTA-GOTAS................:", 30},
    {"CALCULAR PRECOS HOMEOPATIA PELA QDE DE GOTAS...:", 30},
    {"HABILITAR BOTAO \"REPETIR PEDIDO\"...............:", 30},
    {"PARA O PRODUTO MANIPULADO, USAR A VALIDADE.....:", 30},
    {"USAR NOME FORMULA PRE-DEFIN NA REQ E NO ROTULO.:", 30},
    {"UNID USADA P/ COMPRIM E GLOBULOS NA HOMEOPATIA.:", 30},
    {"MOSTRAR MATRICULA NA REQUISICAO................:", 30},
    {"FORMATO DA VALIDADE DA FORMULA.................:", 30},
    {"VALOR DA HORA DE MANIPULACAO...................:", 30},
    {"ROTULO DADO AO CAMPO DE CUSTO DA FORMULA.......:", 30},
    {"BLOQUEIO DA ALTERACAO DO PEDIDO APOS IMPRESSAO.:", 30},
    {"IMPRESSAO OBRIGATORIA DA REQUISICAO............:", 30},
    {"MODELO ALTERNATIVO DE REQUISICAO...............:", 30},
    {"IMPRIMIR NA REQ. CABECALHO PORTARIA 3492 ART.68:", 30},
    {"ATUALIZAR DATAS SE FOR ALTER. O TIPO DO PEDIDO.:", 30},
    {"TEXTO PADRAO DA POSOLOGIA......................:", 30},
    {"MOSTRAR CAMPO DE CODIGO DE ENTREGA.............:", 30},
    {"PERMITIR PRODUTO DE REVENDA NA FORMULA.........:", 30},
    {"MOSTRAR CAMPOS DO CAIXA NA TELA DE PEDIDOS.....:", 30},
    {"COR PADRAO DAS CAPSULAS........................:", 30},
    {"TEXTO DO CAMPO DE CONVENIO.....................:", 30},
    {"VISUALIZAR SITUACOES ESPECIAIS DOS COMPONENTES.:", 30},
    {"LABORATORIO PADRAO.............................:", 30},
    {"POSOLOGIA OBRIGATORIA..........................:", 30},
    {"NOME DO CONVENIO PADRAO........................:", 30},
    {"USAR FAT. DILUICAO NO CALC. DO PRECO DE VENDA..:", 30},
    {"OBRIGA ESPECIFICAR ROTA NAS ENTREGAS EM DOMIC..:", 30},
    {"INCLUIR DADOS CLIENTE NA REQ. (ENTR. DOMICILIO):", 30},
    {"PERMITE FORMULA HOM SEM ESTOQUE DINAM INFERIOR.:", 30},
    {"ATIVAR MODO DE IMPLANTACAO DO SISTEMA..........:", 30},
    {"IMPEDE DIGITACAO DO NOME DO ATENDENTE..........:", 30},
    {"TEMPO PARA LOGOFF AUTOMATICO...................:", 30},
    {"USAR REDUCAO FRASCOS PARA DOSE UNICA.(QDEDU)...:", 30},
    {"EXIBIR BOTAO PLACEBO NA TELA DE HOMEOPATIA.....:", 30},
    {"LIMITE DE REG MANTIDOS PARA QUIT AUTOMATICA....:", 30},
    {"UTILIZAR TABELA DE ACRESCIMOS DA HOMEOPATIA....:", 30},
    {"CALCULAR PRECOS FLORAIS COM BASE NA............:", 30},
    {"PRECOS HOM COM ASSOCIACOES COM BASE............:", 30},
    {"COR DAS MENSAGENS DOS COMPONENTES..............:", 30},
    {"COR USADA NAS MENSAGEM DE SITUACOES ESPECIAIS..:", 30},
    {"INCLUIR EXCIPIENTES E VEICULOS NOS ROTULOS.....:", 30},
    {"MOSTRAR PRECO NA OM E NA REQUISICAO............:", 30},
    {"INCLUIR TEXTO \"PEDIDO\" OU \"ORCAM\" NA REQUISICAO:", 30},
    {"MASCARA P/ FORMATACAO DO N.PEDIDO NA REQUISICAO:", 30},
    {"OCULTAR BOTAO \"INSERIR\" NA PESQUISA DE MEDICO..:", 30},
    {"REPETIR MESMA OBS DA FORMULA AO REPETIR PEDIDO.:", 30},
    {"IMPEDIR A REIMPRESSAO DA REQUISICAO............:", 30},
    {"FORMA DE INCLUSAO DA EMBALAGEM DA FORMULA......:", 30},
    {"PREENCHIMENTO OBRIGATORIO DOS DADOS DO SNGPC...:", 30},
    {"ECF UTILIZADO..................................:", 30},
    {"MOSTRAR OS EXCIPIENTES IDENTIFICADOS NA FORMULA:", 30},
    {"DEFINIR O EXCIPIENTE PELA DOSAGEM..............:", 30},
    {"VALOR DESC. P/ FLORAIS COM APENAS UMA ESSENCIA.:", 30},
    {"VAL DESC P/ FLORAIS C/ NO MAXIMO 20% DE BRANDY.:", 30},
    {"MOSTRAR CAMPO DE SINAL NA TELA DE PEDIDOS......:", 30},
    {"MOSTRAR NUM. DOCUMENTO DO CLIENTE NA REQUISICAO:", 30},
    {"OBRIGATORIO NOME/TELEFONE DO CLIENTE NO PEDIDO.:", 30},
    {"CONSERVANTE ADICION. NAS EMBALAGENS DE CAPSULAS:", 30},
    {"CAMINHO ARQ TEXTO PARA ECF CHART...............:", 30},
    {"CAMINHO ARQ TEXTO PARA ECF ATS.................:", 30},
    {"IP COMPUTADOR QUE GERA COD.SEQ. PARA ECF ATS...:", 30},
    {"IP COMPUT. QUE GERA COD.SEQ. P/ ECF QUINTAVELO.:", 30},
    {"SUBST PR.TOT P/ PR.C/.DESC QDO DESC FOR NEGAT..:", 30},
    {"VERSAO DO ECF CHART............................:", 30},
    {"DAV/ECF ATIVO..................................:", 30},
    {"QDE PADRAO DE DIAS PARA PESQUISA DE PEDIDOS....:", 30},
    {"TIPO DE IMPRESSORA DA REQUISICAO...............:", 30},
    {"UTILIZA CREDIARIO..............................:", 30},
    {"INCLUIR TAXA ENTREGA NO DAV DA ATS.............:", 30},
    {"OBRIGATORIO INFORMAR PRAZO DURACAO DA FORMULA..:", 30},
    {"MOSTRAR OBS SOBRE DOSAGEM FORA DA FAIXA NO OM..:", 30},
    {"UNIDADE USADA NO CALCULO DO PESO MEDIO.........:", 30},
};

constexpr int kTotalChaves = int(std::size(kChaves));
static_assert(kTotalChaves == 109);

consteval bool ChavesBemFormadas()
{
    for (const Chave &chave : kChaves) {
        if (chave.nome.size() != std::size_t(LarguraChave) || chave.nome.back() != ':')
            return false;
    }
    return true;
}
static_assert(ChavesBemFormadas());

// Keys whose values have names of their own.
enum : int { IdxServidor = 0, IdxBackupManual = 4, IdxCor = 5, IdxUnidade = 108 };
static_assert(kChaves[IdxServidor].nome.starts_with("IP DO SERVIDOR CENTRAL."));
static_assert(kChaves[IdxBackupManual].nome.starts_with("CAMINHO DO BACKUP MANUAL DO BD DO SISTEMA."));
static_assert(kChaves[IdxCor].nome.starts_with("COR DE FUNDO DAS TELAS."));
static_assert(kChaves[IdxUnidade].nome.starts_with("UNIDADE USADA NO CALCULO DO PESO MEDIO."));

// Values of the keys without a name of their own; the named slots stay unused.
QString g_outrosValores[kTotalChaves];

QString *Destino(int indice)
{
    switch (indice) {
    case IdxServidor:
        return &IPServidorCentral;
    case IdxBackupManual:
        return &CaminhoBackupManual;
    case IdxUnidade:
        return &UnidadePesoMedio;
    default:
        return &g_outrosValores[indice];
    }
}

int IndiceDaChave(const QString &chave)
{
    static const QHash<QString, int> indices = [] {
        QHash<QString, int> mapa;
        const QStringList &chaves = ChavesConfiguracao();
        for (int i = 0; i < chaves.size(); ++i)
            mapa.insert(chaves.at(i), i);
        return mapa;
    }();
    return indices.value(chave, -1);
}

// Optional sign, then decimal digits only; nothing when out of the 32-bit range.
std::optional<qint32> InteiroDecimal(const QString &texto)
{
    qsizetype i = 0;
    bool negativo = false;
    if (i < texto.size() && (texto.at(i) == u'+' || texto.at(i) == u'-')) {
        negativo = texto.at(i) == u'-';
        ++i;
    }
    if (i == texto.size())
        return std::nullopt;
    constexpr qint64 limite = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 valor = 0;
    for (; i < texto.size(); ++i) {
        const char16_t c = texto.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        valor = valor * 10 + (c - u'0');
        if (valor > limite)
            return std::nullopt;
    }
    if (negativo)
        valor = -valor;
    if (valor > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(valor);
}

// Only a-z: accented letters keep their case.
QString MaiusculasAZ(QString texto)
{
    for (QChar &c : texto) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return texto;
}

void TrataLinha(const QString &linha)
{
    const int indice = IndiceDaChave(linha.left(LarguraChave));
    if (indice < 0)
        return;
    QString valor = TiraEspacos(linha.mid(InicioValor, LarguraValor));
    if (indice == IdxCor) {
        const std::optional<qint32> cor = InteiroDecimal(valor);
        if (!cor)
            throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(valor));
        CorFundoTelas = *cor;
        return;
    }
    if (indice == IdxUnidade)
        valor = MaiusculasAZ(valor);
    if (kChaves[indice].largura != SemLimite)
        valor.truncate(kChaves[indice].largura);
    *Destino(indice) = valor;
}

AppError ErroDeLeitura(const QString &caminho, const QString &motivo)
{
    return AppError(QStringLiteral("Erro ao ler o arquivo %1: %2").arg(QDir::toNativeSeparators(caminho), motivo));
}

// The exact name first; on file systems that tell letter case apart, any
// spelling of it. Empty when there is none.
QString LocalizaArquivo(const QString &pasta)
{
    const QString exato = pasta + NomeArquivo;
    if (QFileInfo::exists(exato))
        return exato;
    const QStringList nomes = QDir(pasta).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &nome : nomes) {
        if (nome.compare(NomeArquivo, Qt::CaseInsensitive) == 0)
            return pasta + nome;
    }
    return {};
}

void LeArquivo()
{
    const QString caminho = LocalizaArquivo(CaminhoSistema);
    if (caminho.isEmpty()) {
        messages().simple(QStringLiteral("Arquivo VELTRAMO.INI não encontrado. Execute o programa Korvel.exe para criá-lo."));
        throw ProgramExit{0};
    }

    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly))
        throw ErroDeLeitura(caminho, arquivo.errorString());
    while (!arquivo.atEnd()) {
        QByteArray linha = arquivo.readLine();
        if (arquivo.error() != QFileDevice::NoError)
            throw ErroDeLeitura(caminho, arquivo.errorString());
        if (linha.endsWith('\n'))
            linha.chop(1);
        if (linha.endsWith('\r'))
            linha.chop(1);
        // One byte is one character, and nothing past the value's last column is read.
        linha.truncate(InicioValor + LarguraValor);
        TrataLinha(fromWin1252(linha));
    }
}

} // namespace

const QStringList &ChavesConfiguracao()
{
    static const QStringList chaves = [] {
        QStringList lista;
        lista.reserve(kTotalChaves);
        for (const Chave &chave : kChaves)
            lista.append(QString::fromLatin1(chave.nome.data(), qsizetype(chave.nome.size())));
        return lista;
    }();
    return chaves;
}

QString ValorConfiguracao(const QString &chave)
{
    const int indice = IndiceDaChave(chave);
    if (indice < 0)
        return {};
    if (indice == IdxCor)
        return QString::number(CorFundoTelas);
    return *Destino(indice);
}

void ReiniciaConfiguracao()
{
    for (QString &valor : g_outrosValores)
        valor.clear();
    IPServidorCentral.clear();
    CaminhoBackupManual.clear();
    UnidadePesoMedio.clear();
    CorFundoTelas = 0;
}

QString TiraEspacos(const QString &texto)
{
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && texto.at(inicio) == u' ')
        ++inicio;
    while (fim > inicio && texto.at(fim - 1) == u' ')
        --fim;
    return texto.mid(inicio, fim - inicio);
}

bool CaminhosLiterais()
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

QString ArquivoInstalacao(const QString &relativo)
{
    const QStringList partes = QString(relativo).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    QString caminho = CaminhosLiterais() ? QStringLiteral("C:/VELTRAMO/") : CaminhoSistema;
    for (qsizetype i = 0; i < partes.size(); ++i) {
        const QString &parte = partes[i];
        QString achada = parte;
        if (!CaminhosLiterais()) {
            QDir pasta(caminho);
            if (!pasta.exists(parte)) {
                const QStringList entradas =
                    pasta.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
                for (const QString &entrada : entradas)
                    if (entrada.compare(parte, Qt::CaseInsensitive) == 0) {
                        achada = entrada;
                        break;
                    }
            }
        }
        caminho += achada;
        if (i + 1 < partes.size())
            caminho += u'/';
    }
    return caminho;
}

void LeConfiguracao()
{
    LeConfiguracaoDe(QCoreApplication::applicationDirPath());
}

void LeConfiguracaoDe(const QString &pasta)
{
    CaminhoSistema = QDir::fromNativeSeparators(pasta);
    if (!CaminhoSistema.endsWith(u'/'))
        CaminhoSistema += u'/';
    LeArquivo();
}
