#pragma once
// A real Mosquitto for one test: its configuration, users, ACL and TLS keys
// written in the test's folder, listening on a loopback port of its own, and
// stopped, killed and started again on that same port to play faults.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

#include "classroom/configurazione.h"
#include "support/cartella.h"

namespace lumetto::prove {

// A port nobody listens on now (the kernel's choice).
inline int portalibera() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
}

inline bool accetta(int porta) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(porta));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

inline void esegui(const std::string& comando) {
    if (std::system(comando.c_str()) != 0) throw std::runtime_error("fallito: " + comando);
}

// A certificate authority and a server certificate for 127.0.0.1 and
// localhost signed by it, made with openssl in `cartella` under `nome`.crt
// and `nome`.key (the authority: `nome`-ca.crt).
inline void creacertificati(const std::filesystem::path& cartella, const std::string& nome) {
    const std::string c = cartella.string() + "/" + nome;
    esegui("cd '" + cartella.string() + "' && " +
           "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=" + nome +
           " CA' -keyout '" + c + "-ca.key' -out '" + c + "-ca.crt' 2>/dev/null && " +
           "openssl req -newkey rsa:2048 -nodes -subj '/CN=localhost' -keyout '" + c +
           ".key' -out '" + c + ".csr' 2>/dev/null && " +
           "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > '" + c + ".ext' && " +
           "openssl x509 -req -in '" + c + ".csr' -CA '" + c + "-ca.crt' -CAkey '" + c +
           "-ca.key' -CAcreateserial -days 2 -extfile '" + c + ".ext' -out '" + c +
           ".crt' 2>/dev/null");
}

class Broker {
  public:
    struct Opzioni {
        std::map<std::string, std::string> utenti;  // none: anonymous allowed
        std::string acl;                            // text of an ACL file, or none
        bool tls = false;                           // keys made as "broker" in the folder
    };

    Broker(const CartellaProva& cartella, Opzioni o)
        : cartella_(cartella.percorso()), porta_(portalibera()) {
        std::ofstream conf(cartella_ / "mosquitto.conf");
        intestazione(conf);
        conf << "per_listener_settings false\npersistence false\n"
             << "listener " << porta_ << " 127.0.0.1\n";
        if (o.utenti.empty()) {
            conf << "allow_anonymous true\n";
        } else {
            conf << "allow_anonymous false\npassword_file " << (cartella_ / "passwd").string()
                 << "\n";
            std::ofstream(cartella_ / "passwd").close();
            for (const auto& [u, p] : o.utenti)
                esegui("mosquitto_passwd -b '" + (cartella_ / "passwd").string() + "' '" + u +
                       "' '" + p + "'");
        }
        if (!o.acl.empty()) {
            std::ofstream(cartella_ / "acl") << o.acl;
            conf << "acl_file " << (cartella_ / "acl").string() << "\n";
        }
        if (o.tls) {
            creacertificati(cartella_, "broker");
            conf << "cafile " << (cartella_ / "broker-ca.crt").string() << "\n"
                 << "certfile " << (cartella_ / "broker.crt").string() << "\n"
                 << "keyfile " << (cartella_ / "broker.key").string() << "\n";
        }
        conf.close();
        avvia();
    }
    // A broker with a configuration of its own (the school's, as shipped)
    // listening on `porta`; the run-time lines a test needs go before it.
    Broker(const CartellaProva& cartella, const std::filesystem::path& configurazione, int porta)
        : cartella_(cartella.percorso()), porta_(porta) {
        std::ofstream conf(cartella_ / "mosquitto.conf");
        intestazione(conf);
        conf << "persistence_location " << cartella_.string() << "/\n"
             << std::ifstream(configurazione).rdbuf();
        conf.close();
        avvia();
    }
    ~Broker() { ferma(SIGKILL); }
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    int porta() const { return porta_; }
    // Class "3B" settings for a client of this broker: TLS with `ca` when
    // given, the bench named like its user unless `banco` says otherwise.
    classe::Configurazione configurazione(const std::string& utente, const std::string& password,
                                          const std::string& ca = {},
                                          const std::string& banco = {}) const {
        classe::Configurazione c;
        c.host = "127.0.0.1";
        c.porta = porta_;
        c.tls = !ca.empty();
        c.ca = ca;
        c.utente = utente;
        c.password = password;
        c.nome = "3B";
        c.banco = banco.empty() ? utente : banco;
        return c;
    }
    // The authority that signed the broker's certificate (with tls).
    std::string ca() const { return (cartella_ / "broker-ca.crt").string(); }

    // Starts it on its port and waits until it accepts connections.
    void avvia() {
        pid_ = ::fork();
        if (pid_ == 0) {
            int log =
                ::open((cartella_ / "mosquitto.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (log >= 0) {
                ::dup2(log, 1);
                ::dup2(log, 2);
            }
            // Debian keeps the broker in /usr/sbin, which a user's PATH lacks.
            const char* programma =
                ::access("/usr/sbin/mosquitto", X_OK) == 0 ? "/usr/sbin/mosquitto" : "mosquitto";
            ::execlp(programma, "mosquitto", "-c", (cartella_ / "mosquitto.conf").c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 400; ++i) {
            if (accetta(porta_)) return;
            int stato = 0;
            if (::waitpid(pid_, &stato, WNOHANG) == pid_) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        throw std::runtime_error("mosquitto non parte sulla porta " + std::to_string(porta_));
    }
    // The users from now on, with their passwords (the password file
    // written again): read at the next start, or at once after ricarica.
    void utenti(const std::map<std::string, std::string>& u) {
        const std::string file = (cartella_ / "passwd").string();
        std::ofstream(file, std::ios::trunc).close();
        for (const auto& [nome, password] : u)
            esegui("mosquitto_passwd -b '" + file + "' '" + nome + "' '" + password + "'");
    }
    // SIGHUP: the broker reads its password file and ACL again, keeping its
    // connections; a client refused before is let in at its next attempt.
    void ricarica() {
        if (pid_ > 0) ::kill(pid_, SIGHUP);
    }
    // SIGTERM: a clean stop (clients see their connection closed);
    // SIGKILL: a crash.
    void ferma(int segnale = SIGTERM) {
        if (pid_ <= 0) return;
        ::kill(pid_, segnale);
        int stato = 0;
        ::waitpid(pid_, &stato, 0);
        pid_ = -1;
    }

  private:
    static void intestazione(std::ostream& conf) {
        // Run as root, mosquitto would become user "mosquitto", who cannot
        // read the test's private folder.
        const passwd* io = ::getpwuid(::getuid());
        conf << "log_dest none\nuser " << (io ? io->pw_name : "root") << "\n";
    }

    std::filesystem::path cartella_;
    int porta_;
    pid_t pid_ = -1;
};

}  // namespace lumetto::prove
