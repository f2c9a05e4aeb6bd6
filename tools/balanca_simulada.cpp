// A laboratory balance on a pseudo-terminal, for tests and demonstrations.
// Prints the terminal's path (or the link given) on the first line of its
// standard output, then answers on that terminal in the chosen protocol from a
// list of weights, each stable reply taking the next one.
//
//   balanca_simulada [options]
//   --protocolo MT-SICS|SBI|AND|CONTINUO   (MT-SICS)
//   --pesos 0.3746,0.3812     weights as the balance writes them, used in turn
//   --unidade g               unit written after the weight (g, mg, kg, ...)
//   --instavel N|sempre       unstable replies before each stable one (0)
//   --sobrecarga --subcarga --erro --mudo --lixo --incompleta
//                             overload, underload, the protocol's error reply,
//                             no reply, garbage, half a reply without line end
//   --longa N                 replies N bytes without line end
//   --atraso MS               waits before each reply (slow balance)
//   --lento MS                writes each byte MS apart (a slow line)
//   --formato22               SBI replies of 22 characters (identification "N")
//   --formato mt|and|sbi|livre  continuous mode: the look of the lines (sbi);
//                             livre: "  0.3746 g", "?  0.3746 g" when unstable
//   --intervalo MS            continuous mode: one line every MS (200)
//   --repete N                continuous mode: stable lines per weight (3)
//   --tecla MS                a stable weight sent unasked every MS (print key;
//                             auto-print when MS is short)
//   --estabiliza MS           each weight settles MS after it is put on the pan
//                             (at the start and after each stable reply): until
//                             then MT-SICS S, A&D S and SBI ESC P hold their
//                             reply, SI and Q answer unstable
//   --modelo TEXT --serie TEXT  the identification it answers (MT-SICS I2/I4,
//                             SBI ESC x1_/x2_, A&D ?TN/?SN); "-": refused
//   --paridade par|impar      bytes sent as 7 data bits with that parity read
//                             as 8 bits: the top bit is the parity bit
//   --link PATH               a symbolic link to the terminal, kept across runs
//   --normal                  clears every fault switch
//
// Standard input takes, one a line: the same options; "tecla" (one weight sent
// unasked now); "envia TEXT" (TEXT sent as is, with \r \n \e \xHH escapes);
// "sair". Standard output logs "recebido: ..." and "enviado: ..." lines, and
// "cancelado: N" when a cancel command drops N replies held.
// MT-SICS "@" and A&D "C" cancel the replies held; "@" answers I4 as the
// balance does. Zero and tare are acknowledged.

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum class Protocolo { MtSics, Sbi, And, Continuo };

struct Opcoes {
    Protocolo protocolo = Protocolo::MtSics;
    std::vector<std::string> pesos = {"0.3746"};
    std::string unidade = "g";
    int instavel = 0;
    bool sempreInstavel = false;
    bool sobrecarga = false;
    bool subcarga = false;
    bool erro = false;
    bool mudo = false;
    bool lixo = false;
    bool incompleta = false;
    int longa = 0;
    int atraso = 0;
    int lento = 0;
    bool formato22 = false;
    std::string formato = "sbi";
    int intervalo = 200;
    int repete = 3;
    int tecla = 0;
    int estabiliza = 0;
    std::string modelo = "XS205DU";
    std::string serie = "B021002593";
    std::string paridade;
    std::string link;
};

Opcoes g_opcoes;
size_t g_proximo = 0;      // next weight of the list
int g_instaveisFeitos = 0; // unstable replies given for the current weight
int g_estaveisFeitos = 0;  // continuous mode: stable lines of the current weight
int g_master = -1;
std::string g_link;

long long agora()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

long long g_colocado = agora(); // when the current weight was put on the pan

enum class Formato { Mt, And, Sbi, Livre };

struct Resposta {
    long long quando; // ms
    std::string bytes;
    bool pesagem = false; // a reply held until stable: the weight taken when it is sent
    Formato formato = Formato::Mt;
    bool consumiu = false; // a stable reply that took the weight: given back when cancelled
};
bool g_consumiu = false; // the reply just made took the weight
std::vector<Resposta> g_respostas;

std::string escapado(const std::string &s)
{
    std::string r;
    for (unsigned char c : s) {
        if (c == '\r')
            r += "\\r";
        else if (c == '\n')
            r += "\\n";
        else if (c < 0x20 || c > 0x7E) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            r += b;
        } else
            r += char(c);
    }
    return r;
}

std::string desescapado(const std::string &s)
{
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            r += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'r')
            r += '\r';
        else if (c == 'n')
            r += '\n';
        else if (c == 'e')
            r += '\x1b';
        else if (c == 'x' && i + 2 < s.size()) {
            r += char(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else
            r += c;
    }
    return r;
}

void registra(const char *o, const std::string &s)
{
    std::printf("%s: %s\n", o, escapado(s).c_str());
    std::fflush(stdout);
}

std::string direita(const std::string &s, size_t n)
{
    return s.size() >= n ? s : std::string(n - s.size(), ' ') + s;
}

std::string esquerda(const std::string &s, size_t n)
{
    return s.size() >= n ? s : s + std::string(n - s.size(), ' ');
}

std::string pesoAtual()
{
    return g_opcoes.pesos.empty() ? std::string("0") : g_opcoes.pesos[g_proximo % g_opcoes.pesos.size()];
}

void avancaPeso()
{
    ++g_proximo;
    g_instaveisFeitos = 0;
    g_estaveisFeitos = 0;
    g_colocado = agora();
}

long long estavelEm()
{
    return g_colocado + g_opcoes.estabiliza;
}

// Sign apart from the digits.
void separaSinal(const std::string &peso, char *sinal, std::string *digitos)
{
    *sinal = '+';
    *digitos = peso;
    if (!peso.empty() && (peso[0] == '-' || peso[0] == '+')) {
        *sinal = peso[0];
        *digitos = peso.substr(1);
    }
}

Formato formatoDe(Protocolo p)
{
    switch (p) {
    case Protocolo::MtSics:
        return Formato::Mt;
    case Protocolo::And:
        return Formato::And;
    case Protocolo::Sbi:
        return Formato::Sbi;
    case Protocolo::Continuo:
        break;
    }
    if (g_opcoes.formato == "mt")
        return Formato::Mt;
    if (g_opcoes.formato == "and")
        return Formato::And;
    if (g_opcoes.formato == "livre")
        return Formato::Livre;
    return Formato::Sbi;
}

std::string sbi(const std::string &corpo, const char *id = "N")
{
    return (g_opcoes.formato22 ? esquerda(id, 6) : std::string()) + corpo + "\r\n";
}

// One weighing line: stable or not, with the current weight.
std::string linhaDePeso(Formato f, bool estavel, bool mtImediato = true)
{
    const std::string peso = pesoAtual();
    const std::string &u = g_opcoes.unidade;
    char sinal;
    std::string digitos;
    separaSinal(peso, &sinal, &digitos);
    switch (f) {
    case Formato::Mt:
        if (!estavel && !mtImediato)
            return "S I\r\n";
        return std::string("S ") + (estavel ? "S " : "D ") + direita(peso, 10) + " " + u + "\r\n";
    case Formato::And: {
        std::string d = digitos;
        while (d.size() < 9)
            d = "0" + d;
        return std::string(estavel ? "ST," : "US,") + sinal + d + direita(u, 3) + "\r\n";
    }
    case Formato::Sbi:
        return sbi(std::string(1, sinal) + " " + direita(digitos, 8) + " " + esquerda(estavel ? u : "", 3));
    case Formato::Livre:
        return std::string(estavel ? " " : "?") + direita(peso, 10) + " " + u + "\r\n";
    }
    return std::string();
}

std::string linhaEspecial(Formato f)
{
    if (g_opcoes.sobrecarga) {
        switch (f) {
        case Formato::Mt:
            return "S +\r\n";
        case Formato::And:
            return "OL,+9999999E+19\r\n";
        case Formato::Sbi:
            return sbi("      H       ", "Stat");
        case Formato::Livre:
            return "OVERLOAD\r\n";
        }
    }
    if (g_opcoes.subcarga) {
        switch (f) {
        case Formato::Mt:
            return "S -\r\n";
        case Formato::And:
            return "OL,-9999999E+19\r\n";
        case Formato::Sbi:
            return sbi("      L       ", "Stat");
        case Formato::Livre:
            return "UNDERLOAD\r\n";
        }
    }
    if (g_opcoes.erro) {
        switch (f) {
        case Formato::Mt:
            return "EL\r\n";
        case Formato::And:
            return "EC,E02\r\n";
        case Formato::Sbi:
            return sbi("   Err 54     ", "Stat");
        case Formato::Livre:
            return "ERROR\r\n";
        }
    }
    if (g_opcoes.lixo)
        return "\x01\x7f#%&*?\xfe\xff lixo\r\n";
    if (g_opcoes.longa > 0)
        return std::string(size_t(g_opcoes.longa), '9');
    return std::string();
}

// Whether the next weighing reply is unstable; a stable one uses up the weight.
bool proximaInstavel()
{
    if (g_opcoes.sempreInstavel || agora() < estavelEm())
        return true;
    if (g_instaveisFeitos < g_opcoes.instavel) {
        ++g_instaveisFeitos;
        return true;
    }
    return false;
}

std::string cortada(const std::string &linha)
{
    return g_opcoes.incompleta ? linha.substr(0, linha.size() / 2) : linha;
}

// The reply to one weighing request; empty for none.
std::string pesagem(Formato f, bool mtImediato)
{
    if (g_opcoes.mudo)
        return std::string();
    if (std::string e = linhaEspecial(f); !e.empty())
        return e;
    if (proximaInstavel())
        return cortada(linhaDePeso(f, false, mtImediato));
    const std::string r = linhaDePeso(f, true);
    avancaPeso();
    g_consumiu = true;
    return cortada(r);
}

// Every reply not yet sent, dropped; how many.
int cancela()
{
    const auto n = g_respostas.size();
    for (const Resposta &r : g_respostas)
        if (r.consumiu && g_proximo > 0)
            --g_proximo;
    g_respostas.clear();
    registra("cancelado", std::to_string(n));
    return int(n);
}

// A request that waits for a stable weight: held until the weight settles.
bool adia(Formato f)
{
    if (g_opcoes.mudo || agora() >= estavelEm() || !linhaEspecial(f).empty() || g_opcoes.sempreInstavel
        || g_opcoes.instavel > 0)
        return false;
    g_respostas.push_back({estavelEm() + g_opcoes.atraso, std::string(), true, f});
    return true;
}

std::string identificacao(const std::string &valor, const std::string &mt, const std::string &recusa)
{
    if (g_opcoes.mudo)
        return std::string();
    if (valor == "-")
        return recusa;
    return mt;
}

std::string resposta(const std::string &comando)
{
    const std::string &m = g_opcoes.modelo;
    const std::string &n = g_opcoes.serie;
    switch (g_opcoes.protocolo) {
    case Protocolo::MtSics:
        if (comando == "S" && adia(Formato::Mt))
            return std::string();
        if (comando == "S" || comando == "SI")
            return pesagem(Formato::Mt, comando == "SI");
        if (comando == "@") {
            cancela();
            return "I4 A \"" + n + "\"\r\n";
        }
        if (comando == "I2")
            return identificacao(m, "I2 A \"" + m + " 220.0000 g\"\r\n", "ES\r\n");
        if (comando == "I4")
            return identificacao(n, "I4 A \"" + n + "\"\r\n", "ES\r\n");
        if (comando == "Z" || comando == "T")
            return g_opcoes.mudo ? std::string() : comando + " A\r\n";
        return g_opcoes.mudo ? std::string() : std::string("ES\r\n");
    case Protocolo::And:
        if (comando == "S" && adia(Formato::And))
            return std::string();
        if (comando == "Q" || comando == "S" || comando == "SI")
            return pesagem(Formato::And, true);
        if (comando == "C") {
            cancela();
            return std::string();
        }
        if (comando == "?TN")
            return identificacao(m, "TN," + m + "\r\n", "EC,E01\r\n");
        if (comando == "?SN")
            return identificacao(n, "SN," + n + "\r\n", "EC,E01\r\n");
        if (comando == "Z" || comando == "T")
            return g_opcoes.mudo ? std::string() : std::string("\x06\r\n");
        return g_opcoes.mudo ? std::string() : std::string("EC,E01\r\n");
    case Protocolo::Sbi:
        if (comando == "\x1bP" && adia(Formato::Sbi))
            return std::string();
        if (comando == "\x1bP")
            return pesagem(Formato::Sbi, true);
        if (g_opcoes.mudo)
            return std::string();
        if (comando == "\x1bx1_" && m != "-")
            return esquerda(m, 14) + "\r\n";
        if (comando == "\x1bx2_" && n != "-")
            return esquerda(n, 14) + "\r\n";
        return std::string();
    case Protocolo::Continuo:
        break;
    }
    return std::string();
}

// A 7-bit balance with parity read as 8 bits: the parity bit on top.
std::string comParidade(const std::string &bytes)
{
    if (g_opcoes.paridade.empty())
        return bytes;
    std::string r;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c & 0x7F);
        const bool umImpar = __builtin_popcount(b) % 2 == 1;
        // Even parity: the parity bit makes the count of ones even.
        if ((g_opcoes.paridade == "par") == umImpar)
            b |= 0x80;
        r += char(b);
    }
    return r;
}

void envia(const std::string &texto)
{
    const std::string bytes = comParidade(texto);
    if (g_opcoes.lento > 0) {
        for (char c : bytes) {
            if (::write(g_master, &c, 1) != 1)
                break;
            ::usleep(useconds_t(g_opcoes.lento) * 1000);
        }
        registra("enviado", bytes);
        return;
    }
    size_t feito = 0;
    while (feito < bytes.size()) {
        const ssize_t n = ::write(g_master, bytes.data() + feito, bytes.size() - feito);
        if (n <= 0)
            break; // nobody reading and the terminal full: the bytes are lost, as on a cable
        feito += size_t(n);
    }
    registra("enviado", bytes);
}

void agenda(const std::string &bytes)
{
    if (!bytes.empty())
        g_respostas.push_back({agora() + g_opcoes.atraso, bytes, false, Formato::Mt, g_consumiu});
    g_consumiu = false;
}

// The print key: the next weight, stable, unasked.
void tecla()
{
    const std::string r = linhaDePeso(formatoDe(g_opcoes.protocolo), true);
    avancaPeso();
    envia(r);
}

// Continuous mode: the next line of the stream.
void linhaContinua()
{
    const Formato f = formatoDe(Protocolo::Continuo);
    if (g_opcoes.mudo)
        return;
    if (std::string e = linhaEspecial(f); !e.empty()) {
        envia(e);
        return;
    }
    if (proximaInstavel()) {
        envia(cortada(linhaDePeso(f, false)));
        return;
    }
    envia(cortada(linhaDePeso(f, true)));
    if (++g_estaveisFeitos >= g_opcoes.repete)
        avancaPeso();
}

bool aplica(const std::vector<std::string> &args, std::string *erro)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto valor = [&](std::string *v) {
            if (i + 1 >= args.size()) {
                *erro = "falta o valor de " + a;
                return false;
            }
            *v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--protocolo") {
            if (!valor(&v))
                return false;
            if (v == "MT-SICS")
                g_opcoes.protocolo = Protocolo::MtSics;
            else if (v == "SBI")
                g_opcoes.protocolo = Protocolo::Sbi;
            else if (v == "AND")
                g_opcoes.protocolo = Protocolo::And;
            else if (v == "CONTINUO")
                g_opcoes.protocolo = Protocolo::Continuo;
            else {
                *erro = "protocolo desconhecido: " + v;
                return false;
            }
        } else if (a == "--pesos") {
            if (!valor(&v))
                return false;
            g_opcoes.pesos.clear();
            std::stringstream ss(v);
            for (std::string p; std::getline(ss, p, ',');)
                g_opcoes.pesos.push_back(p);
            g_proximo = 0;
            g_instaveisFeitos = 0;
            g_estaveisFeitos = 0;
        } else if (a == "--unidade") {
            if (!valor(&g_opcoes.unidade))
                return false;
        } else if (a == "--instavel") {
            if (!valor(&v))
                return false;
            g_opcoes.sempreInstavel = v == "sempre";
            g_opcoes.instavel = g_opcoes.sempreInstavel ? 0 : std::atoi(v.c_str());
            g_instaveisFeitos = 0;
        } else if (a == "--sobrecarga") {
            g_opcoes.sobrecarga = true;
        } else if (a == "--subcarga") {
            g_opcoes.subcarga = true;
        } else if (a == "--erro") {
            g_opcoes.erro = true;
        } else if (a == "--mudo") {
            g_opcoes.mudo = true;
        } else if (a == "--lixo") {
            g_opcoes.lixo = true;
        } else if (a == "--incompleta") {
            g_opcoes.incompleta = true;
        } else if (a == "--longa") {
            if (!valor(&v))
                return false;
            g_opcoes.longa = std::atoi(v.c_str());
        } else if (a == "--atraso") {
            if (!valor(&v))
                return false;
            g_opcoes.atraso = std::atoi(v.c_str());
        } else if (a == "--lento") {
            if (!valor(&v))
                return false;
            g_opcoes.lento = std::atoi(v.c_str());
        } else if (a == "--formato22") {
            g_opcoes.formato22 = true;
        } else if (a == "--formato") {
            if (!valor(&g_opcoes.formato))
                return false;
        } else if (a == "--intervalo") {
            if (!valor(&v))
                return false;
            g_opcoes.intervalo = std::max(1, std::atoi(v.c_str()));
        } else if (a == "--repete") {
            if (!valor(&v))
                return false;
            g_opcoes.repete = std::max(1, std::atoi(v.c_str()));
        } else if (a == "--tecla") {
            if (!valor(&v))
                return false;
            g_opcoes.tecla = std::atoi(v.c_str());
        } else if (a == "--estabiliza") {
            if (!valor(&v))
                return false;
            g_opcoes.estabiliza = std::atoi(v.c_str());
            g_colocado = agora();
        } else if (a == "--modelo") {
            if (!valor(&g_opcoes.modelo))
                return false;
        } else if (a == "--serie") {
            if (!valor(&g_opcoes.serie))
                return false;
        } else if (a == "--paridade") {
            if (!valor(&g_opcoes.paridade))
                return false;
        } else if (a == "--link") {
            if (!valor(&g_opcoes.link))
                return false;
        } else if (a == "--normal") {
            g_opcoes.sobrecarga = g_opcoes.subcarga = g_opcoes.erro = g_opcoes.mudo = false;
            g_opcoes.lixo = g_opcoes.incompleta = g_opcoes.sempreInstavel = false;
            g_opcoes.longa = g_opcoes.atraso = g_opcoes.instavel = g_opcoes.lento = 0;
            g_opcoes.estabiliza = g_opcoes.tecla = 0;
            g_opcoes.paridade.clear();
        } else {
            *erro = "opção desconhecida: " + a;
            return false;
        }
    }
    return true;
}

void comandoDaEntrada(const std::string &linha)
{
    if (linha == "tecla") {
        tecla();
    } else if (linha == "sair") {
        if (!g_link.empty())
            ::unlink(g_link.c_str());
        std::exit(0);
    } else if (linha.rfind("envia ", 0) == 0) {
        envia(desescapado(linha.substr(6)));
    } else if (!linha.empty()) {
        std::vector<std::string> args;
        std::stringstream ss(linha);
        for (std::string t; ss >> t;)
            args.push_back(t);
        std::string erro;
        if (!aplica(args, &erro))
            std::fprintf(stderr, "%s\n", erro.c_str());
        registra("aplicado", linha);
    }
}

void termina(int)
{
    if (!g_link.empty())
        ::unlink(g_link.c_str());
    _exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string erro;
    if (!aplica(args, &erro)) {
        std::fprintf(stderr, "balanca_simulada: %s\n", erro.c_str());
        return 2;
    }
    // Goes with whoever started it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::signal(SIGTERM, termina);
    ::signal(SIGINT, termina);
    ::signal(SIGPIPE, SIG_IGN);

    g_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (g_master < 0 || ::grantpt(g_master) != 0 || ::unlockpt(g_master) != 0) {
        std::perror("balanca_simulada: posix_openpt");
        return 1;
    }
    const std::string caminho = ::ptsname(g_master);
    // The terminal's own end stays open here, so that the balance outlives a
    // reader closing the port; raw, so that nothing is echoed or translated.
    const int escravo = ::open(caminho.c_str(), O_RDWR | O_NOCTTY);
    termios t {};
    if (escravo < 0 || ::tcgetattr(escravo, &t) != 0) {
        std::perror("balanca_simulada: terminal");
        return 1;
    }
    ::cfmakeraw(&t);
    ::tcsetattr(escravo, TCSANOW, &t);
    ::fcntl(g_master, F_SETFL, ::fcntl(g_master, F_GETFL) | O_NONBLOCK);

    if (!g_opcoes.link.empty()) {
        g_link = g_opcoes.link;
        ::unlink(g_link.c_str());
        if (::symlink(caminho.c_str(), g_link.c_str()) != 0) {
            std::perror("balanca_simulada: link");
            return 1;
        }
    }
    std::printf("%s\n", g_link.empty() ? caminho.c_str() : g_link.c_str());
    std::fflush(stdout);

    std::string entrada;
    std::string comandos;
    bool comEntrada = true;
    long long proximaLinha = agora() + g_opcoes.intervalo;
    long long proximaTecla = g_opcoes.tecla > 0 ? agora() + g_opcoes.tecla : -1;
    for (;;) {
        long long prazo = agora() + 1000;
        for (const Resposta &r : g_respostas)
            prazo = std::min(prazo, r.quando);
        if (g_opcoes.protocolo == Protocolo::Continuo)
            prazo = std::min(prazo, proximaLinha);
        if (g_opcoes.tecla > 0) {
            if (proximaTecla < 0)
                proximaTecla = agora() + g_opcoes.tecla;
            prazo = std::min(prazo, proximaTecla);
        }
        pollfd fds[2] = {{g_master, POLLIN, 0}, {comEntrada ? 0 : -1, POLLIN, 0}};
        ::poll(fds, 2, int(std::max(0LL, prazo - agora())));

        if (fds[0].revents & POLLIN) {
            char buf[512];
            const ssize_t n = ::read(g_master, buf, sizeof buf);
            if (n > 0)
                comandos.append(buf, size_t(n));
        }
        // Commands: ESC and a letter (SBI), or lines.
        for (;;) {
            if (g_opcoes.protocolo == Protocolo::Sbi) {
                const size_t esc = comandos.find('\x1b');
                if (esc == std::string::npos) {
                    comandos.clear();
                    break;
                }
                if (esc + 1 >= comandos.size()) {
                    comandos.erase(0, esc);
                    break;
                }
                // ESC and a capital (format 1), or ESC, lower-case letters,
                // digits and "_" (format 2: ESC x1_).
                size_t fim = esc + 2;
                if (std::islower(static_cast<unsigned char>(comandos[esc + 1]))) {
                    const size_t sublinhado = comandos.find('_', esc);
                    if (sublinhado == std::string::npos) {
                        comandos.erase(0, esc);
                        break;
                    }
                    fim = sublinhado + 1;
                }
                const std::string c = comandos.substr(esc, fim - esc);
                comandos.erase(0, fim);
                registra("recebido", c);
                agenda(resposta(c));
                continue;
            }
            const size_t fim = comandos.find_first_of("\r\n");
            if (fim == std::string::npos)
                break;
            const std::string c = comandos.substr(0, fim);
            comandos.erase(0, fim + 1);
            if (c.empty())
                continue;
            registra("recebido", c);
            agenda(resposta(c));
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buf[512];
            const ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0) {
                comEntrada = false;
            } else {
                entrada.append(buf, size_t(n));
                for (size_t fim; (fim = entrada.find('\n')) != std::string::npos;) {
                    std::string linha = entrada.substr(0, fim);
                    entrada.erase(0, fim + 1);
                    if (!linha.empty() && linha.back() == '\r')
                        linha.pop_back();
                    comandoDaEntrada(linha);
                }
            }
        }
        const long long t = agora();
        std::stable_sort(g_respostas.begin(), g_respostas.end(),
                         [](const Resposta &a, const Resposta &b) { return a.quando < b.quando; });
        while (!g_respostas.empty() && g_respostas.front().quando <= t) {
            Resposta r = g_respostas.front();
            g_respostas.erase(g_respostas.begin());
            if (r.pesagem) {
                r.bytes = linhaDePeso(r.formato, true);
                avancaPeso();
            }
            envia(r.bytes);
        }
        if (g_opcoes.protocolo == Protocolo::Continuo && t >= proximaLinha) {
            linhaContinua();
            proximaLinha = t + g_opcoes.intervalo;
        }
        if (g_opcoes.tecla > 0 && t >= proximaTecla) {
            tecla();
            proximaTecla = t + g_opcoes.tecla;
        } else if (g_opcoes.tecla <= 0) {
            proximaTecla = -1;
        }
    }
}
