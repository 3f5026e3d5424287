#pragma once
// One connection to the class broker over libmosquitto, kept up by a network
// thread of its own: it connects, reconnects with a growing pause after any
// failure (a broker down, a refused password, a certificate that does not
// verify), re-subscribes at each connection, and says why it is not connected
// in Italian. Nothing here waits on the network in the caller's thread.
//
// The thread is ours rather than mosquitto_loop_start's because that loop
// gives up for good on a TLS, protocol or authentication error, and a bench
// must connect again once a technician mends the broker.
//
// The Avvisi are called on the network thread: they must be quick and must
// not call back into this object except pubblica/iscrivi; a window hands
// them to its own thread (a queued call).

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "classroom/configurazione.h"

struct mosquitto;
struct mosquitto_message;

namespace lumetto::classe {

struct Avvisi {
    // The broker accepted us and acknowledged every subscription, so every
    // message published from now on reaches us.
    std::function<void()> collegato;
    // Not connected, and why: said at each failed attempt and each loss.
    std::function<void(const std::string& motivo)> scollegato;
    // The broker acknowledged the QoS 1 message with this id.
    std::function<void(int id)> consegnato;
    // A message of a subscription; `conservato` when the broker kept it.
    std::function<void(std::string argomento, std::string dati, bool conservato)> messaggio;
};

class Collegamento {
  public:
    // The client id must be unique at the broker: a second client with the
    // same id drops the first. With `conservasessione` the broker keeps this
    // client's subscriptions while it is away and queues what they match
    // (QoS 1), to hand over at the next connection with the same id: the
    // teacher's window misses nothing a bench sent while it was closed.
    Collegamento(Configurazione c, std::string idcliente, Avvisi avvisi,
                 bool conservasessione = false);
    // Says goodbye to the broker (so no last will is sent) and stops the
    // thread, within about a second whatever the network does.
    ~Collegamento();
    Collegamento(const Collegamento&) = delete;
    Collegamento& operator=(const Collegamento&) = delete;

    // The message the broker publishes, retained, when we vanish without a
    // goodbye. Before avvia.
    void testamento(const std::string& argomento, const std::string& dati);
    // Starts the thread; empty, or why it cannot start (a TLS file that
    // cannot be read, for one), in Italian.
    std::string avvia();

    // Hands a message to the network thread: its id (> 0), or 0 when
    // libmosquitto refused it (no memory, a payload too big). While not
    // connected a QoS 0 message is dropped and a QoS 1 one waits for the
    // next connection.
    int pubblica(std::string_view argomento, std::string_view dati, int qos, bool conserva);
    // Subscribes now when connected, and at every connection.
    void iscrivi(const std::string& filtro, int qos);

    // Seconds between keep-alive pings: a bench that vanishes is taken for
    // gone after one and a half of them.
    static constexpr int kKeepalive = 10;
    // The longest pause between two attempts to connect, in seconds.
    static constexpr int kPausaMassima = 4;
    // Seconds a broker may take to accept the TCP connection.
    static constexpr int kAttesaConnessione = 10;

  private:
    void gira();
    void saluta();
    int tcp();
    void attendi(int secondi);
    std::string motivo(int rc, int errore, bool accettato);

    static void suconnessione(mosquitto*, void*, int);
    static void suscollegamento(mosquitto*, void*, int);
    static void supubblicazione(mosquitto*, void*, int);
    static void suiscrizione(mosquitto*, void*, int, int, const int*);
    static void sumessaggio(mosquitto*, void*, const mosquitto_message*);
    static void sulog(mosquitto*, void*, int, const char*);

    Configurazione conf_;
    std::string id_;
    Avvisi avvisi_;
    mosquitto* mosq_ = nullptr;
    std::thread filo_;

    std::mutex mutex_;
    std::condition_variable sveglia_;
    bool fine_ = false;
    bool connesso_ = false;
    std::vector<std::pair<std::string, int>> iscrizioni_;
    std::vector<int> attese_;  // the subscriptions of this connection not yet acknowledged
    std::string erroretls_;    // the first TLS error libmosquitto logged
    std::string rifiuto_;      // why the broker refused us, when it did
};

}  // namespace lumetto::classe
