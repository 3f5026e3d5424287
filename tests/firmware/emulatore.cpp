// lumetto-emulatore: an Arduino Uno (ATmega328P at 16 MHz, simavr) running
// one of the Lumetto sketches, its serial line on a pseudo-terminal linked as
// ~/.lumetto/dosdevices/comN, so that the program's own code talks to it as to
// a real board. Tests drive the parts wired to it from standard input and read
// what its pins do from standard output.
//
//   lumetto-emulatore --elf SKETCH.elf --porta N [--dosdevices DIR] [--vcc MILLIVOLT]
//
// --vcc is the board's supply (5000 if not given; a USB port gives 4600 to
// 5200): the converter's AVcc reference, and AREF, which on an Uno is AVcc
// through its capacitor. The 1.1 V bandgap and internal reference stay 1100.
//
// Standard input, one command a line:
//   analogico CANALE MILLIVOLT   the voltage on A0..A5
//   pin NOME LIVELLO             an input driven high (1) or low (0): D2, A3, ...
//   sonar CENTIMETRI             an HC-SR04 on TRIG D9 / ECHO D8; 0: no echo
//   impulsi NOME HERTZ [RIMBALZI [DISCESA]]
//                                a square wave on an input (an encoder); 0 stops
//                                it; RIMBALZI more rising edges 20 us apart
//                                after each one, as a comparator chatters, and
//                                DISCESA more falling edges after each falling one
//   sincro N [MS]                answered "sincro N" once every line before it
//                                is in effect and MS more milliseconds of
//                                emulated time have passed (0 if not given)
//   esci                         (or the end of standard input) ends the run
// Standard output, one report a line:
//   pronto PERCORSO              the line is up; PERCORSO is the pseudo-terminal
//   pin NOME LIVELLO             an output pin changed (D2..D13)
//   impulso NOME MICROSECONDI PERIODO
//                                a high pulse ended on D7, D8 or D9 (servos):
//                                its width, and the time from the pulse before
//                                (0 for the first), in microseconds
//   risposta LETTERA PRIMO ULTIMO CARATTERI
//                                a reply: microseconds of emulated time from the
//                                letter's last bit reaching the board to the
//                                first character starting out and to the last
//                                one's last bit, and how many characters
//
// The serial bridge runs in the loop that runs the processor (simavr's IRQs
// are not thread-safe), and so do the stimuli. Emulated time is held to the
// wall clock when it runs ahead, so the board's millis() match the program's.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>

extern "C" {
#include <avr_adc.h>
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_io.h>
#include <sim_irq.h>
}

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFrequenza = 16000000;
constexpr avr_cycle_count_t kPerMicrosecondo = kFrequenza / 1000000;
// A character at 9600 baud, 7E1 (start, 7 data bits, parity, stop), as the
// Uno makes the rate: 16 MHz / 16 / 104, 9615 baud, 1040 us.
constexpr double kCarattereUs = 1040;

avr_t* avr = nullptr;
int master = -1;
bool xon = false;
std::deque<uint8_t> verso;  // bytes from the program, waiting for room in the UART
avr_irq_t* ingressoUart = nullptr;

// Arduino pin names to ports: D0..D7 on D, D8..D13 on B, A0..A5 on C.
struct Pin {
    char porta;
    int bit;
};
bool pin(const std::string& nome, Pin& p) {
    if (nome.size() < 2) return false;
    const int n = std::atoi(nome.c_str() + 1);
    if (nome[0] == 'D' && n >= 0 && n <= 7)
        p = {'D', n};
    else if (nome[0] == 'D' && n >= 8 && n <= 13)
        p = {'B', n - 8};
    else if (nome[0] == 'A' && n >= 0 && n <= 5)
        p = {'C', n};
    else
        return false;
    return true;
}
std::string nomepin(char porta, int bit) {
    if (porta == 'D') return "D" + std::to_string(bit);
    if (porta == 'B') return "D" + std::to_string(bit + 8);
    return "A" + std::to_string(bit);
}
avr_irq_t* irqpin(const Pin& p) {
    return avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(p.porta), p.bit);
}

void rapporto(const std::string& r) {
    std::fputs((r + "\n").c_str(), stdout);
    std::fflush(stdout);
}

double microsecondi(avr_cycle_count_t cicli) {
    return static_cast<double>(cicli) / kPerMicrosecondo;
}

// ---- Outputs, and the parts that answer them ----------------------------

bool guido = false;  // our own raise of an input: not an output's change
// Inputs the test drives, and to what: a driver outside the board holds its
// level against the pull-up that pinMode(INPUT_PULLUP) turns on after it.
std::map<std::string, int> guidati;

bool uscitaDelloSketch(char porta, int bit) {
    // DDRB, DDRC, DDRD of the ATmega328P.
    const int ddr = porta == 'B' ? 0x24 : porta == 'C' ? 0x27 : 0x2A;
    return (avr->data[ddr] >> bit) & 1;
}

void guida(const Pin& p, int livello) {
    guido = true;
    avr_raise_irq(irqpin(p), static_cast<uint32_t>(livello));
    guido = false;
}
avr_cycle_count_t salita[3] = {}, salitaPrima[3] = {};
double distanza = 0;            // cm in front of the sonar; 0: no echo
Pin trig{'B', 1}, eco{'B', 0};  // ECHO on ICP1

avr_cycle_count_t finisciEco(avr_t*, avr_cycle_count_t, void*) {
    guido = true;
    avr_raise_irq(irqpin(eco), 0);
    guido = false;
    return 0;
}
avr_cycle_count_t iniziaEco(avr_t* a, avr_cycle_count_t ora, void*) {
    guido = true;
    avr_raise_irq(irqpin(eco), 1);
    guido = false;
    // 58 us a centimetre there and back.
    avr_cycle_timer_register(a, static_cast<avr_cycle_count_t>(distanza * 58 * kPerMicrosecondo),
                             finisciEco, nullptr);
    (void)ora;
    return 0;
}

void uscita(avr_irq_t* irq, uint32_t valore, void* param) {
    if (guido) return;
    const auto codice = reinterpret_cast<intptr_t>(param);
    const char porta = static_cast<char>(codice >> 8);
    const int bit = static_cast<int>(codice & 0xFF);
    (void)irq;
    const std::string nome = nomepin(porta, bit);
    if (auto g = guidati.find(nome); g != guidati.end() && !uscitaDelloSketch(porta, bit)) {
        if (static_cast<int>(valore ? 1 : 0) != g->second) guida({porta, bit}, g->second);
        return;
    }
    rapporto("pin " + nome + " " + std::to_string(valore ? 1 : 0));
    // Servos on D7, D8, D9: the width of each pulse.
    const int servo = nome == "D7" ? 0 : nome == "D8" ? 1 : nome == "D9" ? 2 : -1;
    if (servo >= 0) {
        if (valore) {
            salitaPrima[servo] = salita[servo];
            salita[servo] = avr->cycle;
        } else if (salita[servo]) {
            char t[96];
            std::snprintf(
                t, sizeof t, "impulso %s %.1f %.1f", nome.c_str(),
                microsecondi(avr->cycle - salita[servo]),
                salitaPrima[servo] ? microsecondi(salita[servo] - salitaPrima[servo]) : 0.0);
            rapporto(t);
        }
    }
    // The sonar's trigger falling: the echo starts 200 us later.
    if (porta == trig.porta && bit == trig.bit && !valore && distanza > 0)
        avr_cycle_timer_register(avr, 200 * kPerMicrosecondo, iniziaEco, nullptr);
}

// ---- A square wave on an input (an encoder's channel) --------------------

struct Onda {
    Pin p{};
    avr_cycle_count_t mezzo = 0;  // half a period
    bool alto = false;
    bool attiva = false;
    int rimbalzi = 0, discesa = 0;  // chatter after the rising and the falling edge
    int restanti = 0;               // level changes of the chatter still to come
    bool livello = false;
} onda;
constexpr avr_cycle_count_t kRimbalzo = 10 * kPerMicrosecondo;

void livelloOnda(bool alto) {
    onda.livello = alto;
    guido = true;
    avr_raise_irq(irqpin(onda.p), alto);
    guido = false;
}

avr_cycle_count_t rimbalza(avr_t*, avr_cycle_count_t ora, void*) {
    if (!onda.attiva || onda.restanti <= 0) return 0;
    --onda.restanti;
    livelloOnda(!onda.livello);
    return onda.restanti > 0 ? ora + kRimbalzo : 0;
}

avr_cycle_count_t commuta(avr_t* a, avr_cycle_count_t ora, void*) {
    if (!onda.attiva) return 0;
    onda.alto = !onda.alto;
    avr_cycle_timer_cancel(a, rimbalza, nullptr);
    livelloOnda(onda.alto);
    if (const int n = onda.alto ? onda.rimbalzi : onda.discesa; n > 0) {
        onda.restanti = 2 * n;  // back and again, each time
        avr_cycle_timer_register(a, kRimbalzo, rimbalza, nullptr);
    }
    return ora + onda.mezzo;
}

// ---- The UART's rate ------------------------------------------------------

// simavr takes a character's length from the frame format when the rate is
// written, and the core writes the rate first: once the format (UCSR0C) is
// written, the rate (UBRR0L) is written again with its own value, as the
// chip would use it. simavr also counts a parity bit whether there is one or
// not: without parity (8N1, a Serial Plotter sketch) the length is set again
// here, one bit shorter (115200 baud: 85 us a character, not 93.5).
constexpr avr_io_addr_t kUcsr0a = 0xC0, kUcsr0b = 0xC1, kUcsr0c = 0xC2, kUbrr0l = 0xC4,
                        kUbrr0h = 0xC5;
void formatoScritto(avr_irq_t*, uint32_t, void*) {
    auto& scrivi = avr->io[AVR_DATA_TO_IO(kUbrr0l)].w;
    if (!scrivi.c) return;
    scrivi.c(avr, kUbrr0l, avr->data[kUbrr0l], scrivi.param);
    const uint8_t c = avr->data[kUcsr0c];
    if ((c >> 4) & 3) return;  // UPM0: parity on, the count is right
    // The handler's parameter is simavr's UART: its length of a character.
    auto* uart = static_cast<avr_uart_t*>(scrivi.param);
    const avr_cycle_count_t ubrr =
        avr->data[kUbrr0l] | static_cast<avr_cycle_count_t>(avr->data[kUbrr0h] & 0x0F) << 8;
    const avr_cycle_count_t ciclibit = (ubrr + 1) * ((avr->data[kUcsr0a] & 0x02) ? 8 : 16);
    const int dati[] = {5, 6, 7, 8, 8, 8, 8, 9};
    const int bit =
        1 + dati[((c >> 1) & 3) | ((avr->data[kUcsr0b] >> 2 & 1) << 2)] + ((c >> 3) & 1 ? 2 : 1);
    uart->cycles_per_byte = ciclibit * static_cast<avr_cycle_count_t>(bit);
}

// ---- The serial line -----------------------------------------------------

// The reply being timed: from the letter given to the UART to the bytes out.
struct Risposta {
    char lettera = 0;
    avr_cycle_count_t dal = 0, primo = 0, ultimo = 0;
    int caratteri = 0;
} risposta;

void chiudiRisposta() {
    if (!risposta.lettera || risposta.caratteri == 0) return;
    char t[96];
    // The letter is in when its last bit is; the last character is out when
    // its own last bit is, a character's time after the UART took it.
    std::snprintf(t, sizeof t, "risposta %c %.0f %.0f %d", risposta.lettera,
                  microsecondi(risposta.primo - risposta.dal) - kCarattereUs,
                  microsecondi(risposta.ultimo - risposta.dal), risposta.caratteri);
    rapporto(t);
    risposta = {};
}

void byteUscito(avr_irq_t*, uint32_t valore, void*) {
    const auto b = static_cast<uint8_t>(valore);
    if (master >= 0) {
        // The program reads slowly at worst; a full pseudo-terminal drops
        // the byte rather than stopping the board, as a real line would lose it.
        ssize_t n = ::write(master, &b, 1);
        (void)n;
    }
    if (risposta.lettera) {
        if (risposta.caratteri == 0) risposta.primo = avr->cycle;
        risposta.ultimo = avr->cycle;
        ++risposta.caratteri;
    }
}

void xonHook(avr_irq_t*, uint32_t, void*) {
    xon = true;
}
void xoffHook(avr_irq_t*, uint32_t, void*) {
    xon = false;
}

void serviLinea() {
    uint8_t buf[256];
    for (;;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        verso.insert(verso.end(), buf, buf + n);
    }
    while (xon && !verso.empty()) {
        const uint8_t b = verso.front();
        verso.pop_front();
        if (b >= 'A' && b <= 'J') {
            chiudiRisposta();
            risposta.lettera = static_cast<char>(b);
            risposta.dal = avr->cycle;
        }
        avr_raise_irq(ingressoUart, b);
    }
    // A reply is over when the line has been quiet for 5 ms.
    if (risposta.lettera && risposta.caratteri > 0 &&
        avr->cycle - risposta.ultimo > 5000 * kPerMicrosecondo)
        chiudiRisposta();
}

// ---- Standard input ------------------------------------------------------

// Answers to "sincro", each when its emulated time has come.
struct Attesa {
    avr_cycle_count_t quando;
    std::string risposta;
};
std::deque<Attesa> sincro;

bool comando(const std::string& riga) {
    std::istringstream in(riga);
    std::string verbo, nome;
    in >> verbo;
    if (verbo == "esci") return false;
    if (verbo == "sincro") {
        double ms = 0;
        in >> nome >> ms;
        sincro.push_back({avr->cycle + static_cast<avr_cycle_count_t>(ms * 1000 * kPerMicrosecondo),
                          "sincro " + nome});
    }
    if (verbo == "analogico") {
        int canale = 0, mv = 0;
        in >> canale >> mv;
        if (canale >= 0 && canale <= 5)
            avr_raise_irq(avr_io_getirq(avr, AVR_IOCTL_ADC_GETIRQ, ADC_IRQ_ADC0 + canale),
                          static_cast<uint32_t>(mv));
    } else if (verbo == "pin") {
        int livello = 0;
        Pin p{};
        in >> nome >> livello;
        if (pin(nome, p)) {
            guidati[nome] = livello ? 1 : 0;
            guida(p, livello ? 1 : 0);
        }
    } else if (verbo == "sonar") {
        in >> distanza;
    } else if (verbo == "impulsi") {
        double hz = 0;
        int rimbalzi = 0, discesa = 0;
        Pin p{};
        in >> nome >> hz >> rimbalzi >> discesa;
        onda.rimbalzi = rimbalzi > 0 && rimbalzi < 10 ? rimbalzi : 0;
        onda.discesa = discesa > 0 && discesa < 10 ? discesa : 0;
        const bool prima = onda.attiva;
        onda.attiva = hz > 0 && pin(nome, p);
        if (onda.attiva) {
            onda.p = p;
            onda.mezzo = static_cast<avr_cycle_count_t>(kFrequenza / (2 * hz));
            if (!prima) avr_cycle_timer_register(avr, onda.mezzo, commuta, nullptr);
        }
    }
    return true;
}

void serviSincro() {
    while (!sincro.empty() && avr->cycle >= sincro.front().quando) {
        rapporto(sincro.front().risposta);
        sincro.pop_front();
    }
}

std::string ingresso;
bool serviIngresso() {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    while (::poll(&p, 1, 0) > 0) {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) return false;  // the test is gone: so is the board
        ingresso.append(buf, static_cast<size_t>(n));
        size_t a;
        while ((a = ingresso.find('\n')) != std::string::npos) {
            const std::string riga = ingresso.substr(0, a);
            ingresso.erase(0, a + 1);
            if (!comando(riga)) return false;
        }
    }
    return true;
}

void silenzioso(avr_t*, const int livello, const char* formato, va_list ap) {
    if (livello > LOG_WARNING) return;
    std::vfprintf(stderr, formato, ap);
}

int usa() {
    std::fprintf(stderr,
                 "uso: lumetto-emulatore --elf SKETCH.elf --porta N [--dosdevices DIR] "
                 "[--vcc MILLIVOLT]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string elf;
    int porta = 0;
    int vcc = 5000;
    fs::path dosdevices;
    if (const char* h = std::getenv("HOME")) dosdevices = fs::path(h) / ".lumetto" / "dosdevices";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string o = argv[i];
        if (o == "--elf")
            elf = argv[i + 1];
        else if (o == "--porta")
            porta = std::atoi(argv[i + 1]);
        else if (o == "--dosdevices")
            dosdevices = argv[i + 1];
        else if (o == "--vcc")
            vcc = std::atoi(argv[i + 1]);
        else
            return usa();
    }
    // The ATmega328P runs at 16 MHz from 3.8 V up to its 5.5 V maximum.
    if (elf.empty() || porta < 1 || porta > 20 || vcc < 3800 || vcc > 5500) return usa();

    avr_global_logger_set(silenzioso);
    elf_firmware_t f{};
    if (elf_read_firmware(elf.c_str(), &f) != 0) {
        std::fprintf(stderr, "lumetto-emulatore: cannot read %s\n", elf.c_str());
        return 1;
    }
    avr = avr_make_mcu_by_name("atmega328p");
    if (!avr) return 1;
    avr_init(avr);
    avr_load_firmware(avr, &f);
    // An Arduino ELF carries no .mmcu section: frequency and voltages here.
    avr->frequency = kFrequenza;
    avr->vcc = avr->avcc = avr->aref = static_cast<uint32_t>(vcc);

    int slave = -1;
    char nome[128] = {};
    if (::openpty(&master, &slave, nome, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    // Our own descriptor of the slave stays open, so the master never hangs
    // up (and never spins) while the program has the port closed.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    std::error_code ec;
    fs::create_directories(dosdevices, ec);
    const fs::path link = dosdevices / ("com" + std::to_string(porta));
    fs::remove(link, ec);
    fs::create_symlink(nome, link, ec);
    if (ec) {
        std::fprintf(stderr, "lumetto-emulatore: %s: %s\n", link.c_str(), ec.message().c_str());
        return 1;
    }

    uint32_t flag = 0;
    avr_ioctl(avr, AVR_IOCTL_UART_GET_FLAGS('0'), &flag);
    flag &= ~AVR_UART_FLAG_STDIO;
    avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &flag);
    ingressoUart = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            byteUscito, nullptr);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON),
                            xonHook, nullptr);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF),
                            xoffHook, nullptr);
    avr_irq_register_notify(avr_iomem_getirq(avr, kUcsr0c, nullptr, AVR_IOMEM_IRQ_ALL),
                            formatoScritto, nullptr);
    for (char porta2 : {'B', 'C', 'D'}) {
        for (int bit = 0; bit < 8; ++bit) {
            if (porta2 == 'D' && bit < 2) continue;  // the serial line
            if (porta2 != 'D' && bit > 5) continue;  // the crystal; reset and A6, A7
            avr_irq_register_notify(
                avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(porta2), bit), uscita,
                reinterpret_cast<void*>(static_cast<intptr_t>((porta2 << 8) | bit)));
        }
    }
    rapporto(std::string("pronto ") + nome);

    const auto inizio = std::chrono::steady_clock::now();
    bool avanti = true;
    while (avanti) {
        for (int i = 0; i < 4000; ++i) {
            const int stato = avr_run(avr);
            if (stato == cpu_Done || stato == cpu_Crashed) {
                avanti = false;
                break;
            }
        }
        serviLinea();
        avanti = avanti && serviIngresso();
        serviSincro();
        // Never ahead of the wall clock by more than a millisecond.
        const auto emulati = std::chrono::microseconds(avr->cycle / kPerMicrosecondo);
        const auto passati = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - inizio);
        if (emulati > passati + std::chrono::milliseconds(1))
            std::this_thread::sleep_for(emulati - passati);
    }
    fs::remove(link, ec);
    ::close(slave);
    ::close(master);
    return 0;
}
