// The class broker's connection: libmosquitto driven by a thread of ours
// that reconnects after every failure and tells why in Italian.
#include "classroom/mqtt.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/diagnostica.h"

namespace lumetto::classe {

namespace {

std::once_flag inizializzata;

const char* ononulla(const std::string& s) {
    return s.empty() ? nullptr : s.c_str();
}

}  // namespace

Collegamento::Collegamento(Configurazione c, std::string idcliente, Avvisi avvisi,
                           bool conservasessione)
    : conf_(std::move(c)), id_(std::move(idcliente)), avvisi_(std::move(avvisi)) {
    std::call_once(inizializzata, [] { mosquitto_lib_init(); });
    mosq_ = mosquitto_new(id_.c_str(), !conservasessione, this);
    if (mosq_ == nullptr) return;
    mosquitto_threaded_set(mosq_, true);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, suconnessione);
    mosquitto_disconnect_callback_set(mosq_, suscollegamento);
    mosquitto_publish_callback_set(mosq_, supubblicazione);
    mosquitto_subscribe_callback_set(mosq_, suiscrizione);
    mosquitto_message_callback_set(mosq_, sumessaggio);
    mosquitto_log_callback_set(mosq_, sulog);
}

Collegamento::~Collegamento() {
    {
        std::lock_guard l(mutex_);
        fine_ = true;
    }
    sveglia_.notify_all();
    if (filo_.joinable()) filo_.join();
    if (mosq_ != nullptr) mosquitto_destroy(mosq_);
}

void Collegamento::testamento(const std::string& argomento, const std::string& dati) {
    if (mosq_ == nullptr) return;
    mosquitto_will_set(mosq_, argomento.c_str(), static_cast<int>(dati.size()), dati.data(), 1,
                       true);
}

std::string Collegamento::avvia() {
    if (mosq_ == nullptr) return "la libreria MQTT non ha memoria per il collegamento";
    if (conf_.tls) {
        int rc = mosquitto_tls_set(mosq_, conf_.ca.c_str(), nullptr, ononulla(conf_.cert),
                                   ononulla(conf_.key), nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return "i file del certificato (ca, cert, key) non si leggono: " + conf_.ca;
        mosquitto_tls_opts_set(mosq_, 1, nullptr, nullptr);
    }
    if (!conf_.utente.empty())
        mosquitto_username_pw_set(mosq_, conf_.utente.c_str(), ononulla(conf_.password));
    filo_ = std::thread([this] { gira(); });
    return {};
}

int Collegamento::pubblica(std::string_view argomento, std::string_view dati, int qos,
                           bool conserva) {
    if (mosq_ == nullptr) return 0;
    int id = 0;
    int rc = mosquitto_publish(mosq_, &id, std::string(argomento).c_str(),
                               static_cast<int>(dati.size()), dati.data(), qos, conserva);
    return rc == MOSQ_ERR_SUCCESS ? std::max(id, 1) : 0;
}

void Collegamento::iscrivi(const std::string& filtro, int qos) {
    std::lock_guard l(mutex_);
    iscrizioni_.emplace_back(filtro, qos);
    if (connesso_) mosquitto_subscribe(mosq_, nullptr, filtro.c_str(), qos);
}

void Collegamento::attendi(int secondi) {
    std::unique_lock l(mutex_);
    sveglia_.wait_for(l, std::chrono::seconds(secondi), [this] { return fine_; });
}

// Connect, run until the connection fails, pause, connect again: the pause
// doubles after each failure up to a few seconds and starts again at one
// after a connection the broker accepted.
void Collegamento::gira() {
    int pausa = 1;
    bool primo = true;
    for (;;) {
        {
            std::lock_guard l(mutex_);
            if (fine_) return;
            erroretls_.clear();
            rifiuto_.clear();
        }
        int rc = primo ? mosquitto_connect_async(mosq_, conf_.host.c_str(), conf_.porta, kKeepalive)
                       : mosquitto_reconnect_async(mosq_);
        int errore = errno;
        // A name that does not resolve leaves nothing to reconnect to.
        if (rc != MOSQ_ERR_EAI) primo = false;
        if (rc == MOSQ_ERR_SUCCESS) {
            errore = tcp();
            if (errore != 0) rc = MOSQ_ERR_ERRNO;
        }
        bool accettato = false;
        while (rc == MOSQ_ERR_SUCCESS) {
            bool fine = false;
            {
                std::lock_guard l(mutex_);
                accettato = accettato || connesso_;
                fine = fine_;
            }
            // Not under the mutex: the loop calls back, and they take it.
            if (fine) {
                saluta();
                return;
            }
            rc = mosquitto_loop(mosq_, 250, 1);
            errore = errno;
        }
        std::string perche;
        {
            std::lock_guard l(mutex_);
            accettato = accettato || connesso_;
            connesso_ = false;
            perche = motivo(rc, errore, accettato);
        }
        if (avvisi_.scollegato) avvisi_.scollegato(perche);
        if (accettato) pausa = 1;
        attendi(pausa);
        pausa = std::min(pausa * 2, kPausaMassima);
    }
}

// Waits for the connection under way to be made or refused (libmosquitto's
// loop would only notice a refusal at the keep-alive): 0 or the errno.
int Collegamento::tcp() {
    const int fd = mosquitto_socket(mosq_);
    if (fd < 0) return ENOTCONN;
    for (int i = 0; i < kAttesaConnessione * 4; ++i) {
        {
            std::lock_guard l(mutex_);
            if (fine_) return ECANCELED;
        }
        pollfd p{fd, POLLOUT, 0};
        int n = ::poll(&p, 1, 250);
        if (n < 0 && errno != EINTR) return errno;
        if (n > 0) {
            int errore = 0;
            socklen_t lunghezza = sizeof errore;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &errore, &lunghezza) != 0) return errno;
            if (errore != 0) return errore;
            // With TLS, libmosquitto's first handshake write has already
            // taken the refusal's error: the socket just has no peer.
            sockaddr_storage a{};
            socklen_t n2 = sizeof a;
            if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &n2) != 0) return ECONNREFUSED;
            return 0;
        }
    }
    return ETIMEDOUT;
}

// A goodbye: what is still to be written goes first, then DISCONNECT, all
// within about a second.
void Collegamento::saluta() {
    for (int i = 0; i < 4 && mosquitto_want_write(mosq_); ++i)
        if (mosquitto_loop(mosq_, 250, 1) != MOSQ_ERR_SUCCESS) return;
    if (mosquitto_disconnect(mosq_) != MOSQ_ERR_SUCCESS) return;
    for (int i = 0; i < 4; ++i)
        if (mosquitto_loop(mosq_, 250, 1) != MOSQ_ERR_SUCCESS) return;
}

// Why there is no connection, in the words a teacher can act on; `accettato`
// when the broker had accepted this connection. Called with the mutex held.
std::string Collegamento::motivo(int rc, int errore, bool accettato) {
    const std::string broker = "il broker " + conf_.host + ":" + std::to_string(conf_.porta);
    namespace d = diagnostica;
    if (d::attiva(d::Stanza::classe))
        d::scrivi(d::Stanza::classe,
                  conf_.host + ":" + std::to_string(conf_.porta) + ": mosquitto " +
                      std::to_string(rc) + " (" + mosquitto_strerror(rc) + "), errno " +
                      std::to_string(errore) +
                      (errore ? std::string(" (") + std::strerror(errore) + ")" : "") +
                      (erroretls_.empty() ? "" : ", TLS: " + erroretls_) +
                      (rifiuto_.empty() ? "" : ", CONNACK: " + rifiuto_) +
                      (accettato ? ", after it was accepted" : ""));
    if (!rifiuto_.empty()) return rifiuto_;
    // Without TLS, a broker that hangs up (or answers bytes that are no
    // MQTT) before it accepts us is most likely a TLS listener that read
    // our request as a broken handshake.
    const bool chiuso = rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST ||
                        rc == MOSQ_ERR_PROTOCOL || rc == MOSQ_ERR_MALFORMED_PACKET ||
                        (rc == MOSQ_ERR_ERRNO && (errore == ECONNRESET || errore == EPIPE));
    if (!conf_.tls && !accettato && chiuso)
        return broker +
               " ha chiuso il collegamento prima di accettarlo: forse vuole una connessione "
               "cifrata (TLS), e nelle impostazioni manca la chiave «ca» di [broker] (il "
               "certificato dell'autorità della scuola)";
    if (!erroretls_.empty() || rc == MOSQ_ERR_TLS) {
        if (erroretls_.find("certificate verify failed") != std::string::npos)
            return broker +
                   " presenta un certificato che l'autorità indicata in «ca» non ha "
                   "firmato (o che non è per questo nome)";
        return "la connessione cifrata (TLS) con " + broker + " non riesce" +
               (erroretls_.empty() ? std::string() : ": " + erroretls_);
    }
    switch (rc) {
        case MOSQ_ERR_EAI:
            return "il nome del broker «" + conf_.host + "» non si trova in rete";
        case MOSQ_ERR_ERRNO:
            switch (errore) {
                case ECONNREFUSED:
                    return broker + " non risponde (è spento, o la porta è un'altra)";
                case ETIMEDOUT:
                case EHOSTUNREACH:
                case ENETUNREACH:
                    return broker + " non è raggiungibile in rete";
                default:
                    return "collegamento con " + broker + ": " + std::strerror(errore);
            }
        case MOSQ_ERR_NO_CONN:
        case MOSQ_ERR_CONN_LOST:
        case MOSQ_ERR_KEEPALIVE:
            return "il collegamento con " + broker + " si è interrotto";
        default:
            return "collegamento con " + broker + ": " + mosquitto_strerror(rc);
    }
}

void Collegamento::suconnessione(mosquitto*, void* io, int rc) {
    auto* c = static_cast<Collegamento*>(io);
    {
        std::lock_guard l(c->mutex_);
        if (rc != 0) {
            // MQTT 3.1.1's refusals: 4 bad user name or password, 5 not
            // authorised (Mosquitto's answer to a wrong password).
            if (rc == 4 || rc == 5)
                c->rifiuto_ =
                    "il broker rifiuta l'utente «" + c->conf_.utente + "» o la sua password";
            else
                c->rifiuto_ = std::string("il broker rifiuta il collegamento: ") +
                              mosquitto_connack_string(rc);
            return;
        }
        c->connesso_ = true;
        c->attese_.clear();
        for (const auto& [filtro, qos] : c->iscrizioni_) {
            int id = 0;
            if (mosquitto_subscribe(c->mosq_, &id, filtro.c_str(), qos) == MOSQ_ERR_SUCCESS)
                c->attese_.push_back(id);
        }
        // Told once the broker has every subscription: what a bench publishes
        // after that cannot fall before them.
        if (!c->attese_.empty()) return;
    }
    if (c->avvisi_.collegato) c->avvisi_.collegato();
}

void Collegamento::suiscrizione(mosquitto*, void* io, int id, int, const int*) {
    auto* c = static_cast<Collegamento*>(io);
    {
        std::lock_guard l(c->mutex_);
        const auto a = std::find(c->attese_.begin(), c->attese_.end(), id);
        if (a == c->attese_.end()) return;
        c->attese_.erase(a);
        if (!c->attese_.empty()) return;
    }
    if (c->avvisi_.collegato) c->avvisi_.collegato();
}

void Collegamento::suscollegamento(mosquitto*, void*, int) {
    // The loop returns an error right after, and gira says why.
}

void Collegamento::supubblicazione(mosquitto*, void* io, int id) {
    auto* c = static_cast<Collegamento*>(io);
    if (c->avvisi_.consegnato) c->avvisi_.consegnato(id);
}

void Collegamento::sumessaggio(mosquitto*, void* io, const mosquitto_message* m) {
    auto* c = static_cast<Collegamento*>(io);
    if (!c->avvisi_.messaggio || m->topic == nullptr) return;
    std::string dati;
    if (m->payload != nullptr && m->payloadlen > 0)
        dati.assign(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
    c->avvisi_.messaggio(m->topic, std::move(dati), m->retain);
}

void Collegamento::sulog(mosquitto*, void* io, int livello, const char* testo) {
    if (livello != MOSQ_LOG_ERR || testo == nullptr) return;
    auto* c = static_cast<Collegamento*>(io);
    std::string t = testo;
    if (t.find("OpenSSL") == std::string::npos && t.find("TLS") == std::string::npos) return;
    std::lock_guard l(c->mutex_);
    if (c->erroretls_.empty()) c->erroretls_ = t;
}

}  // namespace lumetto::classe
